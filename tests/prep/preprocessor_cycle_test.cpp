#include "run/preprocessor_cycle.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "run/error_report.h"
#include "run/input_paths.h"
#include "run/order_file.h"
#include "test_support.h"

namespace {

// A whole cycle without any upstream service: every transfer is refused.
int run_cycle(const char* order_file) {
  std::string program = "nrtprep", order = order_file;
  char* argv[] = {program.data(), order.data(), nullptr};
  report_reset();
  return run_preprocessor_cycle(2, argv);
}

// Fault guarded: an order file nested deep enough to exhaust the parser's
// stack crashed the run instead of ending it with a report.
TEST(Cycle, TooDeepOrderFileEndsWithStatusOneAndAClosedReport) {
  ScratchDir dir;
  std::string deep;
  for (std::size_t i = 0; i <= kMaxOrderFileDepth; ++i) deep = "<a>" + deep + "</a>";
  write_file("velk_nrt.cfg", "old");
  write_file("order.xml", deep);
  EXPECT_EQ(run_cycle("order.xml"), 1);
  const std::string report = read_file("errorfile.xml");
  EXPECT_EQ(report_pairs(report).back(), (ReportPair{"OrderFileReading", "OderFileRead", 1}));
  EXPECT_EQ(report.substr(report.size() - 27), "</Errors>\n</Zuv_errorfile>\n");
  EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
  EXPECT_EQ(directory_entries(".").size(), 3u);  // nothing was fetched
}

TEST(Cycle, EmptyDirectoryAndAceNamesCheckTheEmptyPathBeforeEachDownload) {
  ScratchDir dir;
  write_file("order.xml", "<Order/>");
  EXPECT_EQ(run_cycle("order.xml"), 0);
  std::vector<std::string> steps;
  for (const ReportPair& pair : report_pairs(read_file("errorfile.xml")))
    steps.push_back(pair.step + ":" + pair.error);
  const auto mag = std::find(steps.begin(), steps.end(), "FileRead:''read");
  ASSERT_NE(mag, steps.end());
  EXPECT_EQ((mag + 1)->rfind("AceMagFileDownload:", 0), 0u);
  const auto swepam = std::find(mag + 1, steps.end(), "FileRead:''read");
  ASSERT_NE(swepam, steps.end());
  EXPECT_EQ((swepam + 1)->rfind("AceSwepamFileDownload:", 0), 0u);
}

// A directory alone names no file: ACE takes the default name as Dst and Kp
// do. (A name, with or without a directory, is used by the end-to-end cases.)
TEST(OrderRunPaths, WithoutANameTakeTheDefault) {
  for (const char* dir : {"d/", ""}) {
    EXPECT_EQ(index_input_path(dir, "", "default"), "default") << dir;
    EXPECT_EQ(ace_download_path(dir, "", "default"), "default") << dir;
    EXPECT_EQ(forecast_base_path(dir, "", "default"), "default") << dir;
  }
}

}  // namespace
