// The forecast table: a header line written with FMDATH, then one row per
// forecast row t = lead_time + max_lag + 1, + cadence, ... up to the table's
// last row written with FMDAT.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/model/run_shape.h"
#include "forecast/run/configuration.h"

namespace velk::forecast {

struct TableLayout {
  std::string fmdat;   // format of one row
  std::string fmdath;  // format of the header line
  std::string name;    // UN(KY)
  std::string units;   // UU(KY)
  int target = 1;
  int lead_time = 0;
  int cadence = 1;
  int max_lag = 0;

  // The layout a configuration asks for, for a run of its shape.
  static TableLayout of(const Configuration& config, const RunShape& shape);
};

// forecasts[i - 1][t - 1] is model i's forecast for row t. Lines go to `out` as they
// are completed; a format that cannot be parsed or an item that does not fit
// its descriptor throws FormatError, leaving the lines written before it.
void write_forecast_table(std::ostream& out, const TableLayout& layout, const HourlyTable& table,
                          const std::vector<std::vector<double>>& forecasts);

}  // namespace velk::forecast
