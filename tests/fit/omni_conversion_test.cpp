#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/calendar.h"
#include "fit/nrt_records.h"
#include "fit/omni_conversion.h"
#include "forecast/run/input_tables.h"
#include "tests/forecast/test_support.h"

namespace velk::fit {
namespace {

using velk::testing::lines_of;

// A real OMNI2 record (2015 day 1 hour 0) that the tests re-date and edit.
const std::string kRecord =
    "2015   1  0 2475 51 52  56  36   6.1   6.0  17.5 333.7   5.1  -2.5   1.8  -2.9   1.1   0.6"
    "   1.2   0.8   0.8   0.4  131106.   2.8  568.   1.0  -3.6 0.050  1.81   27977.   0.7   14."
    "   1.3   0.8 0.012  -0.62   0.81   7.8 23 104   -18   42 999999.99 99999.99 99999.99     0"
    ".15     0.06     0.04 -1   9 132.9  -0.2    -9    33  6.0";

// The production fill values, as the forecaster's configuration gives them.
const forecast::FillValues kFills{-999.9,  -999.9, -999.9, -999.9, -999.9, -999.9, -1.E5, -9999.9,
                                  -9999.9, 99.,    9999.,  0.,     9.,     9.,     9.,    9.};

// Writes `text` right-aligned into columns first..first+width-1 (1-based).
void put(std::string& line, std::size_t first, std::size_t width, const std::string& text) {
  ASSERT_LE(text.size(), width);
  line.replace(first - 1, width, std::string(width - text.size(), ' ') + text);
}

// Converts `hours` consecutive hours from day `doy` of `year`, hour 0, into
// the next year if need be, after `edit` has changed line k; keeps the days
// first..last.
template <typename Edit>
bool convert(int year, int doy, int hours, Edit edit, NrtTexts& texts, std::string& error,
             std::optional<CivilDate> first = {}, std::optional<CivilDate> last = {}) {
  OmniConverter converter(first, last);
  for (int k = 0; k < hours; ++k) {
    const int day = doy + k / 24, wrap = day > days_in_year(year) ? days_in_year(year) : 0;
    char head[40];
    std::snprintf(head, sizeof head, "%4d%4d%3d", year + (wrap ? 1 : 0), day - wrap, k % 24);
    std::string line = head + kRecord.substr(11);
    edit(k, line);
    if (!converter.add(line, "test:" + std::to_string(k + 1), error)) return false;
  }
  return converter.finish(texts, error);
}

// The converted texts as the forecaster reads them back.
forecast::HourlyTable read_back(const NrtTexts& texts, int hours) {
  const velk::testing::ScratchDir dir;
  forecast::HourlyTable table(hours + 24);
  forecast::read_input_tables(table, kFills,
                              {dir.write("mag", texts.mag), dir.write("swepam", texts.swepam),
                               dir.write("kp", texts.kp), dir.write("dst", texts.dst)},
                              std::cout);
  return table;
}

// Whole days are kept across the end of a leap year; every record has the
// columns the forecaster reads, and each value reaches its hour.
TEST(OmniConversion, RecordsHaveTheColumnsTheForecasterReads) {
  NrtTexts texts;
  std::string error;
  const auto edit = [](int k, std::string& line) {
    put(line, 226, 6, std::to_string(-k));
    // A Kp that differs between the hours of its interval takes the first hour's.
    if (k == 51 || k == 52) put(line, 219, 3, k == 51 ? "37" : "40");
  };
  // 30 December 2016 to 1 January 2017, of which the last two days are kept.
  ASSERT_TRUE(
      convert(2016, 365, 72, edit, texts, error, CivilDate{2016, 12, 31}, CivilDate{2017, 1, 1}))
      << error;
  const std::vector<std::string> mag = lines_of(texts.mag), swepam = lines_of(texts.swepam);
  ASSERT_EQ(mag.size(), 4u + 48u);
  EXPECT_EQ(
      mag[4],
      "2016 12 31  0000   57753       0    0     5.1    -2.9     1.1     6.0    10.6   330.4");
  EXPECT_EQ(swepam[4], "2016 12 31  0000   57753       0    0        2.8      568.0     1.31e+05");
  EXPECT_EQ(mag[51].substr(0, 16), "2017 01 01  2300");
  const std::vector<std::string> kp = lines_of(texts.kp), dst = lines_of(texts.dst);
  ASSERT_EQ(kp.size(), 2u);
  EXPECT_EQ(kp[0].size(), 62u);
  EXPECT_EQ(kp[0].substr(0, 31), "1612312502 62323232323232323187");  // Bartels 2502, day 6
  EXPECT_EQ(kp[1].substr(0, 6), "170101");
  ASSERT_EQ(dst.size(), 2u);
  EXPECT_EQ(dst[0].size(), 120u);
  EXPECT_EQ(dst[0].substr(0, 28), "DST1612*31    20   0 -24 -25");
  EXPECT_EQ(dst[0].substr(108), " -46 -47 -36");  // the last hours, then the daily mean -35.5
  EXPECT_EQ(dst[1].substr(0, 10), "DST1701*01");

  const forecast::HourlyTable table = read_back(texts, 48);
  ASSERT_EQ(table.rows_read, 48);
  EXPECT_EQ(table.mo[24] * 100 + table.da[24], 101);
  for (int t = 1; t <= 48; ++t) EXPECT_EQ(table.at(11, t), -(t + 23)) << "row " << t;
  for (int t = 28; t <= 30; ++t) EXPECT_EQ(table.at(10, t), 37.0) << "row " << t;
}

TEST(OmniConversion, EveryOmniFillReadsAsTheForecastersFillValue) {
  const struct {
    const char* what;
    int first_col, width;  // OMNI field
    const char* omni_fill;
    int input;  // forecaster input that must read as missing
  } cases[] = {
      {"field magnitude", 37, 6, "999.9", 1}, {"Bx", 55, 6, "999.9", 4},
      {"By GSM", 73, 6, "999.9", 5},          {"Bz GSM", 79, 6, "999.9", 6},
      {"temperature", 115, 9, "9999999.", 7}, {"density", 124, 6, "999.9", 8},
      {"speed", 130, 6, "9999.", 9},          {"Kp", 219, 3, "99", 10},
      {"Dst", 226, 6, "99999", 11},           {"ap", 295, 4, "999", 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NrtTexts texts;
    std::string error;
    // Day 2, hours 6-8 (one whole 3-hour interval) carry the fill value.
    const auto fill = [&](int k, std::string& line) {
      if (k >= 30 && k <= 32) put(line, c.first_col, c.width, c.omni_fill);
    };
    ASSERT_TRUE(convert(2015, 1, 72, fill, texts, error)) << error;
    const forecast::HourlyTable table = read_back(texts, 72);
    ASSERT_EQ(table.rows_read, 72);
    for (int t = 30; t <= 34; ++t) {
      const bool filled = t >= 31 && t <= 33;  // rows are 1-based
      EXPECT_EQ(table.at(c.input, t) == kFills[static_cast<std::size_t>(c.input - 1)], filled)
          << "row " << t;
    }
    if (c.input >= 4 && c.input <= 6) {  // the GSM angles need all three components
      EXPECT_EQ(table.at(2, 31), -999.9);
      EXPECT_EQ(table.at(3, 31), -999.9);
    }
  }
}

TEST(OmniConversion, RejectsWhatWouldShiftOrCutDays) {
  const struct {
    const char* what;
    int year, doy, hours, edited_line, col, width;  // edited_line -1: none
    const char* text;
    const char* message;
  } cases[] = {
      {"starts inside a day", 2015, 1, 24, 0, 9, 3, "23", "does not follow"},
      {"a skipped hour", 2015, 1, 24, 5, 9, 3, "6", "does not follow"},
      {"ends inside a day", 2015, 1, 30, -1, 0, 0, "", "whole days"},
      {"short record", 2015, 1, 24, -1, 0, 0, "", ""},
      {"unreadable field", 2015, 1, 24, 3, 130, 6, "4x0.", "plasma speed"},
      {"Dst too wide for four columns", 2015, 1, 24, 3, 226, 6, "-1000", "Dst value does not fit"},
      {"day outside the year", 2015, 1, 24, 0, 5, 4, "366", "not a day of 2015"},
      // Fault guarded: a leap rule without its century exceptions, which would
      // take day 366 of 1900 or 2100 for a day, or miss day 366 of 2000.
      {"1900 is no leap year", 1900, 1, 24, 0, 5, 4, "366", "not a day of 1900"},
      {"2100 is no leap year", 2100, 1, 24, 0, 5, 4, "366", "not a day of 2100"},
      {"2000 is a leap year", 2000, 365, 48, 24, 1, 8, "2001   1", "does not follow"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NrtTexts texts;
    std::string error;
    const auto edit = [&](int k, std::string& line) {
      if (k == c.edited_line) put(line, c.col, c.width, c.text);
      if (std::string(c.what) == "short record" && k == 2) line.pop_back();
    };
    EXPECT_FALSE(convert(c.year, c.doy, c.hours, edit, texts, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace velk::fit
