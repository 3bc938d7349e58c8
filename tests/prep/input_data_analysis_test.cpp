#include "check/input_data_analysis.h"

#include <gtest/gtest.h>

#include "run/error_report.h"
#include "test_support.h"

namespace {

// A first line of `length` characters (line feed not counted) whose month
// field at `month_position` holds `month`, followed by a second line.
std::string first_line(std::size_t length, std::size_t month_position, const std::string& month) {
  std::string line(length, '0');
  line.replace(month_position, month.size(), month);
  return line + "\nnext line\n";
}

// The clock stands in January 2013: current month 1, previous month 12.
TEST(RecordCheck, ClassifiesByFirstLineLengthAndLabelsByMonth) {
  const ReportPair structure_ok{"FileAnalysis", "FileStructure", 0},
      structure_bad{"FileAnalysis", "FileStructure", 1}, date_ok{"FileAnalysis", "FileDate", 0},
      date_bad{"FileAnalysis", "FileDate", 1};
  const struct {
    std::string text;
    const char* label;
    std::vector<ReportPair> pairs;
  } cases[] = {
      {first_line(72, 5, "01"), "SWEPAM1", {structure_ok, date_ok}},
      {first_line(85, 5, "12"), "MAG2", {structure_ok, date_ok}},
      {first_line(85, 5, "06"), "", {structure_ok, date_bad}},
      {first_line(86, 5, "01"), "", {structure_bad}},
      {first_line(120, 5, "01"), "DST1", {structure_ok, date_ok}},
      {first_line(123, 5, "12"), "DST2", {structure_ok, date_ok}},
      {first_line(124, 5, "01"), "", {structure_bad}},
      {first_line(70, 5, "01"), "", {structure_bad}},
      {first_line(62, 2, "12"), "KP2", {structure_ok, date_ok}},
      {first_line(20, 2, " 1"), "KP1", {structure_ok, date_ok}},  // blank-padded month
      // Texts without a record of their own never get a label.
      {"", "", {structure_bad}},
      {std::string(85, '0'), "", {structure_bad}},  // no line feed
      {"13\n", "", {structure_bad}},                // too short for the month
  };
  FixedClock clock(2013, 1, 5, 7, 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
    report_reset();
    InputData_analysis analysis;
    analysis.data_analysis(c.text);
    EXPECT_EQ(analysis.get_dataname(), c.label);
    EXPECT_EQ(report_pairs(error_file), c.pairs);
  }
}

}  // namespace
