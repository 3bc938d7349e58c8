#include "forecast/forecast.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>

#include "forecast/run_end.h"

namespace velk {
namespace {

constexpr double kDstFill = 9999.0;

FillValues fills() {
  FillValues uf;
  uf.fill(-999.9);
  uf[10] = kDstFill;  // input 11
  uf[15] = 9.0;       // input 16
  return uf;
}

// A table of `nmax` rows with `nrec` read; Dst (input 11) of row t is 10 t.
HourlyTable dst_table(int nmax, int nrec) {
  HourlyTable table(nmax);
  table.nrec = nrec;
  for (int t = 1; t <= nmax; ++t) {
    table.at(11, t) = t <= nrec ? 10.0 * t : kDstFill;
    table.at(1, t) = 0.5 * t;
  }
  return table;
}

Model make_model(std::vector<double> c, std::vector<Model::Term> terms, std::vector<double> cov) {
  Model model;
  model.c = std::move(c);
  model.terms = std::move(terms);
  model.cov = std::move(cov);
  return model;
}

ForecastSetup dst_setup(int lt, int maxlag, int step = 1) {
  ForecastSetup setup;
  setup.ky = 11;
  setup.lt = lt;
  setup.maxlag = maxlag;
  setup.step = step;
  setup.uf = fills();
  return setup;
}

std::string message_of(const std::function<void()>& action) {
  try {
    action();
  } catch (const RunEnd& end) {
    EXPECT_EQ(end.kind(), RunEnd::Kind::kMessage);
    return end.text();
  }
  return "no message";
}

TEST(Forecast, TargetRowsGetTheSumAndTheStandardErrorFromTheLowerTriangle) {
  HourlyTable table = dst_table(10, 6);
  table.at(11, 3) = kDstFill;  // missing: the forecast from base row 4 is the fill value
  // y = 2 + 0.5 Dst(b - 1); the upper triangle (1000) must not enter.
  const Model model = make_model({2.0, 0.5}, {{}, {{11, 1, 1}}}, {4.0, 1000.0, 1.0, 9.0});
  const ForecastRows rows = forecast(model, dst_setup(2, 1), table);

  const double expected_y[] = {0, 0, 0, 7, 12, kDstFill, 22, 27, kDstFill, kDstFill};
  // 4 + 2 x 1 x 1 + 9 x^2 with x = Dst(b - 1)
  const double expected_dym[] = {
      0, 0, 0, std::sqrt(924.0), std::sqrt(3644.0), 0, std::sqrt(14484.0), std::sqrt(22604.0),
      0, 0};
  for (int t = 1; t <= 10; ++t) {
    EXPECT_EQ(rows.y[t - 1], expected_y[t - 1]) << "row " << t;
    EXPECT_EQ(rows.dym[t - 1], expected_dym[t - 1]) << "row " << t;
  }
  EXPECT_EQ(table.nrec, 6);
}

TEST(Forecast, ModelsWithoutFactorsGiveTheFillValueButInputZeroCountsAsAFactor) {
  const struct Case {
    const char* name;
    Model model;
    double expected;
  } cases[] = {
      {"empty model", make_model({}, {}, {}), kDstFill},
      {"terms without factors", make_model({3.0, 4.0}, {{}, {}}, {1, 0, 0, 1}), kDstFill},
      {"input number 0", make_model({3.0, 4.0}, {{}, {{0, 0, 7}}}, {1, 0, 0, 1}), 7.0},
  };
  for (const Case& c : cases) {
    HourlyTable table = dst_table(6, 4);
    const ForecastRows rows = forecast(c.model, dst_setup(1, 0), table);
    for (int t = 2; t <= 5; ++t) EXPECT_EQ(rows.y[t - 1], c.expected) << c.name << " row " << t;
    EXPECT_EQ(rows.y[0], 0.0) << c.name;
    EXPECT_EQ(rows.y[5], kDstFill) << c.name;  // after NREC + LT
  }
}

TEST(Forecast, CadenceThreeFillsEveryThirdRowOnly) {
  HourlyTable table = dst_table(24, 14);
  const Model model = make_model({1.0}, {{{11, 0, 1}}}, {0.0});
  const ForecastRows rows = forecast(model, dst_setup(3, 2, 3), table);
  // Base rows 3, 6, 9, 12; targets 6, 9, 12, 15; rows after 17 hold the fill value.
  for (int t = 1; t <= 24; ++t) {
    double expected = 0.0;
    if (t >= 6 && t <= 15 && t % 3 == 0) expected = 10.0 * (t - 3);
    if (t > 17) expected = kDstFill;
    EXPECT_EQ(rows.y[t - 1], expected) << "row " << t;
  }
}

// Guards against the base-row walk overflowing an int when DT(KY) is as large
// as the configuration can hold: only the first base row is evaluated.
TEST(Forecast, CadenceAsLargeAsAnIntEvaluatesOneBaseRow) {
  HourlyTable table = dst_table(8, 6);
  const Model model = make_model({1.0}, {{{11, 0, 1}}}, {0.0});
  const ForecastRows rows = forecast(model, dst_setup(1, 2, INT_MAX), table);
  EXPECT_EQ(rows.y, (std::vector<double>{0, 0, 0, 30, 0, 0, 0, kDstFill}));
}

TEST(Forecast, PowersAndLagsWithinTheTable) {
  HourlyTable table = dst_table(10, 6);
  // Bt (input 1) of row t is t / 2. Lag -4 reads four rows ahead: from the last
  // base row 6 that is row 10, the table's last.
  const Model model = make_model({1.0, 1.0, 1.0}, {{{1, 0, 3}}, {{1, -4, 1}}, {{1, 1, 0}}},
                                 std::vector<double>(9, 0.0));
  const ForecastRows rows = forecast(model, dst_setup(2, 2), table);
  for (int b = 3; b <= 6; ++b) {
    const double x = 0.5 * b;
    EXPECT_EQ(rows.y[b + 1], x * x * x + 0.5 * (b + 4) + 1.0) << "base row " << b;
  }
}

TEST(Forecast, AFillValueUnderPowerZeroStillMarksTheRowMissing) {
  HourlyTable table = dst_table(6, 4);
  table.at(1, 2) = -999.9;
  const Model model = make_model({1.0}, {{{1, 0, 0}}}, {0.0});
  const ForecastRows rows = forecast(model, dst_setup(1, 0), table);
  EXPECT_EQ(rows.y[1], 1.0);       // base row 1
  EXPECT_EQ(rows.y[2], kDstFill);  // base row 2 reads the fill value
  EXPECT_EQ(rows.y[3], 1.0);
}

TEST(Forecast, TermProductsApplyNegativePowersAndStopAtAMissingValue) {
  HourlyTable table = dst_table(6, 4);
  const Model model =
      make_model({1.0, 1.0}, {{{11, 0, -2}}, {{11, 1, 1}, {0, 0, 0}}}, std::vector<double>(4, 0.0));
  std::vector<double> p;
  int factors = 0;
  ASSERT_TRUE(term_products(model, table, fills(), 3, p, factors));
  EXPECT_EQ(p[0], 1.0 / 900.0);
  EXPECT_EQ(p[1], 20.0);
  EXPECT_EQ(factors, 3);
  table.at(11, 2) = kDstFill;
  EXPECT_FALSE(term_products(model, table, fills(), 3, p, factors));
}

// Guards against reading outside the table: a factor whose input number or
// lag leaves the table is rejected before any row is evaluated.
TEST(Forecast, FactorsReachingOutsideTheTableAreRejected) {
  const struct Case {
    const char* name;
    Model::Factor factor;
    const char* message;  // empty: accepted
  } cases[] = {
      {"input 17", {17, 0, 1}, " INVALID INPUT NUMBER IN MODEL AT LINE #   2\n"},
      {"input -1", {-1, 0, 1}, " INVALID INPUT NUMBER IN MODEL AT LINE #   2\n"},
      {"lag above MAXLAG", {11, 3, 1}, " LAG OUT OF RANGE IN MODEL AT LINE #   2\n"},
      {"lag past the table's end", {11, -5, 1}, " LAG OUT OF RANGE IN MODEL AT LINE #   2\n"},
      {"lag equal to MAXLAG", {11, 2, 1}, ""},
      {"negative lag reaching the last row", {11, -4, 1}, ""},
      {"input 0 with any lag", {0, 900, 1}, ""},
  };
  for (const Case& c : cases) {
    HourlyTable table = dst_table(10, 6);
    const Model model = make_model({1.0, 1.0}, {{{1, 0, 1}}, {c.factor}}, {0, 0, 0, 0});
    if (*c.message == '\0') {
      EXPECT_NO_THROW(forecast(model, dst_setup(2, 2), table)) << c.name;
    } else {
      EXPECT_EQ(message_of([&] { forecast(model, dst_setup(2, 2), table); }), c.message) << c.name;
    }
  }
}

TEST(Forecast, RowsReadAreLoweredSoThatEveryForecastLandsInTheTable) {
  HourlyTable table = dst_table(10, 10);
  const Model model = make_model({1.0}, {{{11, 0, 1}}}, {0.0});
  const ForecastRows rows = forecast(model, dst_setup(2, 0), table);
  EXPECT_EQ(table.nrec, 8);
  EXPECT_EQ(rows.y[9], 80.0);  // from base row 8, the last one
}

}  // namespace
}  // namespace velk
