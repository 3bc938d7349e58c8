#include "run/hand_over.h"

#include <gtest/gtest.h>

#include "config/build_variant.h"
#include "config/config_file.h"
#include "run/error_report.h"
#include "test_support.h"

namespace {

RunOutcome all_sources(const std::string& dst_path = "dst.asc") {
  RunOutcome outcome;
  outcome.add_source(0, "FNDST", dst_path);
  outcome.add_source(0, "FNKP", "kp.asc");
  outcome.add_source(0, "FNMAG", "mag.asc");
  outcome.add_source(0, "FNSWEPAM", "swepam.asc");
  return outcome;
}

const char kClosing[] = "</Errors>\n</Zuv_errorfile>\n";

// The records a report written by finish_run ends with, before the closing.
std::string ends_with(const std::string& report, const std::string& records) {
  const std::string tail = records + kClosing;
  return report.size() >= tail.size() ? report.substr(report.size() - tail.size()) : report;
}

std::string record(const std::string& step, const std::string& error) {
  return "<Step>\n<StepName>" + step + "</StepName>\n<ErrorName>" + error +
         "</ErrorName>\n<Value>1</Value>\n</Step>\n";
}

class HandOver : public ::testing::Test {
 protected:
  HandOver() { report_start(); }
  ScratchDir dir_;
};

TEST_F(HandOver, AllSourcesGiveTheConfigurationAndTheReport) {
  finish_run(all_sources("in/o'brien.asc"), "out/fc", "errorfile.xml");
  // Fault guarded: an apostrophe in a path ended the text early and made the
  // whole group unreadable for the forecaster.
  EXPECT_EQ(read_file("velk_nrt.cfg"),
            config_file_text(build_variant(),
                             "FNDST='in/o''brien.asc'\nFNKP='kp.asc'\nFNMAG='mag.asc'\n"
                             "FNSWEPAM='swepam.asc'\nFNMET='out/fc.xml'\nFNDAT='out/fc.asc'\n/\n"));
  EXPECT_EQ(read_file("errorfile.xml"), error_file);
}

// Fault guarded: a path the forecaster would cut at 255 characters made it
// open the wrong file.
TEST_F(HandOver, OverlongPathWritesNoConfigurationAndSaysWhy) {
  write_file("velk_nrt.cfg", "old");
  const std::string base = "out/" + std::string(252, 'f');
  finish_run(all_sources(), base, "errorfile.xml");
  EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
  const std::string records =
      record("ConfigFilePath", "'" + base + ".xml'longerThan255Characters") +
      record("ConfigFilePath", "'" + base + ".asc'longerThan255Characters");
  const std::string report = read_file("errorfile.xml");
  EXPECT_EQ(ends_with(report, records), records + kClosing);
}

// Fault guarded: a configuration that could not be written (disk full) was
// not noticed, and a truncated one could replace the last good file.
TEST_F(HandOver, ConfigurationThatCannotBeWrittenIsReportedAndTheOldOneKept) {
  write_file("velk_nrt.cfg", "old");
  {
    // Room for the report, not for the configuration.
    FileSizeLimit full_disk(1024);
    finish_run(all_sources(), "fc", "errorfile.xml");
  }
  EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
  const std::string records = record("FileWrite", "'velk_nrt.cfg'write");
  EXPECT_EQ(ends_with(read_file("errorfile.xml"), records), records + kClosing);
}

// Fault guarded: with an unusable output directory the report was lost and an
// older report there went on describing an earlier run.
TEST_F(HandOver, ReportThatCannotGoToTheOutputDirectoryGoesToTheWorkingOne) {
  RunOutcome failed;
  failed.add_source(1, "FNDST", "dst.asc");
  finish_run(failed, "fc", "missing/errorfile.xml");
  EXPECT_FALSE(file_exists("velk_nrt.cfg"));
  const std::string records = record("FileWrite", "'missing/errorfile.xml'write");
  EXPECT_EQ(ends_with(read_file("errorfile.xml"), records), records + kClosing);
}

}  // namespace
