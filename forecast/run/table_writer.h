// The forecast table: a header line written with FMDATH, then one row per
// forecast row t = LT + MAXLAG + 1, + DT(KY), ... up to NMAX written with FMDAT.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/run/configuration.h"

namespace velk::forecast {

struct TableLayout {
  std::string fmdat;   // format of one row
  std::string fmdath;  // format of the header line
  std::string name;    // UN(KY)
  std::string units;   // UU(KY)
  int ky = 1;
  int lt = 0;
  int step = 1;  // DT(KY)
  int maxlag = 0;

  // The layout a configuration asks for.
  static TableLayout of(const Configuration& config, int maxlag);
};

// yy[i - 1][t - 1] is model i's forecast for row t. Lines go to `out` as they
// are completed; a format that cannot be parsed or an item that does not fit
// its descriptor throws FormatError, leaving the lines written before it.
void write_forecast_table(std::ostream& out, const TableLayout& layout, const HourlyTable& table,
                          const std::vector<std::vector<double>>& yy);

}  // namespace velk::forecast
