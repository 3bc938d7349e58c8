#include "check/structure_analysis.h"

#include <gtest/gtest.h>

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

struct EmptyLineCase {
  const char* name;
  std::string text;
  int expected;
};

class EmptyLineCheck : public ::testing::TestWithParam<EmptyLineCase> {};

TEST_P(EmptyLineCheck, CountsEmptyLinesOutsideTheLastTenCharacters) {
  report_reset();
  EXPECT_EQ(FileStructureAnalysis3(GetParam().text), GetParam().expected);
  std::vector<ReportPair> expected(GetParam().expected, kRowMissing);
  if (GetParam().expected == 0) expected.push_back(kNoRowMissing);
  EXPECT_EQ(report_pairs(error_file), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EmptyLineCheck,
    ::testing::Values(EmptyLineCase{"Clean", lines(5, 20), 0},
                      EmptyLineCase{"TwoEmptyLines", "aaaa\n\nbbbb\n\ncccccccccccccccccc\n", 2},
                      EmptyLineCase{"ThreeInARow", "aaaa\n\n\n\nccccccccccccccccccccc\n", 3},
                      EmptyLineCase{"EmptyLineInTheTail", lines(3, 20) + "\n123456789", 0},
                      EmptyLineCase{"DoubledFinalLineFeed", lines(3, 20) + "\n", 0},
                      EmptyLineCase{"LeadingLineFeedsFromPositionOne", "\n\naaaaaaaaaaaaaaaaaaa",
                                    1},
                      EmptyLineCase{"ElevenCharactersAreNotScanned", "\n\n\n\n\n\n\n\n\n\n\n", 0},
                      EmptyLineCase{"Empty", "", 0}),
    [](const auto& info) { return info.param.name; });

struct AceFileCase {
  const char* name;
  std::string text;
  int expected;
  std::vector<ReportPair> pairs;
};

class ExistingAceScan : public ::testing::TestWithParam<AceFileCase> {};

TEST_P(ExistingAceScan, NeedsARecordAsTheThirtyFirstLine) {
  report_reset();
  EXPECT_EQ(FileStructureAnalysis2(GetParam().text), GetParam().expected);
  EXPECT_EQ(report_pairs(error_file), GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExistingAceScan,
    ::testing::Values(
        AceFileCase{"MagFile", lines(4, 85) + lines(40, 85), 0, {kNoRowMissing, kStructureOk}},
        AceFileCase{"SwepamFile", lines(4, 74) + lines(40, 72), 0, {kNoRowMissing, kStructureOk}},
        AceFileCase{"ThirtyFirstLineTooLong",
                    lines(30, 85) + lines(10, 86),
                    1,
                    {kNoRowMissing, kStructureBad}},
        AceFileCase{"TooFewLines", lines(30, 85), 1, {kNoRowMissing, kStructureBad}},
        AceFileCase{"EmptyLineAfterLine31",
                    lines(35, 85) + "\n" + lines(5, 85),
                    1,
                    {kRowMissing, kStructureOk}},
        AceFileCase{"Empty", "", 1, {kNoRowMissing, kStructureBad}}),
    [](const auto& info) { return info.param.name; });

TEST(FilesInXmlTest, UsableFilePasses) {
  ScratchDir dir;
  write_file("mag.asc", lines(4, 85) + lines(40, 85));
  report_reset();
  EXPECT_EQ(FilesInXmlTest("mag.asc"), 0);
  EXPECT_EQ(
      report_pairs(error_file),
      (std::vector<ReportPair>{{"FileRead", "'mag.asc'read", 0}, kNoRowMissing, kStructureOk}));
}

TEST(FilesInXmlTest, MissingEmptyOrDirectoryPathFailsWithAFileReadRecord) {
  ScratchDir dir;
  for (const std::string path : {"absent.asc", "", "./"}) {
    report_reset();
    EXPECT_EQ(FilesInXmlTest(path), 1) << path;
    EXPECT_EQ(report_pairs(error_file),
              (std::vector<ReportPair>{{"FileRead", "'" + path + "'read", 1}}));
  }
}

}  // namespace
