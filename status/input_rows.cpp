#include "status/input_rows.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "common/whole_file.h"

namespace velk_status {

namespace {

bool digits(const std::string& text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  bool any = false;
  for (std::size_t i = at; i < at + count; ++i) {
    const char c = text[i];
    if (c == ' ' && !any) continue;  // right-aligned fields
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    any = true;
  }
  return any;
}

std::string stamp(int year, int month, int day, int hour, int minute) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59) {
    return "";
  }
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02dZ", year, month, day, hour, minute);
  return text;
}

// The index lists carry two-digit years; their data begin in 1957.
int full_year(int two_digits) {
  return two_digits >= 57 ? 1900 + two_digits : 2000 + two_digits;
}

// "YYYY MM DD HHMM MJD SECONDS S ...": S is 0 for a record with data.
std::string ace_row(const std::string& line) {
  std::istringstream in(line);
  int year = 0, month = 0, day = 0, hhmm = 0, status = -1;
  long julian = 0, seconds = 0;
  if (!(in >> year >> month >> day >> hhmm >> julian >> seconds >> status) || status != 0)
    return "";
  return stamp(year, month, day, hhmm / 100, hhmm % 100);
}

// "DSTyymm*dd" then, from column 21, 24 hourly values of four characters.
std::string dst_row(const std::string& line) {
  int year = 0, month = 0, day = 0;
  if (line.compare(0, 3, "DST") != 0 || !digits(line, 3, 2, year) || !digits(line, 5, 2, month) ||
      !digits(line, 8, 2, day)) {
    return "";
  }
  for (int hour = 23; hour >= 0; --hour) {
    const std::size_t at = 20 + 4 * static_cast<std::size_t>(hour);
    if (at + 4 > line.size()) continue;
    const std::string field = line.substr(at, 4);
    char* end = nullptr;
    const long value = std::strtol(field.c_str(), &end, 10);
    if (end != field.c_str() && *end == '\0' && value != 9999) {
      return stamp(full_year(year), month, day, hour, 0);
    }
  }
  return "";
}

// "yymmdd", rotation and day, then from column 13 eight Kp values of two
// characters, blank while the interval is still to come.
std::string kp_row(const std::string& line) {
  int year = 0, month = 0, day = 0, kp = 0;
  if (!digits(line, 0, 2, year) || !digits(line, 2, 2, month) || !digits(line, 4, 2, day))
    return "";
  for (int interval = 7; interval >= 0; --interval) {
    if (digits(line, 12 + 2 * static_cast<std::size_t>(interval), 2, kp)) {
      return stamp(full_year(year), month, day, 3 * interval, 0);
    }
  }
  return "";
}

}  // namespace

std::string newest_input_row(const std::string& path, InputKind kind) {
  std::string text;
  if (!velk::read_whole_file(path, velk::kMaxTextBytes, text)) {
    throw std::runtime_error("cannot read the input file " + path);
  }
  std::istringstream in(text);
  std::string newest;
  for (std::string line; std::getline(in, line);) {
    const std::string row = kind == InputKind::kAce   ? ace_row(line)
                            : kind == InputKind::kDst ? dst_row(line)
                                                      : kp_row(line);
    // The files run oldest first; a later row never makes an earlier one newer.
    if (!row.empty() && row > newest) newest = row;
  }
  return newest;
}

}  // namespace velk_status
