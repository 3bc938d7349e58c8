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
  if (setup.ky < 1 || setup.ky > kMainInputCount || setup.lt < 0 || setup.maxlag < 0 ||
      setup.step < 1)
    throw std::invalid_argument("forecast: target, lead time, lag or cadence out of range");
  const std::size_t n = model.c.size();
  // Without standard errors the matrix is not needed and may be left empty.
  const bool cov_matches =
      model.cov.size() == n * n || (!setup.standard_errors && model.cov.empty());
  if (model.terms.size() != n || !cov_matches)
    throw std::invalid_argument("forecast: model terms and covariance matrix do not match");
  if (table.nrec < 0 || table.nrec > table.nmax)
    throw std::invalid_argument("forecast: rows read exceed the table");
}

}  // namespace

ForecastSetup ForecastSetup::of(const Configuration& config, int maxlag) {
  ForecastSetup setup;
  setup.ky = config.KY;
  setup.lt = config.LT;
  setup.maxlag = maxlag;
  setup.step = config.DT[static_cast<std::size_t>(config.KY - 1)];
  setup.uf = config.UF;
  index_scale(config.KY, setup.lowest, setup.highest);
  return setup;
}

void index_scale(int ky, double& lowest, double& highest) {
  constexpr int kKp = 10, kAp = 12;
  lowest = -std::numeric_limits<double>::infinity();
  highest = std::numeric_limits<double>::infinity();
  if (ky == kKp) lowest = 0.0, highest = 90.0;
  if (ky == kAp) lowest = 2.0, highest = 400.0;
}

int last_base_row(const ForecastSetup& setup, int nrec) {
  const int first = setup.maxlag + 1;
  if (nrec < first) return 0;
  return first + (nrec - first) / setup.step * setup.step;
}

void check_model_reach(const Model& model, const ForecastSetup& setup, int nrec, int nmax) {
  const int first_base = setup.maxlag + 1;
  const int last_base = last_base_row(setup, nrec);
  for (std::size_t j = 0; j < model.terms.size(); ++j) {
    const int line = static_cast<int>(j + 1);
    for (const Model::Factor& f : model.terms[j]) {
      if (f.input < 0 || f.input > kInputCount)
        throw formatted_message(R"((1X,"INVALID INPUT NUMBER IN MODEL AT LINE #",I4))", {line});
      if (f.input == 0) continue;
      if (setup.lead_step > 0 && f.lag < setup.lead_step - setup.lt)
        throw formatted_message(
            R"((1X,"LAG NEWER THAN ITS LEAD STEP ALLOWS IN MODEL AT LINE #",I4))", {line});
      if (last_base == 0) continue;
      // Rows read are b - lag for b in first_base..last_base.
      const long long lowest = static_cast<long long>(first_base) - f.lag;
      const long long highest = static_cast<long long>(last_base) - f.lag;
      if (lowest < 1 || highest > nmax)
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

bool EvaluationPlan::products(const HourlyTable& table, const FillValues& uf, int base_row,
                              std::vector<double>& p) {
  for (std::size_t k = 0; k < reads_.size(); ++k) {
    const double x = table.at(reads_[k].input, base_row - reads_[k].lag);
    if (x == uf[static_cast<std::size_t>(reads_[k].input - 1)]) return false;
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

bool term_products(const Model& model, const HourlyTable& table, const FillValues& uf, int base_row,
                   std::vector<double>& p, int& factor_count) {
  EvaluationPlan plan(model);
  factor_count += plan.factor_count();
  return plan.products(table, uf, base_row, p);
}

ForecastRows forecast(const Model& model, const ForecastSetup& setup, HourlyTable& table) {
  check_setup(setup, model, table);
  const int nmax = table.nmax;
  if (table.nrec + setup.lt > nmax) table.nrec = std::max(nmax - setup.lt, 0);
  check_model_reach(model, setup, table.nrec, nmax);

  const double target_fill = setup.uf[static_cast<std::size_t>(setup.ky - 1)];
  const std::size_t rows = static_cast<std::size_t>(nmax);
  ForecastRows out;
  out.y.assign(rows, 0.0);
  out.dym.assign(rows, 0.0);
  out.made.assign(rows, 0);
  const int n = model.nterm();
  std::vector<double> p;
  EvaluationPlan plan(model);

  for_each_stepped_row(setup.maxlag + 1, table.nrec, setup.step, [&](int b) {
    const std::size_t f = static_cast<std::size_t>(b + setup.lt - 1);
    if (!plan.has_factors() || !plan.products(table, setup.uf, b, p)) {
      // A missing input, or a model without a single factor, gives no forecast.
      out.y[f] = target_fill;
      out.dym[f] = 0.0;
      return;
    }
    double y = 0.0;
    for (int j = 1; j <= n; ++j)
      y += model.c[static_cast<std::size_t>(j - 1)] * p[static_cast<std::size_t>(j - 1)];
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
    out.dym[f] = std::sqrt(std::fabs(variance));
  });

  for (int b = table.nrec + 1; b <= nmax - setup.lt; ++b) {
    out.y[static_cast<std::size_t>(b + setup.lt - 1)] = target_fill;
    out.dym[static_cast<std::size_t>(b + setup.lt - 1)] = 0.0;
  }
  return out;
}

}  // namespace velk::forecast
