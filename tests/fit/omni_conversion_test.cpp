#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fit/civil_date.h"
#include "fit/nrt_records.h"
#include "fit/omni_conversion.h"
#include "forecast/readnrtd.h"

namespace velk::fit {
namespace {

// A real OMNI2 record (2015 day 1 hour 0) that the tests re-date and edit.
const std::string kRecord =
    "2015   1  0 2475 51 52  56  36   6.1   6.0  17.5 333.7   5.1  -2.5   1.8  -2.9   1.1   0.6"
    "   1.2   0.8   0.8   0.4  131106.   2.8  568.   1.0  -3.6 0.050  1.81   27977.   0.7   14."
    "   1.3   0.8 0.012  -0.62   0.81   7.8 23 104   -18   42 999999.99 99999.99 99999.99     0"
    ".15     0.06     0.04 -1   9 132.9  -0.2    -9    33  6.0";

// Writes `text` right-aligned into columns first..first+width-1 (1-based).
void put(std::string& line, int first, int width, const std::string& text) {
  ASSERT_LE(text.size(), static_cast<std::size_t>(width));
  line.replace(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(width),
               std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text);
}

std::string omni_line(int year, int doy, int hour) {
  std::string line = kRecord;
  put(line, 1, 4, std::to_string(year));
  put(line, 5, 4, std::to_string(doy));
  put(line, 9, 3, std::to_string(hour));
  return line;
}

// Converts consecutive hours of `year` from day `doy`, hour 0, `hours` long,
// after `edit` has changed line k.
template <typename Edit>
bool convert(int year, int doy, int hours, Edit edit, NrtTexts& texts, std::string& error) {
  OmniConverter converter(std::nullopt, std::nullopt);
  for (int k = 0; k < hours; ++k) {
    std::string line = omni_line(year, doy + k / 24, k % 24);
    edit(k, line);
    if (!converter.add(line, "test:" + std::to_string(k + 1), error)) return false;
  }
  return converter.finish(texts, error);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(CivilDate, JulianDayAndBartelsRotationMatchTheRecordedFiles) {
  // 2015-03-01 is MJD 57082 in the ACE lists; the Kp files give the rotation.
  EXPECT_EQ(modified_julian_day(CivilDate{2015, 3, 1}), 57082);
  int rotation = 0, day = 0;
  bartels_rotation(CivilDate{2020, 1, 1}, rotation, day);
  EXPECT_EQ(rotation, 2542);
  EXPECT_EQ(day, 22);
  bartels_rotation(CivilDate{2015, 2, 2}, rotation, day);
  EXPECT_EQ(rotation, 2476);
  EXPECT_EQ(day, 10);
  CivilDate d;
  ASSERT_TRUE(date_from_day_of_year(2016, 60, d));  // a leap year: 29 February
  EXPECT_EQ(d.month, 2);
  EXPECT_EQ(d.day, 29);
  EXPECT_FALSE(date_from_day_of_year(2015, 366, d));
}

TEST(OmniConversion, RecordsHaveTheColumnsTheForecasterReads) {
  NrtTexts texts;
  std::string error;
  ASSERT_TRUE(convert(
      2015, 1, 24, [](int, std::string&) {}, texts, error))
      << error;
  EXPECT_EQ(texts.mag.substr(0, mag_header().size()), mag_header());
  EXPECT_EQ(mag_header().size(), 293u);
  EXPECT_EQ(swepam_header().size(), 296u);
  const std::vector<std::string> mag = lines_of(texts.mag);
  const std::vector<std::string> swepam = lines_of(texts.swepam);
  ASSERT_EQ(mag.size(), 4u + 24u);
  EXPECT_EQ(
      mag[4],
      "2015 01 01  0000   57023       0    0     5.1    -2.9     1.1     6.0    10.6   330.4");
  EXPECT_EQ(swepam[4], "2015 01 01  0000   57023       0    0        2.8      568.0     1.31e+05");
  EXPECT_EQ(mag[27].substr(0, 16), "2015 01 01  2300");
  const std::vector<std::string> kp = lines_of(texts.kp);
  ASSERT_EQ(kp.size(), 1u);
  EXPECT_EQ(kp[0].size(), 62u);
  EXPECT_EQ(kp[0].substr(0, 31), "1501012475 52323232323232323187");
  const std::vector<std::string> dst = lines_of(texts.dst);
  ASSERT_EQ(dst.size(), 1u);
  EXPECT_EQ(dst[0].size(), 120u);
  EXPECT_EQ(dst[0].substr(0, 28), "DST1501*01    20   0 -18 -18");
  EXPECT_EQ(dst[0].substr(116), " -18");
}

class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("omni_conversion_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path) << text;
    return path;
  }
  std::filesystem::path dir_;
};

// The production fill values, as the forecaster's configuration gives them.
FillValues production_fills() {
  FillValues uf{};
  for (int j = 0; j < 6; ++j) uf[static_cast<std::size_t>(j)] = -999.9;
  uf[6] = -1.E5;
  uf[7] = -9999.9;
  uf[8] = -9999.9;
  uf[9] = 99.;
  uf[10] = 9999.;
  uf[11] = 0.;
  for (int j = 12; j < 16; ++j) uf[static_cast<std::size_t>(j)] = 9.;
  return uf;
}

struct FillCase {
  const char* what;
  int first_col, width;  // OMNI field
  const char* omni_fill;
  int input;  // forecaster input that must read as missing
};

TEST_F(ScratchDir, EveryOmniFillReadsAsTheForecastersFillValue) {
  const FillCase cases[] = {
      {"field magnitude", 37, 6, "999.9", 1}, {"Bx", 55, 6, "999.9", 4},
      {"By GSM", 73, 6, "999.9", 5},          {"Bz GSM", 79, 6, "999.9", 6},
      {"temperature", 115, 9, "9999999.", 7}, {"density", 124, 6, "999.9", 8},
      {"speed", 130, 6, "9999.", 9},          {"Kp", 219, 3, "99", 10},
      {"Dst", 226, 6, "99999", 11},           {"ap", 295, 4, "999", 12},
  };
  const FillValues uf = production_fills();
  for (const FillCase& c : cases) {
    SCOPED_TRACE(c.what);
    NrtTexts texts;
    std::string error;
    // Day 2, hours 6-8 (one whole 3-hour interval) carry the fill value.
    ASSERT_TRUE(convert(
        2015, 1, 72,
        [&](int k, std::string& line) {
          if (k >= 30 && k <= 32) put(line, c.first_col, c.width, c.omni_fill);
        },
        texts, error))
        << error;
    HourlyTable table(72 + 24);
    readnrtd(table, uf, write("mag", texts.mag), write("swepam", texts.swepam),
             write("kp", texts.kp), write("dst", texts.dst), std::cout);
    ASSERT_EQ(table.nrec, 72);
    for (int t = 30; t <= 34; ++t) {
      const bool filled = t >= 31 && t <= 33;  // rows are 1-based
      EXPECT_EQ(table.at(c.input, t) == uf[static_cast<std::size_t>(c.input - 1)], filled)
          << "row " << t;
    }
    // The GSM angles need all three components.
    if (c.input >= 4 && c.input <= 6) {
      EXPECT_EQ(table.at(2, 31), -999.9);
      EXPECT_EQ(table.at(3, 31), -999.9);
    }
  }
}

TEST_F(ScratchDir, ValuesReachTheTableUnchanged) {
  NrtTexts texts;
  std::string error;
  ASSERT_TRUE(convert(
      2016, 59, 48,  // 28 February and 29 February of a leap year
      [](int k, std::string& line) {
        put(line, 79, 6, k == 30 ? "-12.3" : "4.5");
        put(line, 130, 6, "612.");
        put(line, 226, 6, std::to_string(-100 - k));
        // A Kp that differs between the hours of its interval takes the first hour's.
        put(line, 219, 3, k == 27 ? "37" : (k == 28 ? "40" : "10"));
      },
      texts, error))
      << error;
  HourlyTable table(48 + 24);
  readnrtd(table, production_fills(), write("mag", texts.mag), write("swepam", texts.swepam),
           write("kp", texts.kp), write("dst", texts.dst), std::cout);
  ASSERT_EQ(table.nrec, 48);
  EXPECT_EQ(table.mo[24], 2);
  EXPECT_EQ(table.da[24], 29);
  EXPECT_EQ(table.at(6, 31), -12.3);
  EXPECT_EQ(table.at(9, 31), 612.0);
  for (int t = 1; t <= 48; ++t) EXPECT_EQ(table.at(11, t), -100 - (t - 1)) << "row " << t;
  for (int t = 28; t <= 30; ++t) EXPECT_EQ(table.at(10, t), 37.0) << "row " << t;
}

TEST(OmniConversion, RejectsWhatWouldShiftOrCutDays) {
  struct Case {
    const char* what;
    int doy, hours;
    int edited_line;  // -1: none
    int col, width;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"starts inside a day", 1, 24, 0, 9, 3, "23", "does not follow"},
      {"a skipped hour", 1, 24, 5, 9, 3, "6", "does not follow"},
      {"ends inside a day", 1, 30, -1, 0, 0, "", "whole days"},
      {"short record", 1, 24, -1, 0, 0, "", ""},
      {"unreadable field", 1, 24, 3, 130, 6, "4x0.", "plasma speed"},
      {"Dst too wide for four columns", 1, 24, 3, 226, 6, "-1000", "Dst value does not fit"},
      {"day outside the year", 365, 48, -1, 0, 0, "", "not a day of 2015"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NrtTexts texts;
    std::string error;
    const bool ok = convert(
        2015, c.doy, c.hours,
        [&](int k, std::string& line) {
          if (k == c.edited_line) put(line, c.col, c.width, c.text);
          if (std::string(c.what) == "short record" && k == 2) line.pop_back();
        },
        texts, error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(OmniConversion, SelectsWholeDaysAcrossAYearEnd) {
  OmniConverter converter(CivilDate{2015, 12, 31}, CivilDate{2016, 1, 1});
  std::string error;
  int n = 0;
  for (int k = 0; k < 72; ++k) {  // 30 Dec 2015 .. 1 Jan 2016
    const int doy = 364 + k / 24;
    const std::string line = doy <= 365 ? omni_line(2015, doy, k % 24) : omni_line(2016, 1, k % 24);
    ASSERT_TRUE(converter.add(line, "test:" + std::to_string(++n), error)) << error;
  }
  NrtTexts texts;
  ASSERT_TRUE(converter.finish(texts, error)) << error;
  const std::vector<std::string> kp = lines_of(texts.kp);
  ASSERT_EQ(kp.size(), 2u);
  EXPECT_EQ(kp[0].substr(0, 6), "151231");
  EXPECT_EQ(kp[1].substr(0, 6), "160101");
  EXPECT_EQ(lines_of(texts.mag).size(), 4u + 48u);
}

}  // namespace
}  // namespace velk::fit
