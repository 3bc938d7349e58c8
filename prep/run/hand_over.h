// The end of a run: the configuration file that hands the run over to the
// forecaster, and the processing report.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "prep/common/report.h"

namespace velk::prep {

// The report's name in the working directory, the configuration's, and that
// of the report's side file of failure causes (report.h), which goes beside
// the report wherever the report goes.
extern const char kReportName[];
extern const char kConfigName[];
extern const char kCausesName[];

// What one run hands over to the forecaster, gathered as the sources come in.
struct RunOutcome {
  int failures = 0;
  std::vector<std::pair<std::string, std::string>> file_names;  // key, path

  // A zero result adds the source's file-name line, any other a failure.
  void add_source(int result, const char* key, const std::string& path);
};

// Adds the FNMET and FNDAT lines for `forecast_base`; writes the configuration
// when every source was obtained and every path fits into it; then writes the
// report (write_report), whose result it returns. A path too long for the
// forecaster, or a configuration that cannot be written, gets a record in the
// report, which is why the configuration is written first.
bool finish_run(RunOutcome outcome, const std::string& forecast_base,
                const std::string& report_path, Report& report);

// Writes the report's document to `report_path`, and its causes beside it.
// When that fails, the report records so and goes to kReportName in the
// working directory instead. When that fails too, says so on standard error
// and returns false.
bool write_report(const std::string& report_path, Report& report);

}  // namespace velk::prep
