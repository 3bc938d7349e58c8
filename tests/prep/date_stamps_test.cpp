#include "acquire/date_stamps.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "test_support.h"

namespace {

struct DateKeyCase {
  int year, month, day, hour, minute;
  const char* present;
  const char* last;
  const char* short_present;
  const char* short_last;
  const char* stamp;
};

class DateKeys : public ::testing::TestWithParam<DateKeyCase> {};

TEST_P(DateKeys, FormatTheMomentInUtc) {
  const DateKeyCase& c = GetParam();
  const std::tm t = utc_time(utc_moment(c.year, c.month, c.day, c.hour, c.minute));
  EXPECT_EQ(present_data(t), c.present);
  EXPECT_EQ(last_data(t), c.last);
  EXPECT_EQ(short_data_present(t), c.short_present);
  EXPECT_EQ(short_data_last(t), c.short_last);
  EXPECT_EQ(FileTimeForm(t), c.stamp);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, DateKeys,
    ::testing::Values(
        // January: the previous month is December of the previous year.
        DateKeyCase{2013, 1, 5, 7, 3, "201301", "201212", "1301", "1212", "2013_004_07_03"},
        DateKeyCase{2013, 3, 15, 18, 40, "201303", "201302", "1303", "1302", "2013_073_18_40"},
        DateKeyCase{2012, 12, 31, 23, 59, "201212", "201211", "1212", "1211", "2012_365_23_59"},
        // Day of year is zero-based: 1 January is 000; 31 December of a
        // common year is 364.
        DateKeyCase{2015, 1, 1, 0, 0, "201501", "201412", "1501", "1412", "2015_000_00_00"},
        DateKeyCase{2015, 12, 31, 9, 9, "201512", "201511", "1512", "1511", "2015_364_09_09"},
        DateKeyCase{2015, 4, 10, 10, 10, "201504", "201503", "1504", "1503", "2015_099_10_10"},
        DateKeyCase{2015, 1, 11, 12, 0, "201501", "201412", "1501", "1412", "2015_010_12_00"},
        DateKeyCase{2024, 10, 1, 23, 5, "202410", "202409", "2410", "2409", "2024_274_23_05"},
        DateKeyCase{2010, 2, 1, 1, 1, "201002", "201001", "1002", "1001", "2010_031_01_01"}));

TEST(DateKeysClock, NoArgumentHelpersReadTheInstalledClock) {
  FixedClock clock(2013, 1, 5, 7, 3);
  EXPECT_EQ(year_time(), 2013);
  EXPECT_EQ(year_time_short(), 13);
  EXPECT_EQ(month_time(), 1);
  EXPECT_EQ(month_time_last(), 12);
  EXPECT_EQ(yearday_time(), 4);
  EXPECT_EQ(hour_time(), 7);
  EXPECT_EQ(min_time(), 3);
  EXPECT_EQ(last_data(), "201212");
  EXPECT_EQ(FileTimeForm(), "2013_004_07_03");
}

TEST(DateKeysClock, TimeZoneSettingPlaysNoPart) {
  FixedClock clock(2013, 3, 1, 0, 30);
  const char* saved = std::getenv("TZ");
  const std::string previous = saved ? saved : "";
  ::setenv("TZ", "America/New_York", 1);
  ::tzset();
  const std::string present = present_data();
  const std::string stamp = FileTimeForm();
  if (saved) {
    ::setenv("TZ", previous.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
  EXPECT_EQ(present, "201303");
  EXPECT_EQ(stamp, "2013_059_00_30");
}

}  // namespace
