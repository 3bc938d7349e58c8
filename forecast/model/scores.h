// The seven scores of one model over its validation sample: the rows
// f0 = LT + MAXLAG + 1, f0 + DT(KY), ... up to NREC + i for lead step i, the
// forecast against the observation u(KY, t) and against persistence
// u(KY, t - i). A value is valid when it differs from UF(KY).
#pragma once

#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/run/configuration.h"

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
  int ky = 1;
  double uf_ky = 0.0;
  int lt = 0;
  int maxlag = 0;
  int step = 1;  // DT(KY)

  // The scoring of lead step `lead_step` that a validated configuration asks for.
  static ScoreSetup of(const Configuration& config, int maxlag, int lead_step);
};

// `y` holds the model's forecast per row (row t at index t - 1).
Scores score_model(const ScoreSetup& setup, const HourlyTable& table, const std::vector<double>& y);

}  // namespace velk::forecast
