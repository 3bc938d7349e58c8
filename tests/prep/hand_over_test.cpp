#include "run/hand_over.h"

#include <gtest/gtest.h>

#include <filesystem>

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

// The last pairs of the report in `path`, which must be closed.
std::vector<ReportPair> last_pairs(const std::string& path, std::size_t count) {
  const std::string report = read_file(path), closing = "</Errors>\n</Zuv_errorfile>\n";
  EXPECT_EQ(report.substr(report.size() - std::min(report.size(), closing.size())), closing);
  const std::vector<ReportPair> pairs = report_pairs(report);
  return {pairs.end() - static_cast<long>(std::min(count, pairs.size())), pairs.end()};
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
  EXPECT_EQ(last_pairs("errorfile.xml", 2),
            (std::vector<ReportPair>{
                {"ConfigFilePath", "'" + base + ".xml'longerThan255Characters", 1},
                {"ConfigFilePath", "'" + base + ".asc'longerThan255Characters", 1}}));
}

// Fault guarded: a configuration that could not be written (disk full) was
// not noticed, and a truncated one could replace the last good file.
TEST_F(HandOver, ConfigurationThatCannotBeWrittenIsReportedAndTheOldOneKept) {
  write_file("velk_nrt.cfg", "old");
  {
    FileSizeLimit full_disk(1024);  // room for the report, not for the configuration
    finish_run(all_sources(), "fc", "errorfile.xml");
  }
  EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
  EXPECT_EQ(last_pairs("errorfile.xml", 1),
            (std::vector<ReportPair>{{"FileWrite", "'velk_nrt.cfg'write", 1}}));
}

// Fault guarded: with an unusable output directory the report was lost and an
// older report there went on describing an earlier run.
TEST_F(HandOver, ReportThatCannotGoToTheOutputDirectoryGoesToTheWorkingOne) {
  RunOutcome failed;
  failed.add_source(1, "FNDST", "dst.asc");
  finish_run(failed, "fc", "missing/errorfile.xml");
  EXPECT_FALSE(std::filesystem::exists("velk_nrt.cfg"));
  EXPECT_EQ(last_pairs("errorfile.xml", 1),
            (std::vector<ReportPair>{{"FileWrite", "'missing/errorfile.xml'write", 1}}));
}

}  // namespace
