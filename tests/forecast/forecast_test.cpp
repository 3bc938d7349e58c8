#include "forecast/model/forecast.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <tuple>

#include "tests/forecast/test_support.h"

namespace velk::forecast {
namespace {

constexpr double kFill = 9999.0;

// A table of `nmax` rows with `nrec` read: Dst (input 11) of row t is 10 t,
// Bt (input 1) is t / 2.
HourlyTable dst_table(int nmax, int nrec) {
  HourlyTable table(nmax);
  table.rows_read = nrec;
  for (int t = 1; t <= nmax; ++t) {
    table.at(11, t) = t <= nrec ? 10.0 * t : kFill;
    table.at(1, t) = 0.5 * t;
  }
  return table;
}

ForecastSetup dst_setup(int lt, int maxlag, int step = 1) {
  ForecastSetup setup{11, lt, maxlag, step};
  setup.fill.fill(-999.9);
  setup.fill[10] = kFill;
  return setup;
}

Model make_model(const std::vector<double>& c, std::vector<Model::Term> terms) {
  return {c, std::move(terms), std::vector<double>(c.size() * c.size(), 0.0)};
}

TEST(Forecast, TargetRowsGetTheSumAndTheStandardErrorFromTheLowerTriangle) {
  HourlyTable table = dst_table(10, 6);
  table.at(11, 3) = kFill;  // missing: the forecast from base row 4 is the fill value
  // y = 2 + 0.5 Dst(b - 1); the upper triangle (1000) must not enter.
  Model model = make_model({2.0, 0.5}, {{}, {{11, 1, 1}}});
  model.covariance_matrix = {4.0, 1000.0, 1.0, 9.0};
  const ForecastRows rows = forecast(model, dst_setup(2, 1), table);
  EXPECT_EQ(rows.y, (std::vector<double>{0, 0, 0, 7, 12, kFill, 22, 27, kFill, kFill}));
  // 4 + 2 x 1 x 1 + 9 x^2 with x = Dst(b - 1)
  EXPECT_EQ(rows.standard_error,
            (std::vector<double>{0, 0, 0, std::sqrt(924.0), std::sqrt(3644.0), 0,
                                 std::sqrt(14484.0), std::sqrt(22604.0), 0, 0}));
  EXPECT_EQ(rows.rows_covered, 6);
  EXPECT_EQ(table.rows_read, 6);
}

TEST(Forecast, FactorsPowersLagsAndFillValues) {
  const Model dst_now = make_model({1}, {{{11, 0, 1}}});
  // Model; NMAX, NREC, LT, MAXLAG and DT(KY); forecasts.
  const std::tuple<Model, std::array<int, 5>, std::vector<double>> cases[] = {
      // No factor at all, then terms without factors: the fill value; input 0 counts as a factor.
      {make_model({}, {}), {6, 4, 1, 0, 1}, {0, kFill, kFill, kFill, kFill, kFill}},
      {make_model({3, 4}, {{}, {}}), {6, 4, 1, 0, 1}, {0, kFill, kFill, kFill, kFill, kFill}},
      {make_model({3, 4}, {{}, {{0, 0, 7}}}), {6, 4, 1, 0, 1}, {0, 7, 7, 7, 7, kFill}},
      // Bt under power 3, four rows ahead (from base row 6 that is row 10, the
      // table's last) and under power 0.
      {make_model({1, 1, 1}, {{{1, 0, 3}}, {{1, -4, 1}}, {{1, 1, 0}}}),
       {10, 6, 2, 2, 1},
       {0, 0, 0, 0, 1.5 * 1.5 * 1.5 + 4.5, 13, 2.5 * 2.5 * 2.5 + 5.5, 33, kFill, kFill}},
      // Guards against the base-row walk overflowing an int when DT(KY) is as
      // large as the configuration can hold: only the first base row is evaluated.
      {dst_now, {8, 6, 1, 2, INT_MAX}, {0, 0, 0, 30, 0, 0, 0, kFill}},
      // The forecasts would leave the table: it covers the rows read up to
      // its last row less the lead time.
      {dst_now, {10, 10, 2, 0, 1}, {0, 0, 10, 20, 30, 40, 50, 60, 70, 80}},
  };
  for (const auto& [model, shape, y] : cases) {
    const auto [nmax, nrec, lt, maxlag, step] = shape;
    HourlyTable table = dst_table(nmax, nrec);
    const ForecastRows rows = forecast(model, dst_setup(lt, maxlag, step), table);
    EXPECT_EQ(rows.y, y) << nmax << " " << nrec;
    // Fault guarded: the count covered changed the table behind the caller's
    // back, and the scoring after it depended on that unseen.
    EXPECT_EQ(rows.rows_covered, std::min(nrec, nmax - lt)) << nmax << " " << nrec;
    EXPECT_EQ(table.rows_read, nrec) << nmax << " " << nrec;
  }
}

TEST(Forecast, AFillValueStopsTheTermProductsEvenUnderPowerZero) {
  HourlyTable table = dst_table(6, 4);
  table.at(1, 2) = -999.9;
  const ForecastRows rows = forecast(make_model({1}, {{{1, 0, 0}}}), dst_setup(1, 0), table);
  EXPECT_EQ(rows.y, (std::vector<double>{0, 1, kFill, 1, 1, kFill}));

  const Model model = make_model({1, 1}, {{{11, 0, -2}}, {{11, 1, 1}, {0, 0, 0}}});
  std::vector<double> p;
  int factors = 0;
  ASSERT_TRUE(term_products(model, table, dst_setup(0, 0).fill, 3, p, factors));
  EXPECT_EQ(p, (std::vector<double>{1.0 / 900.0, 20.0}));
  EXPECT_EQ(factors, 3);
  table.at(11, 2) = kFill;
  EXPECT_FALSE(term_products(model, table, dst_setup(0, 0).fill, 3, p, factors));
}

// Guards against reading outside the table: a factor whose input number or
// lag leaves the table is rejected before any row is evaluated. Input 17 and a
// lag above MAXLAG are end-to-end cases. Also guards against a lead step's
// model reading rows newer than target - step, which a forecast made that
// many rows ahead cannot know (lead step 0: no such rule).
TEST(Forecast, FactorsReachingOutsideTheTableAreRejected) {
  const std::tuple<Model::Factor, int, const char*> cases[] = {
      {{-1, 0, 1}, 0, " INVALID INPUT NUMBER IN MODEL AT LINE #   2\n"},
      {{11, -5, 1}, 0, " LAG OUT OF RANGE IN MODEL AT LINE #   2\n"},  // past the table's end
      {{11, 2, 1}, 0, ""},                                             // equal to MAXLAG
      {{11, -4, 1}, 0, ""},                                            // reaching the last row
      {{0, 900, 1}, 0, ""},                                            // input 0, any lag
      {{11, -1, 1}, 1, ""},  // lead step 1 of LT 2: the row before the target
      {{11, -2, 1}, 1, " LAG NEWER THAN ITS LEAD STEP ALLOWS IN MODEL AT LINE #   2\n"},
      {{11, -1, 1}, 2, " LAG NEWER THAN ITS LEAD STEP ALLOWS IN MODEL AT LINE #   2\n"},
      {{11, 0, 1}, 2, ""},  // lags from 0 on suit every lead step
  };
  for (const auto& [factor, lead_step, message] : cases) {
    HourlyTable table = dst_table(10, 6);
    const Model model = make_model({1, 1}, {{{1, 0, 1}}, {factor}});
    ForecastSetup setup = dst_setup(2, 2);
    setup.lead_step = lead_step;
    EXPECT_EQ(testing::run_end_of([&] { forecast(model, setup, table); }), message)
        << factor.input << " " << factor.lag << " step " << lead_step;
  }
}

}  // namespace
}  // namespace velk::forecast
