// The checks of fetched texts and existing input files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "check/input_data_analysis.h"
#include "check/structure_analysis.h"
#include "run/error_report.h"
#include "test_support.h"

namespace {

// The clock stands in January 2013: current month 1, previous month 12.
TEST(RecordCheck, ClassifiesByFirstLineLengthAndLabelsByMonth) {
  // A first line of `length` characters (line feed not counted) whose month
  // field at `at` holds `month`, followed by a second line.
  const auto first_line = [](std::size_t length, std::size_t at, const std::string& month) {
    return std::string(length, '0').replace(at, month.size(), month) + "\nnext line\n";
  };
  const std::string structure_ok = "FileAnalysis FileStructure 0",
                    date_ok = "FileAnalysis FileDate 0";
  const std::vector<std::string> good{structure_ok, date_ok}, bad{"FileAnalysis FileStructure 1"};
  const struct {
    std::string text;
    const char* label;
    std::vector<std::string> pairs;
  } cases[] = {
      {first_line(72, 5, "01"), "SWEPAM1", good},
      {first_line(85, 5, "12"), "MAG2", good},
      {first_line(85, 5, "06"), "", {structure_ok, "FileAnalysis FileDate 1"}},
      {first_line(86, 5, "01"), "", bad},
      {first_line(120, 5, "01"), "DST1", good},
      {first_line(123, 5, "12"), "DST2", good},
      {first_line(124, 5, "01"), "", bad},
      {first_line(70, 5, "01"), "", bad},
      {first_line(62, 2, "12"), "KP2", good},
      {first_line(20, 2, " 1"), "KP1", good},  // blank-padded month
      // Texts without a record of their own never get a label.
      {"", "", bad},
      {std::string(85, '0'), "", bad},  // no line feed
      {"13\n", "", bad},                // too short for the month
  };
  FixedClock clock("2013-01-05 07:03");
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
    report_reset();
    InputData_analysis analysis;
    analysis.data_analysis(c.text);
    EXPECT_EQ(analysis.get_dataname(), c.label);
    EXPECT_EQ(report_pairs(error_file), c.pairs);
  }
}

TEST(TextScan, CountsEmptyLinesOutsideTheLastTenCharacters) {
  const auto lines = [](int count, std::size_t length) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(length, 'r') + "\n";
    return text;
  };
  const std::string no_gap = "FileStructureAnalysis2 FileStructureRowMissing 0",
                    gap = "FileStructureAnalysis2 FileStructureRowMissing 1",
                    bad = "FileStructureAnalysis2 FileStructure 1";
  report_reset();
  EXPECT_EQ(FileStructureAnalysis3("aaaa\n\n\n\nccccccccccccccccc\n"), 3);  // three in a row
  EXPECT_EQ(FileStructureAnalysis3(lines(3, 20) + "\n123456789"), 0);       // in the tail
  EXPECT_EQ(report_pairs(error_file), (std::vector<std::string>{gap, gap, gap, no_gap}));
  // An existing ACE file: its 31st line must be a MAG or SWEPAM record.
  report_reset();
  EXPECT_EQ(FileStructureAnalysis2(lines(30, 85) + lines(10, 86)), 1);
  EXPECT_EQ(FileStructureAnalysis2(lines(30, 85)), 1);
  EXPECT_EQ(report_pairs(error_file), (std::vector<std::string>{no_gap, bad, no_gap, bad}));
}

// Fault guarded (the pipe): opening a named pipe blocked the run for ever.
// (Present, absent and empty names are the end-to-end cases' and the cycle's.)
TEST(FilesInXmlTest, OnlyAReadableRegularFileIsChecked) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo("pipe", 0644), 0);
  for (const std::string path : {"./", "pipe"}) {
    report_reset();
    EXPECT_EQ(FilesInXmlTest(path), 1) << path;
    EXPECT_EQ(report_pairs(error_file).front(), "FileRead '" + path + "'read 1");
  }
}

}  // namespace
