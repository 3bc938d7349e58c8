#include <gtest/gtest.h>

#include <filesystem>

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

// Fault guarded: lists of other months were neither joined nor written, yet
// the acquisition reported success and the configuration named a missing file.
TEST(AceAcquisition, ListsOfOtherMonthsFailWithoutAFile) {
  for (const AceList* list : {&kAceMag, &kAceSwepam}) {
    ScratchDir dir;
    FixedClock clock(2013, 3, 15, 18, 40);
    report_reset();
    write_file("up-present", ace_month(*list, 2013, 3));
    write_file("up-last", ace_month(*list, 2012, 11));
    EXPECT_EQ(ace_acquisition(*list, "ace.asc", file_url("up-present"), file_url("up-last")), 1);
    EXPECT_FALSE(std::filesystem::exists("ace.asc")) << list->label_stem;
  }
}

}  // namespace
