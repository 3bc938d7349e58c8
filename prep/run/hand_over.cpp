#include "prep/run/hand_over.h"

#include <iostream>

#include "prep/common/file_helpers.h"
#include "prep/config/config_file.h"

namespace velk::prep {

const char kReportName[] = "errorfile.xml";
const char kConfigName[] = "velk_nrt.cfg";

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

  if (outcome.failures == 0 && paths_fit && !write_config_file(block, kConfigName)) {
    report.record_write_failure(kConfigName);
  }
  return write_report(report_path, report);
}

bool write_report(const std::string& report_path, Report& report) {
  // An operator looks here too: it is where a run without an order file
  // leaves its report.
  if (write_file_atomically(report.document(), report_path)) return true;
  if (report_path != kReportName) {
    report.record_write_failure(report_path);
    if (write_file_atomically(report.document(), kReportName)) return true;
  }
  // Nothing on disk tells of this run, and an older report may still stand
  // there: only the exit status and standard error can say so.
  std::cerr << "nrtprep: the processing report could not be written to '" << report_path << "'"
            << (report_path != kReportName ? std::string(" nor to '") + kReportName + "'" : "")
            << "\n";
  return false;
}

}  // namespace velk::prep
