#include "prep/acquire/month_fetch.h"

#include "prep/acquire/transfer.h"
#include "prep/check/input_data_analysis.h"
#include "prep/check/structure_analysis.h"
#include "prep/common/file_helpers.h"
#include "prep/common/report.h"

namespace {

// Removes one working file at the end of its acquisition; one that stays
// gets the record ("FileRemove", "'<path>'remove", 1), so the report tells
// why it is still there. The next cycle removes it before anything else.
void remove_working_file(const std::string& path) {
  if (!remove_file(path)) report_record("FileRemove", "'" + path + "'remove", 1);
}

// A list whose header came and no record after it: only blanks and line ends
// are left once the header is cut off.
bool header_only(const std::string& raw, const std::string& trimmed) {
  return raw.find("\n#---") != std::string::npos &&
         trimmed.find_first_not_of(" \r\n") == std::string::npos;
}

// One month: false when its working file could not be read. With a
// `header_only_step`, a text without records is recorded as such and not
// analysed, and `no_record` is set.
bool fetch_month(const std::string& step_name, const std::string& url,
                 const std::string& working_file, bool trim, std::string& text, std::string& label,
                 const char* header_only_step = nullptr, bool* no_record = nullptr) {
  remove_file(working_file);
  const DownloadOutcome outcome = data_file_downloadftp(url, working_file);
  // A working file that could not be written is no fault of the upstream
  // service: the transfer is not blamed, the write gets its own record.
  report_download(step_name, url, outcome != DownloadOutcome::kNotFetched);
  if (outcome == DownloadOutcome::kNotStored) report_write_failure(working_file);
  // After a failed download whatever stays under the name is a cut download
  // or an earlier run's file: it must not be read as this month. The removal
  // at the end of the acquisition records it.
  if (outcome != DownloadOutcome::kStored && !remove_file(working_file)) return false;

  const bool readable = file_opens_for_reading(working_file);
  report_record("FileRead", "'" + working_file + "'read", readable ? 0 : 1);
  if (!readable) return false;
  text = file_read(working_file);
  if (trim) {
    const std::string raw = text;
    text = file_eraze(text);
    if (header_only_step != nullptr && header_only(raw, text)) {
      report_record(header_only_step, "'" + working_file + "'noRecordYet", 0);
      *no_record = true;
      return true;
    }
  }
  InputData_analysis analyser;
  analyser.data_analysis(text);
  label = analyser.get_dataname();
  return true;
}

}  // namespace

MonthPair fetch_month_pair(const MonthPairNames& names, const std::string& present_url,
                           const std::string& last_url) {
  MonthPair pair;
  if (!fetch_month(names.present_step, present_url, names.present_file, names.trim,
                   pair.present_text, pair.present_label, names.header_only_step,
                   &pair.present_header_only)) {
    ++pair.unreadable;
  }
  if (!fetch_month(names.last_step, last_url, names.last_file, names.trim, pair.last_text,
                   pair.last_label)) {
    ++pair.unreadable;
  }
  return pair;
}

void remove_working_files(const MonthPairNames& names) {
  remove_working_file(names.present_file);
  remove_working_file(names.last_file);
}

std::string join_months(const MonthPair& months) {
  std::string joined = months.last_text;
  joined.pop_back();  // the repeat file_read appended; the seam keeps one line end
  return joined + months.present_text;
}

int acquire_two_months(const MonthPairNames& names, const std::string& path,
                       const std::string& present_url, const std::string& last_url,
                       const std::string& header,
                       const std::function<bool(const MonthPair&, std::string&)>& join) {
  const MonthPair months = fetch_month_pair(names, present_url, last_url);
  int failures = months.unreadable;
  if (failures == 0) {
    std::string joined;
    if (join(months, joined)) {
      failures = FileStructureAnalysis3(joined);
      if (!write_input_file(header + joined, path)) ++failures;
    } else {
      // Months other than the current and the previous one, an error page or a
      // foreign text: nothing is written, so the source must not count as
      // obtained. Both texts may have been read and checked without fault, so
      // the refusal needs a record of its own for the report to show it.
      failures = 1;
      report_record(
          "FileMonths",
          "'" + std::string(names.present_file) + "'and'" + names.last_file + "'notJoined", 1);
    }
  }
  remove_working_files(names);
  return failures;
}
