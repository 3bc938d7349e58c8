#include <gtest/gtest.h>

#include "acquire/ace_acquisition.h"
#include "run/error_report.h"
#include "test_support.h"

namespace {

// An ACE month as the list service publishes it: header, marker line, records.
std::string ace_month(const AceList& list, int year, int month) {
  const bool mag = std::string(list.label_stem) == "MAG";
  const std::string date = std::to_string(year) + (month < 10 ? " 0" : " ") + std::to_string(month);
  std::string text = ":Product: list\n# Prepared 2\n#" + std::string(mag ? 84 : 73, '-') + "\n";
  for (int hour = 0; hour < 40; ++hour) text += date + std::string(mag ? 78 : 65, '1') + "\n";
  return text;
}

class AceAcquisition : public ::testing::TestWithParam<const AceList*> {
 protected:
  AceAcquisition() : clock_(2013, 3, 15, 18, 40) { report_reset(); }
  ScratchDir dir_;
  FixedClock clock_;
};

TEST_P(AceAcquisition, JoinsThePreviousAndTheCurrentMonth) {
  const AceList& list = *GetParam();
  write_file("up-present", ace_month(list, 2013, 3));
  write_file("up-last", ace_month(list, 2013, 2));
  EXPECT_EQ(ace_acquisition(list, "ace.asc", file_url("up-present"), file_url("up-last")), 0);
  EXPECT_EQ(read_file("ace.asc").substr(0, 4), "#   ");
  EXPECT_EQ(directory_entries(".").size(), 3u);  // no working file is left
}

// Fault guarded: lists of other months were neither joined nor written, yet
// the acquisition reported success and the configuration named a missing file.
TEST_P(AceAcquisition, ListsOfOtherMonthsFailWithoutAFile) {
  const AceList& list = *GetParam();
  write_file("up-present", ace_month(list, 2013, 3));
  write_file("up-last", ace_month(list, 2012, 11));
  EXPECT_EQ(ace_acquisition(list, "ace.asc", file_url("up-present"), file_url("up-last")), 1);
  EXPECT_FALSE(file_exists("ace.asc"));
}

INSTANTIATE_TEST_SUITE_P(Lists, AceAcquisition, ::testing::Values(&kAceMag, &kAceSwepam));

}  // namespace
