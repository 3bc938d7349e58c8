#include "check/structure_analysis.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "run/error_report.h"
#include "test_support.h"

namespace {

const ReportPair kNoRowMissing{"FileStructureAnalysis2", "FileStructureRowMissing", 0};
const ReportPair kRowMissing{"FileStructureAnalysis2", "FileStructureRowMissing", 1};
const ReportPair kStructureOk{"FileStructureAnalysis2", "FileStructure", 0};
const ReportPair kStructureBad{"FileStructureAnalysis2", "FileStructure", 1};

std::string lines(int count, std::size_t length) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string(length, 'r') + "\n";
  return text;
}

struct ScanCase {
  const char* name;
  int (*scan)(std::string);
  std::string text;
  int expected;
  std::vector<ReportPair> pairs;
};

class TextScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(TextScan, CountsEmptyLinesOutsideTheLastTenCharacters) {
  report_reset();
  EXPECT_EQ(GetParam().scan(GetParam().text), GetParam().expected);
  EXPECT_EQ(report_pairs(error_file), GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextScan,
    ::testing::Values(ScanCase{"ThreeInARow",
                               FileStructureAnalysis3,
                               "aaaa\n\n\n\nccccccccccccccccc\n",
                               3,
                               {kRowMissing, kRowMissing, kRowMissing}},
                      ScanCase{"EmptyLineInTheTail",
                               FileStructureAnalysis3,
                               lines(3, 20) + "\n123456789",
                               0,
                               {kNoRowMissing}},
                      // An existing ACE file: its 31st line must be a MAG or SWEPAM record.
                      ScanCase{"ThirtyFirstLineTooLong",
                               FileStructureAnalysis2,
                               lines(30, 85) + lines(10, 86),
                               1,
                               {kNoRowMissing, kStructureBad}},
                      ScanCase{"TooFewLines",
                               FileStructureAnalysis2,
                               lines(30, 85),
                               1,
                               {kNoRowMissing, kStructureBad}},
                      ScanCase{"EmptyLineAfterLine31",
                               FileStructureAnalysis2,
                               lines(35, 85) + "\n" + lines(5, 85),
                               1,
                               {kRowMissing, kStructureOk}}),
    [](const auto& info) { return info.param.name; });

// Fault guarded (the pipe): opening a named pipe blocked the run for ever.
TEST(FilesInXmlTest, OnlyAReadableRegularFileIsChecked) {
  ScratchDir dir;
  write_file("mag.asc", lines(44, 85));
  ASSERT_EQ(::mkfifo("pipe", 0644), 0);
  for (const std::string path : {"mag.asc", "absent.asc", "", "./", "pipe"}) {
    report_reset();
    const int usable = path == "mag.asc" ? 0 : 1;
    EXPECT_EQ(FilesInXmlTest(path), usable) << path;
    EXPECT_EQ(report_pairs(error_file).front(),
              (ReportPair{"FileRead", "'" + path + "'read", usable}));
  }
}

}  // namespace
