// The forecast product: the forecast table's rows as JSON, each lead step's
// forecast with its central 68 % and 95 % interval, for programs that read
// forecasts (forecast/forecast.schema.json describes the format).
//
//   {"index": "Dst", "units": "nT",
//    "leads": [{"lead_hours": 1, "models": ["1101.res", "1101-fb1.res"]}, ...],
//    "rows": [
//     {"valid_time": "2017-09-09T10:00:00Z", "observed": -103,
//      "forecasts": [{"value": -98.25, "model": 0,
//                     "interval_68": [-110.4, -86.1], "interval_95": [...]}, ...]},
//     ...]}
//
// Values are JSON numbers with at most three decimals, written the same way
// whatever the locale; a missing value is null. One row per line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/run/configuration.h"
#include "forecast/run/table_writer.h"

namespace velk::forecast {

// One lead step's forecasts, row t at index t - 1.
struct LeadForecast {
  int lead_step = 1;
  std::vector<std::string> models;  // the model file, then its fallbacks in order
  std::vector<double> y;            // as the forecast table holds them
  std::vector<int> model;           // index in `models` of the one that made the row, -1: none
  std::vector<double> error;        // the combined error (intervals.h); NaN: no interval
};

struct ProductLayout {
  TableLayout table;                   // the product holds the forecast table's rows
  double fill = 0.0;                   // the target's: a value equal to it is missing
  double lowest = 0.0, highest = 0.0;  // the index's scale, which intervals keep to

  static ProductLayout of(const Configuration& config, const RunShape& shape);
};

// The rows of the forecast table, t = lead_time + max_lag + 1, + cadence, ...
// up to the table's last row.
void write_forecast_product(std::ostream& out, const ProductLayout& layout,
                            const HourlyTable& table, const std::vector<LeadForecast>& leads);

// A value as the product writes it: fixed-point, at most three decimals,
// trailing zeros dropped, no negative zero; "null" for a value that is not finite.
std::string json_number(double value);

}  // namespace velk::forecast
