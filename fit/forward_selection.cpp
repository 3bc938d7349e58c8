#include "fit/forward_selection.h"

#include <algorithm>

namespace velk::fit {
namespace {

// Share of a column's squared norm that must survive orthogonalisation for
// the column to count as a new direction.
constexpr double kIndependence = 1e-10;

}  // namespace

std::vector<SelectedTerm> select_terms(const Eigen::MatrixXd& x, const Eigen::VectorXd& y,
                                       int max_terms, const std::vector<int>& forced) {
  const Eigen::Index candidates = x.cols();
  std::vector<SelectedTerm> chosen;
  const double yy = y.squaredNorm();
  if (candidates == 0 || max_terms <= 0 || !(yy > 0.0)) return chosen;

  Eigen::MatrixXd w = x;  // columns orthogonalised against the chosen ones as we go
  const Eigen::VectorXd original_norm2 = x.colwise().squaredNorm().transpose();
  std::vector<bool> taken(static_cast<std::size_t>(candidates), false);

  auto usable = [&](Eigen::Index k) {
    const double ww = w.col(k).squaredNorm();
    return original_norm2(k) > 0.0 && ww > kIndependence * original_norm2(k);
  };
  auto ratio = [&](Eigen::Index k) {
    const double wy = w.col(k).dot(y);
    return wy * wy / (w.col(k).squaredNorm() * yy);
  };
  auto take = [&](Eigen::Index k) {
    chosen.push_back(SelectedTerm{static_cast<int>(k), ratio(k)});
    taken[static_cast<std::size_t>(k)] = true;
    const Eigen::VectorXd q = w.col(k);
    const double qq = q.squaredNorm();
    for (Eigen::Index m = 0; m < candidates; ++m)
      if (!taken[static_cast<std::size_t>(m)]) w.col(m) -= (q.dot(w.col(m)) / qq) * q;
  };

  for (int k : forced) {
    if (static_cast<int>(chosen.size()) >= max_terms) break;
    if (k < 0 || k >= candidates || taken[static_cast<std::size_t>(k)] || !usable(k)) continue;
    take(k);
  }
  while (static_cast<int>(chosen.size()) < max_terms) {
    Eigen::Index best = -1;
    double best_ratio = -1.0;
    for (Eigen::Index k = 0; k < candidates; ++k) {
      if (taken[static_cast<std::size_t>(k)] || !usable(k)) continue;
      const double r = ratio(k);
      if (r > best_ratio) {
        best_ratio = r;
        best = k;
      }
    }
    if (best < 0) break;
    take(best);
  }
  return chosen;
}

}  // namespace velk::fit
