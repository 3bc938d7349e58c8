#include "fit/least_squares.h"

#include <gtest/gtest.h>

#include <random>

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

}  // namespace
}  // namespace velk::fit
