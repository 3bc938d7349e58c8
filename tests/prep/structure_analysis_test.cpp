#include "check/structure_analysis.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "run/error_report.h"
#include "test_support.h"

namespace {

std::string lines(int count, std::size_t length) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string(length, 'r') + "\n";
  return text;
}

TEST(TextScan, CountsEmptyLinesOutsideTheLastTenCharacters) {
  const ReportPair no_gap{"FileStructureAnalysis2", "FileStructureRowMissing", 0},
      gap{"FileStructureAnalysis2", "FileStructureRowMissing", 1},
      ok{"FileStructureAnalysis2", "FileStructure", 0},
      bad{"FileStructureAnalysis2", "FileStructure", 1};
  const struct {
    int (*scan)(std::string);
    std::string text;
    int expected;
    std::vector<ReportPair> pairs;
  } cases[] = {
      {FileStructureAnalysis3,
       "aaaa\n\n\n\nccccccccccccccccc\n",
       3,
       {gap, gap, gap}},                                                    // three in a row
      {FileStructureAnalysis3, lines(3, 20) + "\n123456789", 0, {no_gap}},  // in the tail
      // An existing ACE file: its 31st line must be a MAG or SWEPAM record.
      {FileStructureAnalysis2, lines(30, 85) + lines(10, 86), 1, {no_gap, bad}},
      {FileStructureAnalysis2, lines(30, 85), 1, {no_gap, bad}},
      {FileStructureAnalysis2, lines(35, 85) + "\n" + lines(5, 85), 1, {gap, ok}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
    report_reset();
    EXPECT_EQ(c.scan(c.text), c.expected);
    EXPECT_EQ(report_pairs(error_file), c.pairs);
  }
}

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
