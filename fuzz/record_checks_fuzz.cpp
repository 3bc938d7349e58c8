// The record checks of the four sources and the join of their two months, as
// a cycle runs them on its downloaded working files. The first byte chooses
// the source (ACE MAG, ACE SWEPAM, Dst, Kp: trimmed or not, with or without
// the ACE header); the second the month of the clock, counted from January
// 2015; the rest holds the current month's text, a kPartSeparator line and
// the previous month's text.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "inputs/layouts.h"
#include "prep/acquire/month_fetch.h"
#include "prep/check/input_file_check.h"
#include "prep/check/month_check.h"
#include "prep/common/date_stamps.h"
#include "prep/common/file_helpers.h"
#include "prep/common/report.h"

namespace {

namespace prep = velk::prep;

std::time_t clock_moment = 0;
std::time_t pinned_clock() {
  return clock_moment;
}

// Noon on the 10th of the month `months` after January 2015.
std::time_t month_moment(int months) {
  std::tm t{};
  t.tm_year = 115 + months / 12;
  t.tm_mon = months % 12;
  t.tm_mday = 10;
  t.tm_hour = 12;
  return timegm(&t);
}

// What fetch_month does with a working file once it is downloaded: read it
// (colons to blanks, last character repeated), trim the list, classify it.
std::string checked_month(const std::string& path, bool trim, std::optional<prep::MonthRole>& role,
                          prep::Report& report) {
  std::string text = prep::read_data_file(path);
  if (trim) text = prep::trim_to_records(text);
  role = prep::classify_month_text(text, report);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int source = data[0] % 4;
  const bool ace = source < 2;
  const bool trim = source < 3;  // the Kp service's texts are stored as they come
  clock_moment = month_moment(data[1]);
  prep::set_clock_source(pinned_clock);
  prep::Report report;

  const auto& dir = velk::fuzz::scratch();
  const std::vector<std::string> parts =
      velk::fuzz::split_parts(velk::fuzz::as_text(data + 2, size - 2), 2);
  prep::MonthPair months;
  months.present_text =
      checked_month(dir.write("present.txt", parts[0]), trim, months.present_role, report);
  months.last_text = checked_month(dir.write("last.txt", parts[1]), trim, months.last_role, report);
  if (months.present_role && months.last_role) {
    const std::string joined = prep::join_months(months);
    prep::count_missing_rows(joined, 0, report);
    if (ace) {
      const std::string header =
          source == 0 ? velk::inputs::kMagHeader : velk::inputs::kSwepamHeader;
      prep::check_ace_input_file(dir.write("joined.asc", header + joined), report);
    }
  }
  report.causes_document();
  return 0;
}
