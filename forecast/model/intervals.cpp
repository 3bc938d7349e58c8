#include "forecast/model/intervals.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "forecast/model/row_steps.h"

namespace velk::forecast {

void load_covariance(const std::string& path, Model& model) {
  if (model.term_count() <= kMaxTermsWithStandardErrors)
    read_covariance_file(path, model);
  else
    check_covariance_file(path, model.term_count());
}

std::vector<double> trailing_residual_error(const ScoreSetup& setup, const HourlyTable& table,
                                            const std::vector<double>& y, int window_hours) {
  const int i = setup.lead_step;
  const int rows = std::min(table.row_count, static_cast<int>(y.size()));
  // Running sums over rows 1..t at index t: a window is the difference of two.
  std::vector<int> count(static_cast<std::size_t>(rows) + 1, 0);
  std::vector<double> squares(static_cast<std::size_t>(rows) + 1, 0.0);
  const int first = std::max(setup.lead_time + setup.max_lag + 1, i + 1);
  // Observations exist only in rows read, and are compared in those covered.
  const int last = std::min(setup.rows_covered, rows);
  std::vector<char> scored(static_cast<std::size_t>(rows) + 1, 0);
  for_each_stepped_row(first, last, setup.cadence,
                       [&](int t) { scored[static_cast<std::size_t>(t)] = 1; });
  for (int t = 1; t <= rows; ++t) {
    const std::size_t k = static_cast<std::size_t>(t);
    const double o = table.at(setup.target, t), f = y[k - 1];
    const bool both = scored[k] && o != setup.target_fill && f != setup.target_fill;
    count[k] = count[k - 1] + (both ? 1 : 0);
    squares[k] = squares[k - 1] + (both ? (f - o) * (f - o) : 0.0);
  }
  std::vector<double> error(static_cast<std::size_t>(rows), kNoError);
  for (int f = 1; f <= rows; ++f) {
    // The newest observation the forecast could know is that of row f - i.
    const int newest = std::min(f - i, rows);
    const int oldest = std::max(newest - window_hours, 0);
    if (newest < 1) continue;
    const std::size_t hi = static_cast<std::size_t>(newest), lo = static_cast<std::size_t>(oldest);
    const int n = count[hi] - count[lo];
    if (n < kMinResiduals) continue;
    // A difference of running sums can dip just below 0 by rounding.
    error[static_cast<std::size_t>(f - 1)] =
        std::sqrt(std::max(squares[hi] - squares[lo], 0.0) / n);
  }
  return error;
}

std::vector<double> forecast_errors(const ScoreSetup& setup, const HourlyTable& table,
                                    const std::vector<double>& standard_error,
                                    const std::vector<int>& model,
                                    const std::vector<std::vector<double>>& y_of_model) {
  std::vector<std::vector<double>> residual;
  for (const std::vector<double>& y : y_of_model)
    residual.push_back(trailing_residual_error(setup, table, y));
  std::vector<double> error(model.size(), kNoError);
  for (std::size_t f = 0; f < model.size(); ++f) {
    if (model[f] < 0 || static_cast<std::size_t>(model[f]) >= residual.size()) continue;
    const std::vector<double>& r = residual[static_cast<std::size_t>(model[f])];
    if (f >= r.size() || std::isnan(r[f])) continue;
    const double se = f < standard_error.size() ? standard_error[f] : 0.0;
    error[f] = std::sqrt(se * se + r[f] * r[f]);
  }
  return error;
}

Interval central_interval(double y, double error, double half_width, double lowest,
                          double highest) {
  Interval interval{y - half_width * error, y + half_width * error};
  interval.lower = std::min(std::max(interval.lower, lowest), highest);
  interval.upper = std::min(std::max(interval.upper, lowest), highest);
  return interval;
}

}  // namespace velk::forecast
