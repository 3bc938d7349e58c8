// Records of the forecaster's four input files, laid out exactly as its reader
// reads them and as the preprocessor writes them: ACE MAG and SWEPAM hourly
// records behind their four-line headers, daily Kp/ap records (62 columns) and
// daily Dst records (120 columns). Values are given already mapped to the
// forecaster's fill values; a value too wide for its columns is an error, not
// a shifted or truncated field.
#pragma once

#include <array>
#include <string>

#include "common/calendar.h"
#include "inputs/layouts.h"

namespace velk::fit {

// The fill values of the production configuration (UF of inputs 1-12).
using input_layout::kApFill;
using input_layout::kDensityFill;
using input_layout::kDstFill;
using input_layout::kKpFill;
using input_layout::kMagFill;
using input_layout::kSpeedFill;
using input_layout::kTemperatureFill;

struct MagValues {
  double bx, by, bz, bt, latitude, longitude;
};
struct SwepamValues {
  double density, speed, temperature;
};

const std::string& mag_header();     // four lines, each ending in a line feed
const std::string& swepam_header();  // four lines, each ending in a line feed

// Each returns false (leaving `line` unspecified) when a value does not fit its columns.
bool mag_line(const CivilDate& date, int hour, const MagValues& values, std::string& line);
bool swepam_line(const CivilDate& date, int hour, const SwepamValues& values, std::string& line);
// Kp of the eight 3-hour intervals in tenths with thirds coded 3 and 7, ap in nT.
bool kp_line(const CivilDate& date, const std::array<int, 8>& kp_times_10,
             const std::array<int, 8>& ap, std::string& line);
bool dst_line(const CivilDate& date, const std::array<int, 24>& dst, std::string& line);

}  // namespace velk::fit
