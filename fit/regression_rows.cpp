#include "fit/regression_rows.h"

#include <stdexcept>

namespace velk::fit {

int RegressionRows::append(const forecast::Model& model, const forecast::HourlyTable& table,
                           const forecast::ForecastSetup& setup) {
  if (model.term_count() != terms_)
    throw std::invalid_argument("regression rows: wrong term count");
  forecast::check_model_reach(model, setup, table.rows_read, table.row_count);
  const int last_base = forecast::last_base_row(setup, table.rows_read);
  const double target_fill = setup.fill[static_cast<std::size_t>(setup.target - 1)];
  std::vector<double> p(static_cast<std::size_t>(terms_));
  forecast::EvaluationPlan plan(model);
  int added = 0;
  for (int b = setup.first_base_row(); last_base > 0 && b <= last_base; b += setup.cadence) {
    const int target_row = b + setup.lead_time;
    if (target_row > table.rows_read) break;  // continuation rows hold no observation
    const double target = table.at(setup.target, target_row);
    if (target == target_fill) continue;
    if (!plan.products(table, setup.fill, b, p)) continue;
    products_.insert(products_.end(), p.begin(), p.end());
    targets_.push_back(target);
    ++added;
  }
  return added;
}

Eigen::MatrixXd RegressionRows::design() const {
  return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
      products_.data(), rows(), terms_);
}

Eigen::VectorXd RegressionRows::targets() const {
  return Eigen::Map<const Eigen::VectorXd>(targets_.data(), rows());
}

}  // namespace velk::fit
