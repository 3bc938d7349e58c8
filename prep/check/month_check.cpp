#include "prep/check/month_check.h"

#include <cctype>
#include <cstddef>

#include "prep/check/record_shape.h"
#include "prep/common/date_stamps.h"

namespace velk::prep {

namespace {

// The first line's lengths (line feed included) that mark Dst, and the
// longest first line taken for Kp. The ACE lists have their own lengths.
constexpr std::size_t kDstLineMin = 121;
constexpr std::size_t kDstLineMax = 124;
constexpr std::size_t kKpLineMax = 63;

// Decimal value of a two-character field, read like atoi: leading blanks
// skipped, an optional sign, digits up to the first other character.
int two_character_number(const std::string& text, std::size_t position) {
  const std::string field = text.substr(position, 2);
  std::size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  int sign = 1;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    if (field[i] == '-') sign = -1;
    ++i;
  }
  int value = 0;
  for (; i < field.size() && std::isdigit(static_cast<unsigned char>(field[i])); ++i) {
    value = value * 10 + (field[i] - '0');
  }
  return sign * value;
}

// The shape of the source whose records are as long as the first line of
// `text`, or nullptr without a complete first line or when no source has
// such records.
const RecordShape* shape_of_first_line(const std::string& text) {
  const std::size_t line_feed = text.find('\n');
  if (line_feed == std::string::npos) return nullptr;
  const std::size_t length = line_feed + 1;
  const RecordShape* shape = ace_record_of_line_length(length);
  if (shape == nullptr && length >= kDstLineMin && length <= kDstLineMax) shape = &kDstRecord;
  if (shape == nullptr && length <= kKpLineMax) shape = &kKpRecord;
  // The month field must lie inside the first line.
  if (shape != nullptr && shape->month_at + 2 > line_feed) return nullptr;
  return shape;
}

}  // namespace

std::optional<MonthRole> classify_month_text(const std::string& text, Report& report) {
  const RecordShape* shape = shape_of_first_line(text);
  if (shape == nullptr) {
    const bool blank = text.find_first_not_of(" \r\n") == std::string::npos;
    report.record("FileAnalysis", "FileStructure", 1,
                  blank ? "no record" : "first line is no record of any source");
    return std::nullopt;
  }

  ReportPairs pairs{{"FileStructure", 0}};
  const int month = two_character_number(text, shape->month_at);
  // The year as the record writes it: in full, or its last two digits.
  const int year = date_field(text, shape->year_at, shape->year_width);
  const auto written = [shape](int year_in_full) {
    return shape->year_width == 4 ? year_in_full : year_in_full % 100;
  };
  const std::tm now = utc_now();
  std::optional<MonthRole> role;
  if (month == month_of_year(now) && year == written(full_year(now))) {
    role = MonthRole{shape->source, Month::current};
  } else if (month == previous_month(now) &&
             year == written(previous_month_year(now, full_year(now)))) {
    role = MonthRole{shape->source, Month::previous};
  }
  pairs.push_back({"FileDate", role ? 0 : 1, role ? "" : "wrong month"});
  if (role) {
    // A sound first record does not vouch for the rest: a truncated, garbled
    // or foreign line further down would reach the forecaster as data.
    const BadRecord bad = first_bad_record(*shape, text, 1, {year, month});
    if (bad.line != 0) {
      pairs.push_back({bad_record_name(bad), 1, bad_record_cause(bad)});
      role.reset();
    }
  }
  report.record("FileAnalysis", pairs);
  return role;
}

}  // namespace velk::prep
