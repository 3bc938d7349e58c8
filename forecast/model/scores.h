// The seven scores of one model over its validation sample: the rows
// f0 = lead_time + max_lag + 1, f0 + cadence, ... up to rows_covered + i for
// lead step i, the forecast against the observation of the target input in
// row t and against persistence, its observation in row t - i. A value is
// valid when it differs from the target's fill value.
#pragma once

#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/model/run_shape.h"

namespace velk::forecast {

struct Scores {
  // Written when the score's formula is not defined for the sample (it would
  // divide by zero): 0 for errors and correlations, -0.999 for the rest.
  static constexpr double kNoEfficiency = -0.999;

  double e_f = 0.0;              // root mean square error of the forecast
  double e_p = 0.0;              // ... of persistence
  double pe_f = kNoEfficiency;   // prediction efficiency of the forecast
  double pe_p = kNoEfficiency;   // ... of persistence
  double r_f = 0.0;              // correlation of forecast and observation
  double r_p = 0.0;              // ... of persistence and observation
  double skill = kNoEfficiency;  // skill score of the forecast over persistence
};

struct ScoreSetup {
  int lead_step = 1;  // i: persistence looks back this many rows
  int target = 1;
  double target_fill = 0.0;
  int lead_time = 0;
  int max_lag = 0;
  int cadence = 1;
  // The rows read that the forecast covered (ForecastRows::rows_covered):
  // observations are compared up to the last of them.
  int rows_covered = 0;

  // The scoring of lead step `lead_step` in a run of this shape.
  static ScoreSetup of(const RunShape& shape, int lead_step, int rows_covered);
};

// `y` holds the model's forecast per row (row t at index t - 1).
Scores score_model(const ScoreSetup& setup, const HourlyTable& table, const std::vector<double>& y);

}  // namespace velk::forecast
