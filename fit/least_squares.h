// Linear least squares y ~ X b by column-pivoting Householder QR on
// unit-scaled columns, with the coefficients' covariance matrix
// s^2 (X'X)^-1 (s^2 the residual variance) taken from the triangular factor.
// The normal equations are never formed.
#pragma once

#include <Eigen/Dense>
#include <stdexcept>

namespace velk::fit {

struct LeastSquaresFit {
  Eigen::VectorXd coefficients;
  Eigen::MatrixXd covariance;      // terms x terms
  double residual_variance = 0.0;  // residual sum of squares / (rows - terms)
};

// The design matrix does not determine the coefficients: fewer rows than
// terms plus one, a column of zeros, or columns that depend on each other.
class RankDeficientError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

LeastSquaresFit solve_least_squares(const Eigen::MatrixXd& x, const Eigen::VectorXd& y);

// Root mean square of y - yhat, and prediction efficiency 1 - MSE / var(y)
// (var about the mean of y; -0.999 when y is constant, as the forecaster scores).
struct FitQuality {
  double rms_error = 0.0;
  double prediction_efficiency = 0.0;
};
FitQuality fit_quality(const Eigen::VectorXd& y, const Eigen::VectorXd& yhat);

}  // namespace velk::fit
