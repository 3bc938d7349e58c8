#include "fit/least_squares.h"

#include <cmath>
#include <string>

namespace velk::fit {

LeastSquaresFit solve_least_squares(const Eigen::MatrixXd& x, const Eigen::VectorXd& y) {
  const Eigen::Index rows = x.rows(), terms = x.cols();
  if (terms == 0) throw RankDeficientError("no term to fit");
  if (rows <= terms)
    throw RankDeficientError(std::to_string(rows) + " rows cannot fit " + std::to_string(terms) +
                             " terms with a residual left over");
  // Terms such as V*Bz (thousands) and the harmonic inputs (below one) differ
  // by orders of magnitude; unit columns keep the rank decision meaningful.
  Eigen::VectorXd norms = x.colwise().norm().transpose();
  for (Eigen::Index j = 0; j < terms; ++j)
    if (!(norms(j) > 0.0) || !std::isfinite(norms(j)))
      throw RankDeficientError("term " + std::to_string(j + 1) +
                               " is zero (or not finite) on every training row");
  const Eigen::MatrixXd scaled = x * norms.cwiseInverse().asDiagonal();

  Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(scaled);
  qr.setThreshold(1e-10);
  if (qr.rank() < terms)
    throw RankDeficientError("the terms are linearly dependent on the training rows (rank " +
                             std::to_string(qr.rank()) + " of " + std::to_string(terms) + ")");

  LeastSquaresFit fit;
  const Eigen::VectorXd scaled_b = qr.solve(y);
  fit.coefficients = scaled_b.cwiseQuotient(norms);
  const Eigen::VectorXd residual = y - x * fit.coefficients;
  fit.residual_variance = residual.squaredNorm() / static_cast<double>(rows - terms);

  // With X P = Q R, (X'X)^-1 = P R^-1 R^-T P'.
  const Eigen::MatrixXd r =
      qr.matrixR().topLeftCorner(terms, terms).template triangularView<Eigen::Upper>();
  const Eigen::MatrixXd r_inverse =
      r.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(terms, terms));
  const Eigen::MatrixXd permuted = r_inverse * r_inverse.transpose();
  const Eigen::MatrixXd scaled_inverse =
      qr.colsPermutation() * permuted * qr.colsPermutation().transpose();
  const Eigen::VectorXd inv_norms = norms.cwiseInverse();
  fit.covariance = fit.residual_variance *
                   (inv_norms.asDiagonal() * scaled_inverse * inv_norms.asDiagonal()).eval();
  // Symmetric by construction; remove the rounding asymmetry.
  fit.covariance = (0.5 * (fit.covariance + fit.covariance.transpose())).eval();
  return fit;
}

FitQuality fit_quality(const Eigen::VectorXd& y, const Eigen::VectorXd& yhat) {
  FitQuality q;
  const double n = static_cast<double>(y.size());
  if (y.size() == 0) return q;
  const double mse = (y - yhat).squaredNorm() / n;
  const double variance = (y.array() - y.mean()).square().sum() / n;
  q.rms_error = std::sqrt(mse);
  q.prediction_efficiency = variance > 0.0 ? 1.0 - mse / variance : -0.999;
  return q;
}

}  // namespace velk::fit
