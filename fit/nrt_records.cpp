#include "fit/nrt_records.h"

#include <cmath>
#include <cstdio>

namespace velk::fit {
namespace {

// Appends `value` right-aligned in `width` columns with printf `format`
// (which must itself produce at most `width` characters for a fitting value);
// false when the value needs more columns.
bool put(std::string& line, const char* format, double value, int width) {
  char text[64];
  const int n = std::snprintf(text, sizeof text, format, value);
  if (n < 0 || n > width) return false;
  line.append(static_cast<std::size_t>(width - n), ' ');
  line.append(text, static_cast<std::size_t>(n));
  return true;
}

bool put_int(std::string& line, int value, int width) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%d", value);
  if (n < 0 || n > width) return false;
  line.append(static_cast<std::size_t>(width - n), ' ');
  line.append(text, static_cast<std::size_t>(n));
  return true;
}

// Columns 1-37 shared by the MAG and SWEPAM records: date, HHMM, modified
// Julian day, seconds of the day and the status flag (0 nominal, 9 data missing).
std::string ace_prefix(const CivilDate& date, int hour, bool complete) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d %02d %02d  %02d00   %5ld %7d    %d", date.year, date.month,
                date.day, hour, modified_julian_day(date), hour * 3600, complete ? 0 : 9);
  return text;
}

// Kp in tenths (thirds coded 0, 3, 7) to thirds of a unit and back, for the daily sum.
int kp_thirds(int kp_times_10) {
  return (kp_times_10 / 10) * 3 + (kp_times_10 % 10 + 1) / 3;
}
int kp_code(int thirds) {
  static const int kFraction[3] = {0, 3, 7};
  return (thirds / 3) * 10 + kFraction[thirds % 3];
}

}  // namespace

const std::string& mag_header() {
  static const std::string header = inputs::kMagHeader;
  return header;
}

const std::string& swepam_header() {
  static const std::string header = inputs::kSwepamHeader;
  return header;
}

bool mag_line(const CivilDate& date, int hour, const MagValues& v, std::string& line) {
  const double values[6] = {v.bx, v.by, v.bz, v.bt, v.latitude, v.longitude};
  bool complete = true;
  for (double x : values) complete = complete && x != kMagFill;
  line = ace_prefix(date, hour, complete);
  for (double x : values) {
    line.append(2, ' ');  // each value fills the last six of eight columns
    if (!put(line, "%.1f", x, 6)) return false;
  }
  return true;
}

bool swepam_line(const CivilDate& date, int hour, const SwepamValues& v, std::string& line) {
  const bool complete =
      v.density != kDensityFill && v.speed != kSpeedFill && v.temperature != kTemperatureFill;
  line = ace_prefix(date, hour, complete);
  line.append(4, ' ');
  if (!put(line, "%.1f", v.density, 7)) return false;
  line.append(4, ' ');
  if (!put(line, "%.1f", v.speed, 7)) return false;
  line.append(4, ' ');
  return put(line, "%.2e", v.temperature, 9);
}

bool kp_line(const CivilDate& date, const std::array<int, 8>& kp_times_10,
             const std::array<int, 8>& ap, std::string& line) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d", date.year % 100, date.month, date.day);
  line = text;
  int rotation = 0, day_of_rotation = 0;
  bartels_rotation(date, rotation, day_of_rotation);
  if (!put_int(line, rotation, 4) || !put_int(line, day_of_rotation, 2)) return false;

  bool complete = true;
  int thirds_sum = 0, ap_sum = 0;
  for (int i = 0; i < 8; ++i) {
    if (kp_times_10[i] < 0 || !put_int(line, kp_times_10[i], 2)) return false;
    complete = complete && kp_times_10[i] != kKpFill && ap[i] != kApFill;
    thirds_sum += kp_thirds(kp_times_10[i]);
  }
  // The daily sum and Ap are only meaningful for a complete day; the fill value
  // of ap (0) is also a real value, so a day with any 0 leaves them blank too.
  if (complete) {
    if (!put_int(line, kp_code(thirds_sum), 3)) return false;
  } else {
    line.append(3, ' ');
  }
  for (int i = 0; i < 8; ++i) {
    if (ap[i] < 0 || !put_int(line, ap[i], 3)) return false;
    ap_sum += ap[i];
  }
  if (complete) {
    if (!put_int(line, static_cast<int>(std::lround(ap_sum / 8.0)), 3)) return false;
  } else {
    line.append(3, ' ');
  }
  line.append(4, ' ');  // Cp and C9 cannot be derived from hourly Kp and ap
  return true;
}

bool dst_line(const CivilDate& date, const std::array<int, 24>& dst, std::string& line) {
  char text[32];
  // Columns 11-14 (version) stay blank: OMNI mixes final, provisional and quick-look Dst.
  std::snprintf(text, sizeof text, "DST%02d%02d*%02d    %02d   0", date.year % 100, date.month,
                date.day, date.year / 100);
  line = text;
  int sum = 0;
  bool complete = true;
  for (int value : dst) {
    if (!put_int(line, value, 4)) return false;
    complete = complete && value != kDstFill;
    sum += value;
  }
  const int mean = complete ? static_cast<int>(std::lround(sum / 24.0)) : kDstFill;
  return put_int(line, mean, 4);
}

}  // namespace velk::fit
