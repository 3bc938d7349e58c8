#include "acquire/month_fetch.h"

#include "acquire/file_helpers.h"
#include "acquire/transfer.h"
#include "check/input_data_analysis.h"
#include "run/error_report.h"

namespace {

// One month: false when its working file could not be read.
bool fetch_month(const std::string& step_name, const std::string& url,
                 const std::string& working_file, bool trim, std::string& text,
                 std::string& label) {
  remove_file(working_file);
  report_open_step(step_name);
  data_file_downloadftp(url, working_file);
  report_close_step();

  const bool readable = file_opens_for_reading(working_file);
  report_record("FileRead", "'" + working_file + "'read", readable ? 0 : 1);
  if (!readable) return false;
  text = file_read(working_file);
  if (trim) text = file_eraze(text);
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
                   pair.present_text, pair.present_label)) {
    ++pair.unreadable;
  }
  if (!fetch_month(names.last_step, last_url, names.last_file, names.trim, pair.last_text,
                   pair.last_label)) {
    ++pair.unreadable;
  }
  return pair;
}

void remove_working_files(const MonthPairNames& names) {
  remove_file(names.present_file);
  remove_file(names.last_file);
}
