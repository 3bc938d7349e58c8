#include "prep/check/input_data_analysis.h"

#include <cctype>
#include <limits>

#include "prep/check/record_shape.h"
#include "prep/common/date_stamps.h"
#include "prep/common/report.h"

namespace {

// The first line's length (line feed included) that marks each source; a
// shorter first line is taken for Kp.
constexpr std::int32_t kSwepamLine = 73;
constexpr std::int32_t kMagLine = 86;
constexpr std::int32_t kDstLineMin = 121;
constexpr std::int32_t kDstLineMax = 124;
constexpr std::int32_t kKpLineMax = 63;

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

}  // namespace

void InputData_analysis::data_analysis(std::string text) {
  ReportPairs pairs;

  const std::size_t start = static_cast<std::size_t>(numberOFSymbols);
  const std::size_t line_feed = start < text.size() ? text.find('\n', start) : std::string::npos;
  // Without a complete first line there is no record to judge.
  const RecordShape* shape = nullptr;
  if (line_feed != std::string::npos) {
    const std::size_t counted = line_feed - start + 1;
    const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    numberOFSymbols = static_cast<std::int32_t>(counted + start > limit ? limit : counted + start);
    if (numberOFSymbols == kSwepamLine) {
      shape = &kSwepamRecord;
    } else if (numberOFSymbols == kMagLine) {
      shape = &kMagRecord;
    } else if (numberOFSymbols >= kDstLineMin && numberOFSymbols <= kDstLineMax) {
      shape = &kDstRecord;
    } else if (numberOFSymbols <= kKpLineMax) {
      shape = &kKpRecord;
    }
    // The month field must lie inside the first line.
    if (shape != nullptr && shape->month_at + 2 > line_feed) shape = nullptr;
  }

  if (shape == nullptr) {
    report_record("FileAnalysis", "FileStructure", 1);
    return;
  }

  pairs.emplace_back("FileStructure", 0);
  month = two_character_number(text, shape->month_at);
  // The year as the record writes it: in full, or its last two digits.
  const int year = date_field(text, shape->year_at, shape->year_width);
  const auto written = [shape](int year_in_full) {
    return shape->year_width == 4 ? year_in_full : year_in_full % 100;
  };
  const std::tm now = utc_now();
  const int last_month = previous_month(now);
  const int last_year = previous_month_year(now, full_year(now));
  char digit = 0;
  if (month == month_of_year(now) && year == written(full_year(now))) {
    digit = '1';
  } else if (month == last_month && year == written(last_year)) {
    digit = '2';
  }
  pairs.emplace_back("FileDate", digit == 0 ? 1 : 0);
  if (digit != 0) {
    // A sound first record does not vouch for the rest: a truncated, garbled
    // or foreign line further down would reach the forecaster as data.
    const BadRecord bad = first_bad_record(*shape, text, 1, {year, month});
    if (bad.line == 0) {
      dataname = std::string(shape->source) + digit;
    } else {
      pairs.emplace_back(bad_record_name(bad), 1);
    }
  }
  report_record("FileAnalysis", pairs);
}
