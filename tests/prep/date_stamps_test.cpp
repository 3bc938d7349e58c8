#include "acquire/date_stamps.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "test_support.h"

namespace {

// The service months and file stamps are UTC, whatever the zone of the host.
TEST(DateKeysClock, TimeZoneSettingPlaysNoPart) {
  FixedClock clock(2013, 3, 1, 0, 30);
  const char* saved = std::getenv("TZ");
  const std::string previous = saved ? saved : "";
  ::setenv("TZ", "America/New_York", 1);
  ::tzset();
  const std::string present = present_data();
  const std::string stamp = FileTimeForm();
  saved ? ::setenv("TZ", previous.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
  EXPECT_EQ(present, "201303");
  EXPECT_EQ(stamp, "2013_059_00_30");
}

}  // namespace
