#include "fit/forward_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace velk::fit {
namespace {

// Eight candidates, y built from columns 0 (constant), 3 and 6 plus small noise;
// column 5 is nearly a copy of column 3, and column 7 depends exactly on 1 and 2.
struct Problem {
  Eigen::MatrixXd x;
  Eigen::VectorXd y;
};

Problem make_problem() {
  std::mt19937 rng(5);
  std::normal_distribution<double> normal(0.0, 1.0);
  const int rows = 400;
  Problem p{Eigen::MatrixXd(rows, 8), Eigen::VectorXd(rows)};
  for (int i = 0; i < rows; ++i) {
    p.x(i, 0) = 1.0;
    for (int k = 1; k <= 6; ++k) p.x(i, k) = normal(rng) * k;
    p.x(i, 5) = p.x(i, 3) + 0.3 * normal(rng);
    p.x(i, 7) = p.x(i, 1) - 2.0 * p.x(i, 2);
    p.y(i) = 4.0 + 1.5 * p.x(i, 3) - 0.8 * p.x(i, 6) + 0.05 * normal(rng);
  }
  return p;
}

std::vector<int> columns(const std::vector<SelectedTerm>& chosen) {
  std::vector<int> c;
  for (const SelectedTerm& s : chosen) c.push_back(s.column);
  return c;
}

TEST(ForwardSelection, PicksTheTrueTermsFirst) {
  const Problem p = make_problem();
  const auto chosen = select_terms(p.x, p.y, 3, {});
  std::vector<int> got = columns(chosen);
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<int>{0, 3, 6}));
  double explained = 0.0;
  for (const SelectedTerm& s : chosen) explained += s.error_reduction;
  EXPECT_GT(explained, 0.9999);
  EXPECT_LE(explained, 1.0 + 1e-12);
}

TEST(ForwardSelection, KeptTermsComeFirstAndDependentColumnsNeverEnter) {
  const Problem p = make_problem();
  const auto chosen = select_terms(p.x, p.y, 8, {2, 1});
  const std::vector<int> got = columns(chosen);
  ASSERT_GE(got.size(), 2u);
  EXPECT_EQ(got[0], 2);
  EXPECT_EQ(got[1], 1);
  // Column 7 is 1 - 2*2: once 1 and 2 are in, it adds nothing and must not be chosen.
  EXPECT_EQ(std::count(got.begin(), got.end(), 7), 0);
  EXPECT_EQ(got.size(), 7u);
}

}  // namespace
}  // namespace velk::fit
