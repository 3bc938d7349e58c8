#include "prep/acquire/month_fetch.h"

#include <algorithm>

#include "prep/acquire/source_names.h"
#include "prep/acquire/transfer.h"
#include "prep/check/input_file_check.h"
#include "prep/check/month_check.h"
#include "prep/common/file_helpers.h"

namespace velk::prep {

namespace {

// Removes one working file at the end of its acquisition; one that stays
// gets the record ("FileRemove", "'<path>'remove", 1), so the report tells
// why it is still there. The next cycle removes it before anything else.
void remove_working_file(const std::string& path, Report& report) {
  if (!remove_file(path)) report.record("FileRemove", "'" + path + "'remove", 1);
}

// A list whose header came and no record after it: only blanks and line ends
// are left once the header is cut off.
bool header_only(const std::string& raw, const std::string& trimmed) {
  return raw.find("\n#---") != std::string::npos &&
         trimmed.find_first_not_of(" \r\n") == std::string::npos;
}

// The text of one month and what the fetch found out about it.
struct FetchedMonth {
  bool readable = false;  // false when its working file could not be read
  std::string text;
  std::optional<MonthRole> role;
  bool header_only = false;
};

// One month. With `header_only_allowed`, a text without records is recorded
// as such and not analysed.
FetchedMonth fetch_month(MonthRole wanted, const std::string& url, bool header_only_allowed,
                         Report& report) {
  FetchedMonth month;
  const std::string working_file = working_file_name(wanted);
  remove_file(working_file);
  const auto [outcome, cause] = download_to_file(url, working_file);
  // A working file that could not be written is no fault of the upstream
  // service: the transfer is not blamed, the write gets its own record.
  report.record_download(download_step_name(wanted), url, outcome != DownloadOutcome::kNotFetched,
                         cause);
  if (outcome == DownloadOutcome::kNotStored) report.record_write_failure(working_file, cause);
  // After a failed download whatever stays under the name is a cut download
  // or an earlier run's file: it must not be read as this month. The removal
  // at the end of the acquisition records it.
  if (outcome != DownloadOutcome::kStored && !remove_file(working_file)) return month;

  month.readable = file_opens_for_reading(working_file);
  // A resource fetched whole yet unreadable was empty: it leaves no file.
  report.record("FileRead", "'" + working_file + "'read", month.readable ? 0 : 1,
                outcome == DownloadOutcome::kStored ? "empty file on the server" : "");
  if (!month.readable) return month;
  month.text = read_data_file(working_file);
  // The Kp service's texts are stored as they come: no header to trim.
  if (wanted.source != Source::kp) {
    const std::string raw = month.text;
    month.text = trim_to_records(month.text);
    if (header_only_allowed && header_only(raw, month.text)) {
      report.record(header_only_step_name(wanted.source), "'" + working_file + "'noRecordYet", 0);
      month.header_only = true;
      return month;
    }
  }
  month.role = classify_month_text(month.text, report);
  return month;
}

}  // namespace

MonthPair fetch_month_pair(const MonthPairFetch& fetch, Report& report) {
  MonthPair pair;
  FetchedMonth present = fetch_month({fetch.source, Month::current}, fetch.urls.present,
                                     fetch.present_may_be_header_only, report);
  FetchedMonth last = fetch_month({fetch.source, Month::previous}, fetch.urls.last, false, report);
  pair.unreadable = (present.readable ? 0 : 1) + (last.readable ? 0 : 1);
  pair.present_text = std::move(present.text);
  pair.present_role = present.role;
  pair.present_header_only = present.header_only;
  pair.last_text = std::move(last.text);
  pair.last_role = last.role;
  return pair;
}

void remove_working_files(Source source, Report& report) {
  remove_working_file(working_file_name({source, Month::current}), report);
  remove_working_file(working_file_name({source, Month::previous}), report);
}

std::string join_months(const MonthPair& months) {
  std::string joined = months.last_text;
  joined.pop_back();  // the repeat read_data_file appended; the seam keeps one line end
  return joined + months.present_text;
}

int acquire_two_months(const MonthPairFetch& fetch, const std::string& path,
                       const std::string& header,
                       const std::function<bool(const MonthPair&, std::string&)>& join,
                       Report& report) {
  const MonthPair months = fetch_month_pair(fetch, report);
  int failures = months.unreadable;
  if (failures == 0) {
    std::string joined;
    if (join(months, joined)) {
      const auto header_lines =
          static_cast<std::size_t>(std::count(header.begin(), header.end(), '\n'));
      failures = count_missing_rows(joined, header_lines, report);
      if (!write_input_file(header + joined, path, report)) ++failures;
    } else {
      // Months other than the current and the previous one, an error page or a
      // foreign text: nothing is written, so the source must not count as
      // obtained. Both texts may have been read and checked without fault, so
      // the refusal needs a record of its own for the report to show it.
      failures = 1;
      report.record("FileMonths",
                    "'" + std::string(working_file_name({fetch.source, Month::current})) + "'and'" +
                        working_file_name({fetch.source, Month::previous}) + "'notJoined",
                    1);
    }
  }
  remove_working_files(fetch.source, report);
  return failures;
}

}  // namespace velk::prep
