#include "forecast/model/forecast.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "forecast/format/message_line.h"
#include "forecast/model/row_steps.h"

namespace velk::forecast {
namespace {

// x to an integer power by repeated squaring, the way compiled code evaluates
// a real raised to an integer variable; the product order decides the last bit.
double integer_power(double x, int power) {
  unsigned int n =
      power < 0 ? 0u - static_cast<unsigned int>(power) : static_cast<unsigned int>(power);
  double result = (n % 2) ? x : 1.0;
  while (n >>= 1) {
    x = x * x;
    if (n % 2) result = result * x;
  }
  return power < 0 ? 1.0 / result : result;
}

void check_setup(const ForecastSetup& setup, const Model& model, const HourlyTable& table) {
  if (setup.target < 1 || setup.target > kMainInputCount || setup.lead_time < 0 ||
      setup.max_lag < 0 || setup.cadence < 1)
    throw std::invalid_argument("forecast: target, lead time, lag or cadence out of range");
  const std::size_t n = model.coefficients.size();
  // Without standard errors the matrix is not needed and may be left empty.
  const bool cov_matches = model.covariance_matrix.size() == n * n ||
                           (!setup.standard_errors && model.covariance_matrix.empty());
  if (model.terms.size() != n || !cov_matches)
    throw std::invalid_argument("forecast: model terms and covariance matrix do not match");
  if (table.rows_read < 0 || table.rows_read > table.row_count)
    throw std::invalid_argument("forecast: rows read exceed the table");
}

}  // namespace

ForecastSetup ForecastSetup::of(const RunShape& shape) {
  ForecastSetup setup;
  setup.target = shape.target;
  setup.lead_time = shape.lead_time;
  setup.max_lag = shape.max_lag;
  setup.cadence = shape.cadence;
  setup.fill = shape.fill;
  index_scale(shape.target, setup.lowest, setup.highest);
  return setup;
}

void index_scale(int ky, double& lowest, double& highest) {
  constexpr int kKp = 10, kAp = 12;
  lowest = -std::numeric_limits<double>::infinity();
  highest = std::numeric_limits<double>::infinity();
  if (ky == kKp) lowest = 0.0, highest = 90.0;
  if (ky == kAp) lowest = 2.0, highest = 400.0;
}

int last_base_row(const ForecastSetup& setup, int rows_read) {
  const int first = setup.first_base_row();
  if (rows_read < first) return 0;
  return first + (rows_read - first) / setup.cadence * setup.cadence;
}

void check_model_reach(const Model& model, const ForecastSetup& setup, int rows_read,
                       int table_rows) {
  const int first_base = setup.first_base_row();
  const int last_base = last_base_row(setup, rows_read);
  for (std::size_t j = 0; j < model.terms.size(); ++j) {
    const int line = static_cast<int>(j + 1);
    for (const Model::Factor& f : model.terms[j]) {
      if (f.input < 0 || f.input > kInputCount)
        throw formatted_message(R"((1X,"INVALID INPUT NUMBER IN MODEL AT LINE #",I4))", {line});
      if (f.input == 0) continue;
      if (setup.lead_step > 0 && f.lag < setup.lead_step - setup.lead_time)
        throw formatted_message(
            R"((1X,"LAG NEWER THAN ITS LEAD STEP ALLOWS IN MODEL AT LINE #",I4))", {line});
      if (last_base == 0) continue;
      // Rows read are b - lag for b in first_base..last_base.
      const long long lowest = static_cast<long long>(first_base) - f.lag;
      const long long highest = static_cast<long long>(last_base) - f.lag;
      if (lowest < 1 || highest > table_rows)
        throw formatted_message(R"((1X,"LAG OUT OF RANGE IN MODEL AT LINE #",I4))", {line});
    }
  }
}

EvaluationPlan::EvaluationPlan(const Model& model) {
  std::map<std::pair<int, int>, std::size_t> read_index;
  std::map<std::pair<std::size_t, int>, std::size_t> power_index;
  for (const Model::Term& term : model.terms) {
    for (const Model::Factor& f : term) {
      ++factor_count_;
      if (f.input == 0) continue;
      const auto read = read_index.emplace(std::make_pair(f.input, f.lag), reads_.size());
      if (read.second) reads_.push_back(Read{f.input, f.lag});
      const auto power =
          power_index.emplace(std::make_pair(read.first->second, f.power), powers_.size());
      if (power.second) powers_.push_back(Power{read.first->second, f.power});
      factor_powers_.push_back(power.first->second);
    }
    term_ends_.push_back(factor_powers_.size());
  }
  values_.resize(reads_.size());
  raised_.resize(powers_.size());
}

bool EvaluationPlan::products(const HourlyTable& table, const FillValues& fill, int base_row,
                              std::vector<double>& p) {
  for (std::size_t k = 0; k < reads_.size(); ++k) {
    const double x = table.at(reads_[k].input, base_row - reads_[k].lag);
    if (x == fill[static_cast<std::size_t>(reads_[k].input - 1)]) return false;
    values_[k] = x;
  }
  for (std::size_t k = 0; k < powers_.size(); ++k)
    raised_[k] = integer_power(values_[powers_[k].read], powers_[k].power);
  p.resize(term_ends_.size());
  std::size_t f = 0;
  for (std::size_t j = 0; j < term_ends_.size(); ++j) {
    double product = 1.0;
    for (; f < term_ends_[j]; ++f) product = product * raised_[factor_powers_[f]];
    p[j] = product;
  }
  return true;
}

bool term_products(const Model& model, const HourlyTable& table, const FillValues& fill,
                   int base_row, std::vector<double>& p, int& factor_count) {
  EvaluationPlan plan(model);
  factor_count += plan.factor_count();
  return plan.products(table, fill, base_row, p);
}

int covered_rows(const HourlyTable& table, int lead_time) {
  if (table.rows_read + lead_time > table.row_count)
    return std::max(table.row_count - lead_time, 0);
  return table.rows_read;
}

ForecastRows forecast(const Model& model, const ForecastSetup& setup, const HourlyTable& table) {
  check_setup(setup, model, table);
  const int table_rows = table.row_count;
  const int rows_covered = covered_rows(table, setup.lead_time);
  check_model_reach(model, setup, rows_covered, table_rows);

  const double target_fill = setup.fill[static_cast<std::size_t>(setup.target - 1)];
  const std::size_t rows = static_cast<std::size_t>(table_rows);
  ForecastRows out;
  out.rows_covered = rows_covered;
  out.y.assign(rows, 0.0);
  out.standard_error.assign(rows, 0.0);
  out.made.assign(rows, 0);
  const int n = model.term_count();
  std::vector<double> p;
  EvaluationPlan plan(model);

  for_each_stepped_row(setup.first_base_row(), rows_covered, setup.cadence, [&](int b) {
    const std::size_t f = static_cast<std::size_t>(b + setup.lead_time - 1);
    if (!plan.has_factors() || !plan.products(table, setup.fill, b, p)) {
      // A missing input, or a model without a single factor, gives no forecast.
      out.y[f] = target_fill;
      out.standard_error[f] = 0.0;
      return;
    }
    double y = 0.0;
    for (int j = 1; j <= n; ++j)
      y += model.coefficients[static_cast<std::size_t>(j - 1)] * p[static_cast<std::size_t>(j - 1)];
    out.y[f] = std::min(std::max(y, setup.lowest), setup.highest);
    out.made[f] = 1;
    if (!setup.standard_errors) return;
    double variance = 0.0;
    for (int j = 1; j <= n; ++j) {
      const double pj = p[static_cast<std::size_t>(j - 1)];
      for (int m = 1; m < j; ++m)
        variance += 2.0 * pj * p[static_cast<std::size_t>(m - 1)] * model.covariance(j, m);
      variance += pj * pj * model.covariance(j, j);
    }
    out.standard_error[f] = std::sqrt(std::fabs(variance));
  });

  for (int b = rows_covered + 1; b <= table_rows - setup.lead_time; ++b) {
    out.y[static_cast<std::size_t>(b + setup.lead_time - 1)] = target_fill;
    out.standard_error[static_cast<std::size_t>(b + setup.lead_time - 1)] = 0.0;
  }
  return out;
}

}  // namespace velk::forecast
