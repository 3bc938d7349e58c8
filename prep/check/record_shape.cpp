#include "prep/check/record_shape.h"

#include <cctype>

#include "common/calendar.h"

// ACE records: "YYYY MM DD  HHMM ..."; Dst: "DSTYYMM*DD..."; Kp: "YYMMDD..."
// with blank-padded fields. A Kp record reaches at least to its last ap value.
const RecordShape kSwepamRecord = {"SWEPAM", 72, 72, 0, 4, 5, 8, true};
const RecordShape kMagRecord = {"MAG", 85, 85, 0, 4, 5, 8, true};
const RecordShape kDstRecord = {"DST", 120, 123, 3, 2, 5, 8, false};
const RecordShape kKpRecord = {"KP", 55, 62, 0, 2, 2, 4, false};

namespace {

constexpr std::size_t kHourAt = 12;

}  // namespace

int date_field(const std::string& line, std::size_t at, std::size_t width) {
  if (at + width > line.size()) return -1;
  std::size_t i = at;
  while (i < at + width - 1 && line[i] == ' ') ++i;
  int value = 0;
  for (; i < at + width; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) return -1;
    value = value * 10 + (line[i] - '0');
  }
  return value;
}

YearMonth record_year_month(const RecordShape& shape, const std::string& line) {
  const std::size_t length = line.size();
  if (length < shape.min_length || length > shape.max_length) return {};
  const std::size_t printed = line.back() == '\r' ? length - 1 : length;
  for (std::size_t i = 0; i < printed; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x20 || c > 0x7e) return {};
  }
  const int year = date_field(line, shape.year_at, shape.year_width);
  const int month = date_field(line, shape.month_at, 2);
  const int day = date_field(line, shape.day_at, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > velk::days_in_month(year, month)) {
    return {};
  }
  if (shape.hour) {
    const int hour = date_field(line, kHourAt, 2), minute = date_field(line, kHourAt + 2, 2);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return {};
  }
  return {year, month};
}

BadRecord first_bad_record(const RecordShape& shape, const std::string& text, std::size_t first,
                           YearMonth dated) {
  std::size_t number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (++number < first || line.empty() || line == "\r") continue;
    const YearMonth found = record_year_month(shape, line);
    if (found.year < 0) return {number, false};
    if (dated.year >= 0 && (found.year != dated.year || found.month != dated.month)) {
      return {number, true};
    }
  }
  return {};
}

std::string bad_record_name(const BadRecord& bad) {
  return "FileRecord'" + std::to_string(bad.line) + (bad.date_only ? "'date" : "'structure");
}
