// Evaluation of a model with its gap policy: on the table its policy makes,
// the model first and then each fallback model in turn, on every row where
// the models before it cannot be evaluated.
#pragma once

#include <vector>

#include "forecast/model/forecast.h"
#include "forecast/model/gap_policy.h"
#include "forecast/model/hourly_table.h"
#include "forecast/model/model_file.h"

namespace velk::forecast {

// Target rows that hold a forecast, and how many of them a fallback model
// made or a carried value entered (a row may count in both).
struct GapCounts {
  int forecast_rows = 0;
  int carried_rows = 0;
  int fallback_rows = 0;
};

struct BridgedForecast {
  std::vector<double> y;               // as ForecastRows::y
  std::vector<double> standard_error;  // of the model that made each row
  std::vector<int> model;              // per row: the index in `models` of that model, -1: none
  // Each model's own forecasts on the bridged table, also on rows another
  // model made: a fallback's recent error is measured on every row it could
  // forecast, not only on the few it was needed for.
  std::vector<std::vector<double>> y_of_model;
  GapCounts counts;
  int rows_covered = 0;  // as ForecastRows::rows_covered
};

// models[0] is the model, models[1..] its fallbacks. `table` is the table as
// read and `bridged` the one the policy made of it (bridged_table), with the
// same rows.
BridgedForecast forecast_bridging_gaps(const std::vector<Model>& models, const ForecastSetup& setup,
                                       const HourlyTable& table, const HourlyTable& bridged);

}  // namespace velk::forecast
