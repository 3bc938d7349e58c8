#include "forecast/model/scores.h"

#include <algorithm>
#include <cmath>

#include "forecast/model/row_steps.h"

namespace velk::forecast {
namespace {

// Running sums of one quantity (forecast or persistence) and of its pairs with
// the observation.
struct Sums {
  int n = 0;         // valid values
  double sum = 0.0;  // of the valid values
  int n_pairs = 0;   // rows where the value and the observation are valid
  double squared_error = 0.0;
  double mean = 0.0;
  double ss = 0.0;  // sum of squared deviations from the mean
  double cross = 0.0;

  void add(double value, bool valid, double observation, bool observation_valid) {
    if (!valid) return;
    ++n;
    sum += value;
    if (observation_valid) {
      ++n_pairs;
      squared_error += (value - observation) * (value - observation);
    }
  }
};

}  // namespace

ScoreSetup ScoreSetup::of(const RunShape& shape, int lead_step, int rows_covered) {
  ScoreSetup setup;
  setup.lead_step = lead_step;
  setup.target = shape.target;
  setup.target_fill = shape.target_fill();
  setup.lead_time = shape.lead_time;
  setup.max_lag = shape.max_lag;
  setup.cadence = shape.cadence;
  setup.rows_covered = rows_covered;
  return setup;
}

Scores score_model(const ScoreSetup& setup, const HourlyTable& table,
                   const std::vector<double>& y) {
  const int i = setup.lead_step;
  const int first = setup.lead_time + setup.max_lag + 1;
  const int last = std::min({setup.rows_covered + i, table.row_count, static_cast<int>(y.size())});
  const double fill = setup.target_fill;
  const auto rows = [&](auto visit) {
    for_each_stepped_row(std::max(first, i + 1), last, setup.cadence, [&](int t) {
      const double o = table.at(setup.target, t);
      const double p = table.at(setup.target, t - i);
      const double f = y[static_cast<std::size_t>(t - 1)];
      visit(o, o != fill, p, p != fill, f, f != fill);
    });
  };

  int n_o = 0;
  double sum_o = 0.0;
  Sums fc, ps;
  rows([&](double o, bool o_ok, double p, bool p_ok, double f, bool f_ok) {
    if (o_ok) {
      ++n_o;
      sum_o += o;
    }
    ps.add(p, p_ok, o, o_ok);
    fc.add(f, f_ok, o, o_ok);
  });

  const double mean_o = n_o != 0 ? sum_o / n_o : 0.0;
  if (fc.n != 0) fc.mean = fc.sum / fc.n;
  if (ps.n != 0) ps.mean = ps.sum / ps.n;

  double ss_o = 0.0;
  rows([&](double o, bool o_ok, double p, bool p_ok, double f, bool f_ok) {
    if (o_ok) ss_o += (o - mean_o) * (o - mean_o);
    if (p_ok) ps.ss += (p - ps.mean) * (p - ps.mean);
    if (o_ok && p_ok) ps.cross += (o - mean_o) * (p - ps.mean);
    if (f_ok) fc.ss += (f - fc.mean) * (f - fc.mean);
    if (o_ok && f_ok) fc.cross += (o - mean_o) * (f - fc.mean);
  });

  // Each score keeps its default whenever its formula would divide by zero.
  Scores s;
  const double v_o = n_o != 0 ? ss_o / n_o : 0.0;
  const double mse_f = fc.n_pairs != 0 ? fc.squared_error / fc.n_pairs : 0.0;
  const double mse_p = ps.n_pairs != 0 ? ps.squared_error / ps.n_pairs : 0.0;
  if (ss_o > 0.0 && ps.ss > 0.0) s.r_p = ps.cross / std::sqrt(ss_o) / std::sqrt(ps.ss);
  if (ss_o > 0.0 && fc.ss > 0.0) s.r_f = fc.cross / std::sqrt(ss_o) / std::sqrt(fc.ss);
  if (v_o > 0.0 && ps.n_pairs != 0) s.pe_p = 1.0 - mse_p / v_o;
  if (v_o > 0.0 && fc.n_pairs != 0) s.pe_f = 1.0 - mse_f / v_o;
  if (fc.n_pairs != 0 && ps.n_pairs != 0 && mse_p > 0.0) s.skill = 1.0 - mse_f / mse_p;
  if (fc.n_pairs != 0) s.e_f = std::sqrt(mse_f);
  if (ps.n_pairs != 0) s.e_p = std::sqrt(mse_p);
  return s;
}

}  // namespace velk::forecast
