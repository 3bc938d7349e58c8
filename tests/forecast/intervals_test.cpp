#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "forecast/model/forecast.h"
#include "forecast/model/intervals.h"
#include "forecast/run/json_product.h"

namespace velk::forecast {
namespace {

constexpr double kDstFill = 9999.0;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Dst (input 11) observed 0 in rows 1..30, missing in row 20; rows 1..25 read.
HourlyTable residual_table() {
  HourlyTable table(30);
  table.rows_read = 25;
  for (int t = 1; t <= table.row_count; ++t) table.at(11, t) = t == 20 ? kDstFill : 0.0;
  return table;
}

// Forecasts 1 off up to row 15, 3 off after it.
std::vector<double> residual_forecasts() {
  std::vector<double> y(30);
  for (int t = 1; t <= 30; ++t) y[static_cast<std::size_t>(t - 1)] = t <= 15 ? 1.0 : 3.0;
  return y;
}

ScoreSetup dst_scoring(int lead_step) {
  ScoreSetup setup;
  setup.lead_step = lead_step;
  setup.target = 11;
  setup.target_fill = kDstFill;
  setup.lead_time = 1;
  setup.rows_covered = 25;  // those read of residual_table()
  return setup;
}

TEST(Intervals, ResidualErrorReadsOnlyTheObservationsKnownAtTheBaseHour) {
  const HourlyTable table = residual_table();
  // Lead step, row, residual error over a 12-hour window.
  const std::tuple<int, int, double> cases[] = {
      // Rows 2..10: nine residuals, one fewer than an interval needs.
      {1, 11, kNaN},
      {1, 12, 1.0},
      // Fault guarded: the row's own observation, unknown when the forecast
      // is made, entering its error (rows 4..15 are all 1 off).
      {1, 16, 1.0},
      {1, 17, std::sqrt(20.0 / 12)},
      // Fault guarded: a missing observation (row 20) scored as a residual.
      {1, 23, std::sqrt(59.0 / 11)},
      // Lead step 2 knows one row less: rows 4..15 for row 17.
      {2, 17, 1.0},
      // Fault guarded: rows past those read (26..30) taken for observations.
      {1, 30, kNaN},
  };
  for (const auto& [lead, row, expected] : cases) {
    const std::vector<double> error =
        trailing_residual_error(dst_scoring(lead), table, residual_forecasts(), 12);
    const double got = error[static_cast<std::size_t>(row - 1)];
    if (std::isnan(expected))
      EXPECT_TRUE(std::isnan(got)) << lead << " " << row << ": " << got;
    else
      EXPECT_DOUBLE_EQ(got, expected) << lead << " " << row;
  }
}

TEST(Intervals, EachRowTakesTheErrorsOfTheModelThatMadeIt) {
  const HourlyTable table = residual_table();
  std::vector<double> exact(30, 0.0), off = residual_forecasts();
  // Row 13 made by model 0 (residual error 1), row 14 by model 1 (residual
  // error 0) with a standard error of 3, row 15 by none.
  std::vector<int> model(30, 0);
  model[13] = 1;
  model[14] = -1;
  std::vector<double> standard_error(30, 0.0);
  standard_error[12] = 3.0;
  standard_error[13] = 3.0;
  const std::vector<double> error =
      forecast_errors(dst_scoring(1), table, standard_error, model, {off, exact});
  // Fault guarded: a fallback's row given the model's residual error.
  EXPECT_DOUBLE_EQ(error[12], std::sqrt(10.0));
  EXPECT_DOUBLE_EQ(error[13], 3.0);
  EXPECT_TRUE(std::isnan(error[14]));
}

TEST(Intervals, StayWithinTheIndexsScale) {
  // y, error, half-width, target input; lower and upper end.
  const std::tuple<double, double, double, int, double, double> cases[] = {
      {5, 10, 1.96, 10, 0, 24.6},        // Kp below 0o
      {88, 5, 1.96, 10, 78.2, 90},       // Kp above 9o
      {45, 1000, 1.96, 10, 0, 90},       // the whole scale, never past it
      {3, 10, 1.96, 12, 2, 22.6},        // ap below its lowest step: 0 reads as no value
      {390, 20, 0.85, 12, 373, 400},     // ap above 400
      {-300, 50, 1.96, 11, -398, -202},  // Dst has no end to its scale
  };
  for (const auto& [y, error, half_width, ky, lower, upper] : cases) {
    double lowest = 0, highest = 0;
    index_scale(ky, lowest, highest);
    const Interval interval = central_interval(y, error, half_width, lowest, highest);
    EXPECT_DOUBLE_EQ(interval.lower, lower) << ky << " " << y;
    EXPECT_DOUBLE_EQ(interval.upper, upper) << ky << " " << y;
  }
}

// Faults guarded: "nan", "inf" or an exponent, which readers of JSON refuse or
// read differently; "-0" for a forecast that rounds to zero.
TEST(JsonProduct, NumbersAreFixedPointAndNeverNegativeZero) {
  const std::pair<double, const char*> cases[] = {
      {1.5, "1.5"},   {100.0, "100"},   {-12.34567, "-12.346"},          {-0.0001, "0"},
      {-0.0, "0"},    {9999.0, "9999"}, {1e20, "100000000000000000000"}, {kNaN, "null"},
      {kInf, "null"}, {-kInf, "null"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(json_number(value), text) << value;
}

}  // namespace
}  // namespace velk::forecast
