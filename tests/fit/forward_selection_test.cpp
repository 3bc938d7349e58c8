#include "fit/forward_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace velk::fit {
namespace {

TEST(ForwardSelection, PicksTheTrueTermsAndNeverADependentOne) {
  // Eight candidates, y built from columns 0 (constant), 3 and 6 plus small noise;
  // column 5 is nearly a copy of column 3, and column 7 depends exactly on 1 and 2.
  std::mt19937 rng(5);
  std::normal_distribution<double> normal(0.0, 1.0);
  Eigen::MatrixXd x(400, 8);
  Eigen::VectorXd y(400);
  for (int i = 0; i < 400; ++i) {
    x(i, 0) = 1.0;
    for (int k = 1; k <= 6; ++k) x(i, k) = normal(rng) * k;
    x(i, 5) = x(i, 3) + 0.3 * normal(rng);
    x(i, 7) = x(i, 1) - 2.0 * x(i, 2);
    y(i) = 4.0 + 1.5 * x(i, 3) - 0.8 * x(i, 6) + 0.05 * normal(rng);
  }
  std::vector<int> best;
  double explained = 0.0;
  for (const SelectedTerm& s : select_terms(x, y, 3, {})) {
    best.push_back(s.column);
    explained += s.error_reduction;
  }
  std::sort(best.begin(), best.end());
  EXPECT_EQ(best, (std::vector<int>{0, 3, 6}));
  EXPECT_GT(explained, 0.9999);
  EXPECT_LE(explained, 1.0 + 1e-12);

  // Kept terms come first; once 1 and 2 are in, column 7 adds nothing.
  std::vector<int> all;
  for (const SelectedTerm& s : select_terms(x, y, 8, {2, 1})) all.push_back(s.column);
  ASSERT_EQ(all.size(), 7u);
  EXPECT_EQ(all[0], 2);
  EXPECT_EQ(all[1], 1);
  EXPECT_EQ(std::count(all.begin(), all.end(), 7), 0);
}

}  // namespace
}  // namespace velk::fit
