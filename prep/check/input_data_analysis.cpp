#include "check/input_data_analysis.h"

#include <cctype>
#include <limits>

#include "acquire/date_stamps.h"
#include "run/error_report.h"

namespace {

// What a record line of one source looks like. Lengths count the line's
// characters without its line feed.
struct RecordShape {
  const char* source;  // the label stem
  std::size_t min_length, max_length;
  std::size_t year_at, year_width;  // four-digit year, or the two last digits
  std::size_t month_at, day_at;     // two characters each
  bool hour;                        // an HHMM time follows the day (ACE)
};

// ACE records: "YYYY MM DD  HHMM ..."; Dst: "DSTYYMM*DD..."; Kp: "YYMMDD..."
// with blank-padded fields. A Kp record reaches at least to its last ap value.
constexpr RecordShape kSwepam = {"SWEPAM", 72, 72, 0, 4, 5, 8, true};
constexpr RecordShape kMag = {"MAG", 85, 85, 0, 4, 5, 8, true};
constexpr RecordShape kDst = {"DST", 120, 123, 3, 2, 5, 8, false};
constexpr RecordShape kKp = {"KP", 55, 62, 0, 2, 2, 4, false};
constexpr std::size_t kHourAt = 12;

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

// Value of a date field of `width` characters that holds digits, blank-padded
// on the left; -1 when it holds anything else.
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

int days_in_month(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && year % 4 == 0 ? 29 : kDays[month - 1];
}

// Year and month of a record line as its source writes them; {-1, -1} when
// the line does not have the source's record shape: its length, printable
// characters only (a line may end in a carriage return), and date fields that
// are numbers and name a real day (and hour, for ACE).
struct YearMonth {
  int year = -1, month = -1;
};
YearMonth record_year_month(const RecordShape& shape, const std::string& line) {
  const bool carriage_return = !line.empty() && line.back() == '\r';
  const std::size_t length = line.size();
  if (length < shape.min_length || length > shape.max_length) return {};
  for (std::size_t i = 0; i + (carriage_return ? 1 : 0) < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x20 || c > 0x7e) return {};
  }
  const int year = date_field(line, shape.year_at, shape.year_width);
  const int month = date_field(line, shape.month_at, 2);
  const int day = date_field(line, shape.day_at, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) {
    return {};
  }
  if (shape.hour) {
    const int hour = date_field(line, kHourAt, 2), minute = date_field(line, kHourAt + 2, 2);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return {};
  }
  return {year, month};
}

// Number (1-based) of the first line of `text` that is neither empty nor a
// record of `shape` dated `year` and `month`, and whether it failed only on
// its date; 0 when every line passes. Empty lines are the missing rows that
// the empty-line check counts.
std::pair<std::size_t, bool> first_bad_record(const RecordShape& shape, const std::string& text,
                                              YearMonth dated) {
  std::size_t number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++number;
    const std::string line = text.substr(start, end - start);
    if (!line.empty() && line != "\r") {
      const YearMonth found = record_year_month(shape, line);
      if (found.year < 0) return {number, false};
      if (found.year != dated.year || found.month != dated.month) return {number, true};
    }
    start = end + 1;
  }
  return {0, false};
}

}  // namespace

void InputData_analysis::data_analysis(std::string text) {
  report_open_step("FileAnalysis");

  const std::size_t start = static_cast<std::size_t>(numberOFSymbols);
  const std::size_t line_feed = start < text.size() ? text.find('\n', start) : std::string::npos;
  // Without a complete first line there is no record to judge.
  const RecordShape* shape = nullptr;
  if (line_feed != std::string::npos) {
    const std::size_t counted = line_feed - start + 1;
    const std::size_t limit = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    numberOFSymbols = static_cast<std::int32_t>(counted + start > limit ? limit : counted + start);
    if (numberOFSymbols == kSwepamLine) {
      shape = &kSwepam;
    } else if (numberOFSymbols == kMagLine) {
      shape = &kMag;
    } else if (numberOFSymbols >= kDstLineMin && numberOFSymbols <= kDstLineMax) {
      shape = &kDst;
    } else if (numberOFSymbols <= kKpLineMax) {
      shape = &kKp;
    }
    // The month field must lie inside the first line.
    if (shape != nullptr && shape->month_at + 2 > line_feed) shape = nullptr;
  }

  if (shape == nullptr) {
    report_pair("FileStructure", 1);
    report_close_step();
    return;
  }

  report_pair("FileStructure", 0);
  month = two_character_number(text, shape->month_at);
  // The year as the record writes it: in full, or its last two digits.
  const int year = date_field(text, shape->year_at, shape->year_width);
  const auto written = [shape](int full_year) {
    return shape->year_width == 4 ? full_year : full_year % 100;
  };
  const std::tm now = utc_now();
  const int last_month = month_time_last(now);
  const int last_year = last_month == 12 ? year_time(now) - 1 : year_time(now);
  char digit = 0;
  if (month == month_time(now) && year == written(year_time(now))) {
    digit = '1';
  } else if (month == last_month && year == written(last_year)) {
    digit = '2';
  }
  report_pair("FileDate", digit == 0 ? 1 : 0);
  if (digit != 0) {
    // A sound first record does not vouch for the rest: a truncated, garbled
    // or foreign line further down would reach the forecaster as data.
    const auto [bad_line, date_only] = first_bad_record(*shape, text, {year, month});
    if (bad_line == 0) {
      dataname = std::string(shape->source) + digit;
    } else {
      report_pair("FileRecord'" + std::to_string(bad_line) + (date_only ? "'date" : "'structure"),
                  1);
    }
  }
  report_close_step();
}
