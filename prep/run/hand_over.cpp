#include "prep/run/hand_over.h"

#include <cerrno>
#include <iostream>

#include "prep/common/file_helpers.h"
#include "prep/config/config_file.h"

namespace velk::prep {

const char kReportName[] = "errorfile.xml";
const char kConfigName[] = "velk_nrt.cfg";
const char kCausesName[] = "errorfile.causes";

namespace {

// Writes the report to `report_path` and its causes beside it, so that the
// two tell of the same run. Causes that cannot be written take an older file
// of them away rather than leave it beside a report of another run.
bool write_report_to(const std::string& report_path, const Report& report) {
  if (!write_file_atomically(report.document(), report_path)) return false;
  const std::size_t slash = report_path.rfind('/');
  const std::string causes_path =
      (slash == std::string::npos ? "" : report_path.substr(0, slash + 1)) + kCausesName;
  if (!write_file_atomically(report.causes_document(), causes_path)) remove_file(causes_path);
  return true;
}

}  // namespace

void RunOutcome::add_source(int result, const char* key, const std::string& path) {
  if (result != 0) {
    ++failures;
  } else {
    file_names.emplace_back(key, path);
  }
}

bool finish_run(RunOutcome outcome, const std::string& forecast_base,
                const std::string& report_path, Report& report) {
  outcome.file_names.emplace_back("FNMET", forecast_base + ".xml");
  outcome.file_names.emplace_back("FNDAT", forecast_base + ".asc");

  std::string block;
  bool paths_fit = true;
  for (const auto& [key, path] : outcome.file_names) {
    block += file_name_line(key, path);
    // The forecaster would cut a longer text short and open the wrong file.
    if (path.size() > kMaxConfigText) {
      report.record("ConfigFilePath", "'" + path + "'longerThan255Characters", 1);
      paths_fit = false;
    }
  }
  block += "/\n";

  errno = 0;  // the writer leaves the failed call's errno, which names the cause
  if (outcome.failures == 0 && paths_fit && !write_config_file(block, kConfigName)) {
    report.record_write_failure(kConfigName, write_failure_cause(errno));
  }
  return write_report(report_path, report);
}

bool write_report(const std::string& report_path, Report& report) {
  // An operator looks here too: it is where a run without an order file
  // leaves its report.
  errno = 0;
  if (write_report_to(report_path, report)) return true;
  if (report_path != kReportName) {
    report.record_write_failure(report_path, write_failure_cause(errno));
    if (write_report_to(kReportName, report)) return true;
  }
  // Nothing on disk tells of this run, and an older report may still stand
  // there: only the exit status and standard error can say so.
  std::cerr << "nrtprep: the processing report could not be written to '" << report_path << "'"
            << (report_path != kReportName ? std::string(" nor to '") + kReportName + "'" : "")
            << "\n";
  return false;
}

}  // namespace velk::prep
