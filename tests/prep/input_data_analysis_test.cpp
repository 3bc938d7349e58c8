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

const ReportPair kStructureOk{"FileAnalysis", "FileStructure", 0};
const ReportPair kStructureBad{"FileAnalysis", "FileStructure", 1};
const ReportPair kDateOk{"FileAnalysis", "FileDate", 0};
const ReportPair kDateBad{"FileAnalysis", "FileDate", 1};

struct AnalysisCase {
  const char* name;
  std::string text;
  const char* label;
  std::vector<ReportPair> pairs;
};

class RecordCheck : public ::testing::TestWithParam<AnalysisCase> {};

// The clock stands in January 2013: current month 1, previous month 12.
TEST_P(RecordCheck, ClassifiesByFirstLineLengthAndLabelsByMonth) {
  FixedClock clock(2013, 1, 5, 7, 3);
  report_reset();
  InputData_analysis analysis;
  analysis.data_analysis(GetParam().text);
  EXPECT_EQ(analysis.get_dataname(), GetParam().label);
  EXPECT_EQ(report_pairs(error_file), GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RecordCheck,
    ::testing::Values(
        AnalysisCase{"Swepam", first_line(72, 5, "01"), "SWEPAM1", {kStructureOk, kDateOk}},
        AnalysisCase{"MagPrevious", first_line(85, 5, "12"), "MAG2", {kStructureOk, kDateOk}},
        AnalysisCase{"MagOtherMonth", first_line(85, 5, "06"), "", {kStructureOk, kDateBad}},
        AnalysisCase{"OneCharacterTooMany", first_line(86, 5, "01"), "", {kStructureBad}},
        AnalysisCase{"Dst120", first_line(120, 5, "01"), "DST1", {kStructureOk, kDateOk}},
        AnalysisCase{"Dst123", first_line(123, 5, "12"), "DST2", {kStructureOk, kDateOk}},
        AnalysisCase{"Dst124IsNotDst", first_line(124, 5, "01"), "", {kStructureBad}},
        AnalysisCase{"Between", first_line(70, 5, "01"), "", {kStructureBad}},
        AnalysisCase{"Kp", first_line(62, 2, "12"), "KP2", {kStructureOk, kDateOk}},
        AnalysisCase{"BlankPaddedMonth", first_line(20, 2, " 1"), "KP1", {kStructureOk, kDateOk}},
        // Texts without a record of their own never get a label.
        AnalysisCase{"Empty", "", "", {kStructureBad}},
        AnalysisCase{"NoLineFeed", std::string(85, '0'), "", {kStructureBad}},
        AnalysisCase{"TooShortForTheMonth", "13\n", "", {kStructureBad}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
