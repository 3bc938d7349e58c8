// What velk_status reads back from a cycle: the report, the metadata, the
// forecast table, the causes beside the report and the forecast product,
// separated in that order by kPartSeparator lines (the report is read as an
// order file too); then the status made from them, its page and its log
// line. Readers may refuse a file only with std::runtime_error, and the
// status must render whatever they read.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "status/cycle_facts.h"
#include "status/cycle_status.h"
#include "status/status_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& dir = velk::fuzz::scratch();
  const std::vector<std::string> parts =
      velk::fuzz::split_parts(velk::fuzz::as_text(data, size), 5);
  velk::status::CycleRun run;
  run.time = "2017-09-09T08:30:00Z";
  run.variant = "dst";
  run.outcome = "forecast";
  run.report = dir.write("errorfile.xml", parts[0]);
  run.metadata = dir.write("fc.xml", parts[1]);
  run.table = dir.write("fc.asc", parts[2]);
  run.causes = dir.write("errorfile.causes", parts[3]);
  run.product = dir.write("fc.json", parts[4]);

  try {
    velk::status::read_report(run.report, false);
  } catch (const std::runtime_error&) {
  }
  try {
    velk::status::report_candidates(run.report);
  } catch (const std::runtime_error&) {
  }
  std::string fill_value = "-999.9";
  try {
    fill_value = velk::status::read_metadata(run.metadata).fill_value;
  } catch (const std::runtime_error&) {
  }
  try {
    velk::status::newest_forecasts(run.table, fill_value);
  } catch (const std::runtime_error&) {
  }

  const auto status = velk::status::cycle_status(run);
  status.dump(1);
  velk::status::status_page(status, std::string());
  velk::status::log_line(status);
  return 0;
}
