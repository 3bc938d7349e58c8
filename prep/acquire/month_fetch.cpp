#include "acquire/month_fetch.h"

#include "acquire/file_helpers.h"
#include "acquire/transfer.h"
#include "check/input_data_analysis.h"
#include "run/error_report.h"

bool fetch_month(const std::string& step_name, const std::string& url,
                 const std::string& working_file, bool trim, InputData_analysis& analyser,
                 std::string& text) {
  remove_file(working_file);
  report_open_step(step_name);
  data_file_downloadftp(url, working_file);
  report_close_step();

  const bool readable = file_opens_for_reading(working_file);
  report_record("FileRead", "'" + working_file + "'read", readable ? 0 : 1);
  if (!readable) return false;
  text = file_read(working_file);
  if (trim) text = file_eraze(text);
  analyser.data_analysis(text);
  return true;
}
