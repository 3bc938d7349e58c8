#include "check/input_data_analysis.h"

#include <cctype>
#include <limits>

#include "acquire/date_stamps.h"
#include "run/error_report.h"

namespace {

// First-line lengths (line feed included) of the sources' records.
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
  report_open_step("FileAnalysis");

  const std::size_t start = static_cast<std::size_t>(numberOFSymbols);
  const std::size_t line_feed = start < text.size() ? text.find('\n', start) : std::string::npos;
  // Without a complete first line there is no record to judge.
  bool recognised = line_feed != std::string::npos;
  std::string source;
  std::size_t month_position = 0;
  if (recognised) {
    const std::size_t counted = line_feed - start + 1;
    const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    numberOFSymbols = static_cast<std::int32_t>(counted + start > limit ? limit : counted + start);
    if (numberOFSymbols == kSwepamLine) {
      source = "SWEPAM";
      month_position = 5;
    } else if (numberOFSymbols == kMagLine) {
      source = "MAG";
      month_position = 5;
    } else if (numberOFSymbols >= kDstLineMin && numberOFSymbols <= kDstLineMax) {
      source = "DST";
      month_position = 5;
    } else if (numberOFSymbols <= kKpLineMax) {
      source = "KP";
      month_position = 2;
    }
    // The month field must lie inside the first line.
    recognised = !source.empty() && month_position + 2 <= line_feed;
  }

  if (!recognised) {
    report_pair("FileStructure", 1);
    report_close_step();
    return;
  }

  report_pair("FileStructure", 0);
  month = two_character_number(text, month_position);
  const std::tm now = utc_now();
  if (month == month_time(now)) {
    report_pair("FileDate", 0);
    dataname = source + "1";
  } else if (month == month_time_last(now)) {
    report_pair("FileDate", 0);
    dataname = source + "2";
  } else {
    report_pair("FileDate", 1);
  }
  report_close_step();
}
