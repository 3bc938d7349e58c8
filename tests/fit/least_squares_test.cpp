// Least squares and the forward selection of terms.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fit/forward_selection.h"
#include "fit/least_squares.h"

namespace velk::fit {
namespace {

// Columns of very different scales, as V*Bz (thousands) beside a harmonic input.
Eigen::MatrixXd design(int rows, std::mt19937& rng) {
  std::normal_distribution<double> normal(0.0, 1.0);
  Eigen::MatrixXd x(rows, 4);
  for (int i = 0; i < rows; ++i)
    x.row(i) << 1.0, 3000.0 * normal(rng), 0.5 * normal(rng), 40.0 + 10.0 * normal(rng);
  return x;
}

TEST(LeastSquares, RecoversCoefficientsAndTheirCovariance) {
  std::mt19937 rng(11);
  const Eigen::MatrixXd x = design(500, rng);
  const Eigen::Vector4d truth(1.0, 2e-3, 3.0, -0.5);
  const LeastSquaresFit exact = solve_least_squares(x, x * truth);
  for (int j = 0; j < 4; ++j)
    EXPECT_NEAR(exact.coefficients(j), truth(j), 1e-9 * (1 + std::abs(truth(j))));
  EXPECT_LT(exact.residual_variance, 1e-20);

  std::normal_distribution<double> noise(0.0, 2.0);
  Eigen::VectorXd y = x * truth;
  for (int i = 0; i < y.size(); ++i) y(i) += noise(rng);
  const LeastSquaresFit fit = solve_least_squares(x, y);
  EXPECT_NEAR(fit.residual_variance, (y - x * fit.coefficients).squaredNorm() / (500 - 4), 1e-12);
  EXPECT_NEAR(fit.residual_variance, 4.0, 0.8);
  // Only here, on a small well-conditioned problem, is the explicit inverse a fair reference.
  const Eigen::MatrixXd expected = fit.residual_variance * (x.transpose() * x).inverse();
  for (int j = 0; j < 4; ++j)
    for (int m = 0; m < 4; ++m)
      EXPECT_NEAR(fit.covariance(j, m), expected(j, m), 1e-8 * std::abs(expected(j, j)));
  EXPECT_EQ(fit.covariance, fit.covariance.transpose());
}

TEST(LeastSquares, RefusesUndeterminedProblems) {
  std::mt19937 rng(3);
  const Eigen::MatrixXd x = design(50, rng);
  const Eigen::VectorXd y = Eigen::VectorXd::Ones(50);
  Eigen::MatrixXd dependent = x, zero = x;
  dependent.col(3) = 2.0 * x.col(2) - x.col(0);
  zero.col(2).setZero();
  EXPECT_THROW(solve_least_squares(dependent, y), RankDeficientError);
  EXPECT_THROW(solve_least_squares(zero, y), RankDeficientError);
  EXPECT_THROW(solve_least_squares(x.topRows(4), y.head(4)), RankDeficientError);
}

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
