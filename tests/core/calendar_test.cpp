#include "common/calendar.h"

#include <gtest/gtest.h>

namespace {

// Guards against the three leap-year rules the programs once had: the input
// reader and the record check took every fourth year, so 2100 would have had
// a 29 February that the converter's calendar does not.
TEST(Calendar, OneLeapYearRuleForFourAndTwoDigitYears) {
  struct Row {
    int year;
    int february;
  };
  const Row rows[] = {{2023, 28},
                      {2024, 29},
                      {2000, 29},
                      {1900, 28},
                      {2100, 28},
                      // Two-digit years of the Dst and Kp records: 00 is 2000.
                      {0, 29},
                      {17, 28},
                      {24, 29}};
  for (const Row& row : rows) {
    EXPECT_EQ(velk::days_in_month(row.year, 2), row.february) << row.year;
    EXPECT_EQ(velk::days_in_year(row.year), 337 + row.february) << row.year;
  }
  EXPECT_EQ(velk::days_in_month(2100, 12), 31);
}

}  // namespace
