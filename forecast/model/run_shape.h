// The shape of a run in the hourly table: which input it forecasts, how far
// ahead, from which rows and with how many models. Derived once from a
// validated configuration (run/configuration.h, run_shape) and handed to every
// step that walks the table, so that none of them re-derives it.
#pragma once

#include <cstddef>

#include "forecast/model/hourly_table.h"

namespace velk::forecast {

struct RunShape {
  int target = 1;       // the input forecast, 1..12
  int lead_time = 0;    // rows from a base row to the target row of its forecast
  int cadence = 1;      // rows between base rows: the target's time step, at least 1
  int max_lag = 0;      // the largest lag of the inputs in use; base rows start after it
  int model_count = 0;  // one model per lead step: lead_time / cadence
  FillValues fill{};    // per input, the value that stands for a missing one

  // The target's element in arrays indexed by input (0-based).
  std::size_t target_index() const { return static_cast<std::size_t>(target - 1); }
  double target_fill() const { return fill[target_index()]; }
  // The first row the table and the product show and the scores begin with.
  int first_forecast_row() const { return lead_time + max_lag + 1; }
};

}  // namespace velk::forecast
