// One hourly record of the OMNI2 yearly files (omni2_YYYY.dat): 55 fixed-width
// fields in 327 columns, one line per hour. Only the fields the forecaster's
// inputs need are read; see fit/README.md for the column table and why these
// fields were chosen.
#pragma once

#include <string>
#include <string_view>

namespace velk::fit {

struct OmniHour {
  int year = 0;
  int day_of_year = 0;  // 1 = 1 January
  int hour = 0;         // 0..23
  // The `has_*` flags below are false where OMNI holds the field's fill value.
  double b_magnitude = 0;  // magnitude of the average field vector, nT
  double bx_gsm = 0;       // nT (GSE and GSM share the x axis)
  double by_gsm = 0;       // nT
  double bz_gsm = 0;       // nT
  double temperature = 0;  // proton temperature, K
  double density = 0;      // proton density, 1/cm^3
  double speed = 0;        // bulk speed, km/s
  int kp_times_10 = 0;     // Kp in tenths with thirds coded as 3 and 7 (33 = 3+, 37 = 4-)
  int dst = 0;             // nT
  int ap = 0;              // nT
  bool has_b_magnitude = false, has_bx = false, has_by = false, has_bz = false;
  bool has_temperature = false, has_density = false, has_speed = false;
  bool has_kp = false, has_dst = false, has_ap = false;
};

constexpr int kOmniRecordLength = 327;

// Parses one line; on failure returns false and says why in `error`.
bool parse_omni_hour(std::string_view line, OmniHour& hour, std::string& error);

}  // namespace velk::fit
