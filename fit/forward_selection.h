// Forward selection of regression terms by error reduction ratio (orthogonal
// forward regression): at each step every remaining candidate column is made
// orthogonal to the columns already chosen, and the one that explains the
// largest share of y'y is taken.
#pragma once

#include <Eigen/Dense>
#include <vector>

namespace velk::fit {

struct SelectedTerm {
  int column = 0;              // index into the candidate columns
  double error_reduction = 0;  // share of y'y this term explains, 0..1
};

// Chooses up to `max_terms` columns of `x`. The `forced` columns come first,
// in their order, whatever their ratio. A candidate whose orthogonal part is
// negligible (it depends on the chosen ones) is never chosen, so the result
// may hold fewer than `max_terms` columns.
std::vector<SelectedTerm> select_terms(const Eigen::MatrixXd& x, const Eigen::VectorXd& y,
                                       int max_terms, const std::vector<int>& forced);

}  // namespace velk::fit
