// The formulas on small hand-worked samples, the sample's rows, and the
// samples where a formula is undefined. (The synthetic_hand_computed end-to-end
// case checks them once more through the whole program.)
#include "forecast/model/scores.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <tuple>
#include <vector>

namespace velk::forecast {
namespace {

constexpr double kFill = 9999.0;

// Dst (input 11) observations of rows 1.. and the forecast of each row.
Scores score(const std::vector<double>& observed, const std::vector<double>& forecast, int nrec,
             int lt, int step) {
  HourlyTable table(static_cast<int>(observed.size()));
  table.rows_read = nrec;
  for (std::size_t t = 0; t < observed.size(); ++t)
    table.at(11, static_cast<int>(t + 1)) = observed[t];
  ScoreSetup setup;
  setup.target = 11;
  setup.target_fill = kFill;
  setup.lead_time = lt;
  setup.cadence = step;
  setup.rows_covered = nrec;
  return score_model(setup, table, forecast);
}

// Guards against the sample walk overflowing an int when DT(KY) is as large
// as the configuration can hold: the sample is row 4 alone. (Persistence and
// the sample rows of ordinary cadences are compared by the end-to-end cases.)
TEST(Scores, CadenceAsLargeAsAnIntScoresOneRow) {
  const Scores r = score({0, 0, 1, 2, 0, 3}, {0, 0, 0, 2, 0, 0}, 5, 3, INT_MAX);
  EXPECT_EQ(r.e_f, 0.0);
  EXPECT_EQ(r.e_p, 1.0);
}

// The first rows guard the formulas themselves, worked by hand on rows 2..6
// (lead step 1, so persistence is the row before); the others guard against
// NaN or infinity in the metadata: a score whose formula would divide by zero
// keeps its default.
TEST(Scores, HandWorkedSamplesAndUndefinedScores) {
  const double d = Scores::kNoEfficiency;
  // Cadence, observations, forecasts and the seven scores in metadata order;
  // NAN marks a score that is defined (checked finite only).
  const std::tuple<int, std::vector<double>, std::vector<double>, std::array<double, 7>> cases[] = {
      // o = 0 2 4 6 8 (mean 4, variance 8); persistence o - 2 throughout:
      // MSE_P 4, r_P 1. Forecast 1 2 3 6 8: errors 1 0 -1 0 0, MSE_F 0.4;
      // deviations -3 -2 -1 2 4 against -4 -2 0 2 4: cross 36, sums of
      // squares 34 and 40.
      {1,
       {-2, 0, 2, 4, 6, 8},
       {0, 1, 2, 3, 6, 8},
       {std::sqrt(0.4), 2, 0.95, 0.5, 36 / std::sqrt(1360.0), 1, 0.9}},
      // Missing values: each mean and sum of squares takes every valid value
      // of its own series, the errors and cross sums only the rows where both
      // are valid. o = 3 . 5 7 . (mean 5, ss 8, variance 8/3); persistence
      // 1 3 . 5 7 (mean 4, ss 20), paired on rows 2 and 5: errors -2 -2,
      // cross 6 + 2. Forecast 4 6 4 7 9 (mean 6, ss 18), paired on rows 2 4 5:
      // errors 1 -1 0, MSE_F 2/3, cross 4 + 0 + 2.
      {1,
       {1, 3, kFill, 5, 7, kFill},
       {0, 4, 6, 4, 7, 9},
       {std::sqrt(2.0 / 3.0), 2, 0.75, -0.5, 0.5, 8 / std::sqrt(160.0), 5.0 / 6.0}},
      // no valid forecast
      {1, {1, 2, 4, 3, 5, 6}, {0, kFill, kFill, kFill, kFill, kFill}, {0, NAN, d, NAN, 0, NAN, d}},
      // no valid persistence: with cadence 2 and lead step 1 all are odd rows
      {2, {kFill, 2, kFill, 3, kFill, 7}, {0, 2, 0, 4, 0, 6}, {NAN, 0, NAN, d, NAN, 0, d}},
      // no valid observation
      {1, {1, kFill, kFill, kFill, kFill, kFill}, {0, 1, 2, 3, 4, 5}, {0, 0, d, d, 0, 0, d}},
      // forecasts only where observations are missing
      {1, {1, 2, kFill, 3, kFill, 7}, {0, kFill, 5, kFill, 6, kFill}, {0, NAN, d, NAN, 0, NAN, d}},
      // constant observations 2 2 2 on rows 2 4 6, persistence 1 5 7
      {2, {1, 2, 5, 2, 7, 2}, {0, 1, 0, 3, 0, 4}, {NAN, NAN, d, d, 0, 0, NAN}},
      // perfect persistence: observations 1 4 6 repeat the hour before them
      {2, {1, 1, 4, 4, 6, 6}, {0, 2, 0, 4, 0, 6}, {NAN, 0, NAN, 1, NAN, NAN, d}},
  };
  for (const auto& [step, observed, forecast, want] : cases) {
    const Scores r = score(observed, forecast, 5, 1, step);
    const double got[] = {r.e_f, r.e_p, r.pe_f, r.pe_p, r.r_f, r.r_p, r.skill};
    for (std::size_t k = 0; k < 7; ++k) {
      EXPECT_TRUE(std::isfinite(got[k]))
          << "observed " << ::testing::PrintToString(observed) << " score " << k;
      if (!std::isnan(want[k])) {
        EXPECT_NEAR(got[k], want[k], 1e-12)
            << "observed " << ::testing::PrintToString(observed) << " score " << k;
      }
    }
  }
}

}  // namespace
}  // namespace velk::forecast
