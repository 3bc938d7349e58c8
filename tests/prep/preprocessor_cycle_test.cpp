#include "run/preprocessor_cycle.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "run/error_report.h"
#include "run/input_paths.h"
#include "run/order_file.h"
#include "test_support.h"

namespace {

// Whole cycles without any upstream service: every transfer is refused.
int run(std::vector<std::string> args) {
  args.insert(args.begin(), "nrtprep");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  report_reset();
  return run_preprocessor_cycle(static_cast<int>(args.size()), argv.data());
}

// Fault guarded: an order file that could not be read safely ended the run
// without a report (or, nested deep enough, crashed it).
TEST(Cycle, UnreadableOrderFileEndsWithStatusOneAndAClosedReport) {
  ScratchDir dir;
  std::string deep;
  for (std::size_t i = 0; i <= kMaxOrderFileDepth; ++i) deep = "<a>" + deep + "</a>";
  for (const std::string& order : {std::string("<Order><File>"), deep}) {
    write_file("velk_nrt.cfg", "old");
    write_file("order.xml", order);
    EXPECT_EQ(run({"order.xml"}), 1);
    const std::string report = read_file("errorfile.xml");
    EXPECT_EQ(report_pairs(report).back(), (ReportPair{"OrderFileReading", "OderFileRead", 1}));
    EXPECT_EQ(report.substr(report.size() - 27), "</Errors>\n</Zuv_errorfile>\n");
    EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
    EXPECT_EQ(directory_entries(".").size(), 3u);  // nothing was fetched
  }
}

TEST(Cycle, EmptyDirectoryAndAceNamesCheckTheEmptyPathBeforeEachDownload) {
  ScratchDir dir;
  write_file("order.xml", "<Order/>");
  EXPECT_EQ(run({"order.xml"}), 0);
  std::vector<std::string> steps;
  for (const ReportPair& pair : report_pairs(read_file("errorfile.xml"))) {
    steps.push_back(pair.step + ":" + pair.error);
  }
  const auto mag = std::find(steps.begin(), steps.end(), "FileRead:''read");
  ASSERT_NE(mag, steps.end());
  EXPECT_EQ((mag + 1)->rfind("AceMagFileDownload:", 0), 0u);
  const auto swepam = std::find(mag + 1, steps.end(), "FileRead:''read");
  ASSERT_NE(swepam, steps.end());
  EXPECT_EQ((swepam + 1)->rfind("AceSwepamFileDownload:", 0), 0u);
}

struct PathCase {
  const char* name;
  const char* dir;
  const char* file;
  const char* index_path;
  const char* ace_path;
  const char* forecast_path;
};

class OrderRunPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(OrderRunPaths, FollowWhatTheOrderFileGave) {
  const PathCase& c = GetParam();
  EXPECT_EQ(index_input_path(c.dir, c.file, "default"), c.index_path);
  EXPECT_EQ(ace_download_path(c.dir, c.file, "default"), c.ace_path);
  EXPECT_EQ(forecast_base_path(c.dir, c.file, "default"), c.forecast_path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OrderRunPaths,
    ::testing::Values(PathCase{"Both", "d/", "f", "d/f", "d/f", "d/f"},
                      PathCase{"NameOnly", "", "f", "default", "f", "f"},
                      // A directory alone names no file: ACE takes the default
                      // name as Dst and Kp do.
                      PathCase{"DirectoryOnly", "d/", "", "default", "default", "default"},
                      PathCase{"Neither", "", "", "default", "default", "default"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
