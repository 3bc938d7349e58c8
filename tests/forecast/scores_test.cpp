#include "forecast/scores.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

namespace velk {
namespace {

constexpr double kFill = 9999.0;

struct Sample {
  HourlyTable table;
  std::vector<double> y;
};

// Dst (input 11) observations of rows 1.. and the forecast of each row.
Sample sample(const std::vector<double>& observed, const std::vector<double>& forecast, int nrec) {
  Sample s{HourlyTable(static_cast<int>(observed.size())), forecast};
  s.table.nrec = nrec;
  for (std::size_t t = 0; t < observed.size(); ++t)
    s.table.at(11, static_cast<int>(t + 1)) = observed[t];
  return s;
}

ScoreSetup setup(int lead_step, int lt, int maxlag, int step) {
  ScoreSetup s;
  s.lead_step = lead_step;
  s.ky = 11;
  s.uf_ky = kFill;
  s.lt = lt;
  s.maxlag = maxlag;
  s.step = step;
  return s;
}

TEST(Scores, HandComputedSample) {
  // Sample rows 2..6 (NREC + 1); row 6 is a continuation row without observation.
  const Sample s = sample({1, 2, 4, 3, 5, kFill}, {0, 2.5, 3.5, 3, 4, 6}, 5);
  const Scores r = score_model(setup(1, 1, 0, 1), s.table, s.y);
  // Observations 2 4 3 5 (mean 3.5, SS 5); persistence 1 2 4 3 5 (mean 3, SS 10);
  // forecasts 2.5 3.5 3 4 6 (mean 3.8, SS 7.3).
  EXPECT_NEAR(r.e_f, std::sqrt(1.5 / 4), 1e-15);
  EXPECT_NEAR(r.e_p, std::sqrt(10.0 / 4), 1e-15);
  EXPECT_NEAR(r.pe_f, 1 - 0.375 / 1.25, 1e-15);
  EXPECT_NEAR(r.pe_p, 1 - 2.5 / 1.25, 1e-15);
  EXPECT_NEAR(r.r_f, 2.5 / std::sqrt(5.0) / std::sqrt(7.3), 1e-15);
  EXPECT_NEAR(r.r_p, 2.0 / std::sqrt(5.0) / std::sqrt(10.0), 1e-15);
  EXPECT_NEAR(r.skill, 1 - 0.375 / 2.5, 1e-15);
}

TEST(Scores, LeadStepSetsPersistenceLagAndSampleEnd) {
  // Cadence 3, lead step 1: persistence is the previous hour, not the previous
  // sample row. Rows 4, 7, 10 (NREC + 1 = 10).
  const Sample s =
      sample({0, 0, 1, 2, 0, 3, 5, 0, 6, 9, 0, 0}, {0, 0, 0, 2, 0, 0, 5, 0, 0, 9, 0, 0}, 9);
  const Scores r = score_model(setup(1, 3, 0, 3), s.table, s.y);
  // Observations 2 5 9; persistence 1 3 6 (errors 1, 2, 3); forecasts exact.
  EXPECT_EQ(r.e_f, 0.0);
  EXPECT_NEAR(r.e_p, std::sqrt(14.0 / 3), 1e-15);
  EXPECT_EQ(r.skill, 1.0);
  // Guards against the sample walk overflowing an int when DT(KY) is as large
  // as the configuration can hold: the sample is row 4 alone.
  const Scores first_only = score_model(setup(1, 3, 0, INT_MAX), s.table, s.y);
  EXPECT_EQ(first_only.e_p, 1.0);
}

// Guards against NaN or infinity in the metadata: a score whose formula would
// divide by zero keeps its default.
TEST(Scores, UndefinedScoresKeepTheirDefaults) {
  const double d = Scores::kNoEfficiency;
  const struct Case {
    const char* name;
    std::vector<double> observed, forecast;
    int step;
    Scores expected;  // NAN marks a score that is defined (checked finite only)
  } cases[] = {
      {"no valid forecast",
       {1, 2, 4, 3, 5, 6},
       {0, kFill, kFill, kFill, kFill, kFill},
       1,
       {0.0, NAN, d, NAN, 0.0, NAN, d}},
      // cadence 2 with lead step 1: every persistence value is an odd row, all missing
      {"no valid persistence",
       {kFill, 2, kFill, 3, kFill, 7},
       {0, 2, 0, 4, 0, 6},
       2,
       {NAN, 0.0, NAN, d, NAN, 0.0, d}},
      {"no valid observation",
       {1, kFill, kFill, kFill, kFill, kFill},
       {0, 1, 2, 3, 4, 5},
       1,
       {0.0, 0.0, d, d, 0.0, 0.0, d}},
      {"forecasts only where observations are missing",
       {1, 2, kFill, 3, kFill, 7},
       {0, kFill, 5, kFill, 6, kFill},
       1,
       {0.0, NAN, d, NAN, 0.0, NAN, d}},
      // cadence 2: observations 2 2 2 on rows 2 4 6, persistence 1 5 7
      {"constant observations",
       {1, 2, 5, 2, 7, 2},
       {0, 1, 0, 3, 0, 4},
       2,
       {NAN, NAN, d, d, 0.0, 0.0, NAN}},
      // cadence 2: observations 1 4 6 repeat the hour before them
      {"perfect persistence",
       {1, 1, 4, 4, 6, 6},
       {0, 2, 0, 4, 0, 6},
       2,
       {NAN, 0.0, NAN, 1.0, NAN, NAN, d}},
  };
  for (const Case& c : cases) {
    const Sample s = sample(c.observed, c.forecast, 5);
    const Scores r = score_model(setup(1, 1, 0, c.step), s.table, s.y);
    const double got[] = {r.e_f, r.e_p, r.pe_f, r.pe_p, r.r_f, r.r_p, r.skill};
    const double want[] = {c.expected.e_f, c.expected.e_p, c.expected.pe_f, c.expected.pe_p,
                           c.expected.r_f, c.expected.r_p, c.expected.skill};
    for (int k = 0; k < 7; ++k) {
      EXPECT_TRUE(std::isfinite(got[k])) << c.name << " score " << k;
      if (!std::isnan(want[k])) {
        EXPECT_EQ(got[k], want[k]) << c.name << " score " << k;
      }
    }
  }
}

}  // namespace
}  // namespace velk
