#include "forecast/run/input_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "forecast/text/text_record.h"
#include "tests/forecast/test_support.h"

namespace velk::forecast {
namespace {

using testing::run_end_of;

const FillValues kUF = {-999.9,  -999.9, -999.9, -999.9, -999.9, -999.9, -100000.0, -9999.9,
                        -9999.9, 99.0,   9999.0, 0.0,    9.0,    9.0,    9.0,       9.0};

// The calendar of hour k after 1 January 2010 + `start` hours, from the C library.
std::tm hour_after(long start, long k) {
  const std::time_t t = 1262304000 + (start + k) * 3600;
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm;
}

template <typename... T>
std::string line_of(const char* format, T... values) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

// Writes `text` from 1-based column `col`.
void place(std::string& line, int col, const std::string& text) {
  line.replace(static_cast<std::size_t>(col - 1), text.size(), text);
}

// Hourly ACE records from `start` hours after 2010 began, and one Kp and Dst
// record per day that starts among them. Record k and day d carry values that
// tell inputs, records and days apart, all exact in binary.
struct InputFiles {
  std::vector<std::string> mag, swepam, kp, dst;
  HourlyTable table;
  std::ostringstream out;
  testing::ScratchDir dir;

  void make_hours(long start, int count) {
    mag = swepam = kp = dst = {};
    for (int k = 0; k < count; ++k) {
      const std::tm h = hour_after(start, k);
      const std::string date =
          line_of("%4d %02d %02d  %02d00", h.tm_year + 1900, h.tm_mon + 1, h.tm_mday, h.tm_hour);
      // Bx, By, Bz, Bt, latitude, longitude: inputs 4, 5, 6, 1, 2, 3.
      mag.push_back(date +
                    line_of("   54891       0    0  %6.1f  %6.1f  %6.1f  %6.1f  %6.1f  %6.1f",
                            k + 0.5, 100.0 + k, -k - 0.5, 200.0 + k, -50.5, 300.0 + k));
      // Density, speed, temperature: inputs 8, 9, 7.
      swepam.push_back(date + std::string(25, ' ') +
                       line_of("%7.1f    %7.1f    %9.2e", k + 0.5, 400.0 + k, (k + 1) * 1000.0));
      if (h.tm_hour != 0) continue;
      const int d = static_cast<int>(kp.size()), yy = (h.tm_year + 1900) % 100;
      std::string kp_line = line_of("%2d%2d%2d2396 6", yy, h.tm_mon + 1, h.tm_mday),
                  dst_line = line_of("DST%02d%02d*%02d  X220   0", yy, h.tm_mon + 1, h.tm_mday);
      for (int i = 0; i < 8; ++i) kp_line += line_of("%2d", 10 * d + i);
      kp_line += " 50";
      for (int i = 0; i < 8; ++i) kp_line += line_of("%3d", 100 + 10 * d + i);
      for (int i = 0; i < 24; ++i) dst_line += line_of("%4d", -(d * 24 + i));
      kp.push_back(kp_line);
      dst.push_back(dst_line + "  -5");
    }
  }

  std::vector<std::string> paths() {
    const auto write = [&](const char* name, const std::vector<std::string>& lines, bool header) {
      std::string text = header ? "#\n# UT Date   Time\n# YR MO DA  HHMM\n#----\n" : "";
      for (const std::string& line : lines) text += line + "\n";
      return dir.write(name, text);
    };
    return {write("mag", mag, true), write("swepam", swepam, true), write("kp", kp, false),
            write("dst", dst, false)};
  }

  int read(int nmax, const std::vector<std::string>& files = {}) {
    const std::vector<std::string> f = files.empty() ? paths() : files;
    table.resize(nmax);
    out.str("");
    return read_input_tables(table, kUF, {f[0], f[1], f[2], f[3]}, out);
  }

  // Rows from..to hold the calendar of hours start + from - 1 ... and the
  // harmonic inputs of that calendar, the integers converted before the products.
  void expect_calendar(long start, int from, int to) {
    const double k4Pi = 12.566370614359172;
    for (int t = from; t <= to; ++t) {
      const std::tm h = hour_after(start, t - 1);
      const std::size_t i = static_cast<std::size_t>(t - 1);
      const double hour = (h.tm_hour - 2) * k4Pi / 24.0, day = (h.tm_yday + 1 - 80) * k4Pi / 365.24;
      ASSERT_EQ(std::make_tuple(table.yr[i], table.mo[i], table.da[i], table.hr[i], table.doy[i],
                                table.at(13, t), table.at(14, t), table.at(15, t), table.at(16, t)),
                std::make_tuple(h.tm_year + 1900, h.tm_mon + 1, h.tm_mday, h.tm_hour, h.tm_yday + 1,
                                std::sin(hour), std::cos(hour), std::sin(day), std::cos(day)))
          << "row " << t;
    }
  }

  void expect_fill_values(int from, int to) {
    for (int t = from; t <= to; ++t)
      for (int j = 1; j <= kMainInputCount; ++j)
        EXPECT_EQ(table.at(j, t), kUF[j - 1]) << "input " << j << " row " << t;
  }
};

constexpr long kMarch2012 = (365 + 365 + 31 + 29) * 24;  // 1 March 2012, 0 UT

// The daily indices of the rows before the first hour 0 keep their fill
// values. The calendar of rows read is compared by the end-to-end cases.
TEST(InputTables, PairsRecordsAndSpreadsTheDailyIndicesFromTheFirstHourZero) {
  InputFiles f;
  f.make_hours(kMarch2012 + 20, 52);  // from 20 UT: the first daily record is row 5's
  ASSERT_EQ(f.read(72), 52);
  EXPECT_EQ(f.table.rows_read, 52);
  EXPECT_EQ(f.out.str(), "");
  for (int t = 1; t <= 52; ++t) {
    const int k = t - 1, day = (k - 4) / 24, interval = (k - 4) % 24 / 3;
    const double want[] = {200.0 + k,        -50.5,
                           300.0 + k,        k + 0.5,
                           100.0 + k,        -k - 0.5,
                           (k + 1) * 1000.0, k + 0.5,
                           400.0 + k,        10.0 * day + interval,
                           4.0 - k,          100.0 + 10 * day + interval};
    for (int j = 1; j <= 12; ++j)
      EXPECT_EQ(f.table.at(j, t), j > 9 && k < 4 ? kUF[j - 1] : want[j - 1]) << j << " " << t;
  }
}

// From the end of 2011 through the leap day of 2012, two year ends and the
// common-year Februaries of 2013 and 2014, row by row against the C library.
TEST(InputTables, ContinuationCalendarCrossesMonthsLeapDaysAndYears) {
  InputFiles f;
  const long start = 2 * 365 * 24 - 2;  // 31 December 2011, 22 UT
  f.make_hours(start, 2);
  ASSERT_EQ(f.read(24 * 1000), 2);
  f.expect_calendar(start, 1, 24 * 1000);
}

TEST(InputTables, AMissingDailyRecordOrABlankMagLineEndsReading) {
  InputFiles f;
  f.make_hours(kMarch2012, 72);
  f.dst.pop_back();  // the Dst file holds one day fewer than the ACE files
  EXPECT_EQ(f.read(96), 48);
  // Kp of the third day was read but does not stay: its record pair is not counted.
  f.expect_fill_values(49, 96);
  f.expect_calendar(kMarch2012, 49, 96);
  f.kp.resize(1);
  EXPECT_EQ(f.read(96), 24);

  // Guards against refusing the run for a blank Kp or Dst day line (a Kp
  // list that does not hold today yet ends in one): that day's indices keep
  // their fill values and the other days are read.
  f.make_hours(kMarch2012, 72);
  f.kp[2] = "";
  f.dst[1] = "   ";
  EXPECT_EQ(f.read(96), 72);
  for (int t = 1; t <= 72; ++t) {
    EXPECT_EQ(f.table.at(10, t) == kUF[9], t > 48) << t;
    EXPECT_EQ(f.table.at(12, t) == kUF[11], t > 48) << t;
    EXPECT_EQ(f.table.at(11, t) == kUF[10], t > 24 && t <= 48) << t;
  }

  f.make_hours(kMarch2012, 48);
  f.mag[29] = "";
  EXPECT_EQ(f.read(48), 29);
  f.expect_fill_values(30, 30);
  f.expect_calendar(kMarch2012, 30, 30);
}

// Guards against CR LF line ends: the CR must not become a character of the
// record, which made a blank last line or a short Dst record a read error.
TEST(InputTables, ShortRecordsReadTheMissingColumnsAsZeroWithEitherLineEnd) {
  for (const std::string line_end : {"", "\r"}) {
    InputFiles f;
    f.make_hours(kMarch2012, 24);
    f.dst[0].resize(60);       // hours 0..9 complete; a CR falls into the field of hour 10
    place(f.kp[0], 17, "  ");  // third Kp value blank
    f.mag[3].resize(45);       // only Bx present
    f.mag.push_back("");       // a blank last line
    f.swepam.push_back("");
    for (auto* file : {&f.mag, &f.swepam, &f.kp, &f.dst})
      for (std::string& line : *file) line += line_end;
    ASSERT_EQ(f.read(48), 24);
    // Dst of hour 11 and Kp of 06-09 UT read zero, not the fill value.
    const std::tuple<int, int, double> cells[] = {{11, 10, -9.0}, {11, 11, 0.0}, {11, 24, 0.0},
                                                  {10, 7, 0.0},   {4, 4, 3.5},   {5, 4, 0.0},
                                                  {3, 4, 0.0},    {9, 24, 423.0}};
    for (const auto& [j, t, value] : cells) EXPECT_EQ(f.table.at(j, t), value) << j << " " << t;
  }
}

TEST(InputTables, ReportsCapacityInShortAndLongForm) {
  InputFiles f;
  f.make_hours(kMarch2012, 48);
  EXPECT_EQ(f.read(24), 24);  // day 2's indices would pass row 24
  EXPECT_EQ(f.out.str(), " MAXIMUM SAMPLE VOLUME REACHED, REMAINING DATA IGNORED\n\n");
  f.make_hours(kMarch2012 + 1, 10);
  EXPECT_EQ(f.read(5), 5);
  EXPECT_EQ(f.out.str(), " MAXIMUM SAMPLE VOLUME REACHED, REMAINING DATA IGNORED\n 6 5\n\n");
}

TEST(InputTables, EndsTheRunWithAMessageOnABadRecord) {
  InputFiles f;
  const auto read_error = [&](int error, const char* name, int counter) {
    std::string path = f.dir.file(name);
    path.resize(255, ' ');
    return " A RUN-TIME ERROR F   " + std::to_string(error) +
           " WAS ENCOUNTERED WHILE READING THE INPUT FILE\n " + path + "\n AT LINE # " +
           line_of("%8d", counter) + "\n";
  };
  const std::string mismatch = " DATE/TIME IN MAG AND SWEPAM DATA DO NOT MATCH\n";
  // Guard against placing a Kp or Dst day on another day than its own (a
  // month or a day shifted, or another year).
  const std::string kp_day = " DATE IN MAG AND KP DATA DO NOT MATCH\n";
  const std::string dst_day = " DATE IN MAG AND DST DATA DO NOT MATCH\n";
  // Guards against indexing the day-offset table with a month outside 1..12,
  // and against rows whose calendar no clock shows (day or hour 99).
  const auto calendar = [](const char* what) {
    return " " + std::string(what) + " IN THE ACE DATA AT LINE #        4\n";
  };
  const std::string month = calendar("MONTH OUTSIDE 1..12");
  // File (4: both ACE files), record index, column, text there, message.
  const std::tuple<int, int, int, const char*, std::string> cases[] = {
      {1, 5, 13, "06", mismatch},  // the hour-5 pair
      {1, 5, 1, "2013", mismatch},
      {4, 3, 6, "13", month},
      {4, 3, 6, "00", month},
      {4, 3, 6, "02 30", calendar("DAY OUTSIDE 1..29")},  // 2012 is a leap year
      {4, 3, 1, "2013 02 29", calendar("DAY OUTSIDE 1..28")},
      {4, 3, 9, "00", calendar("DAY OUTSIDE 1..31")},
      {4, 3, 13, "24", calendar("HOUR OUTSIDE 0..23")},
      // Guards against rows that are not hour after hour: a lost or repeated
      // ACE hour shifted every lag and the day's Kp and Dst off their hours.
      {4, 3, 13, "04", calendar("RECORD NOT ONE HOUR AFTER THE ONE BEFORE")},
      {4, 3, 13, "02", calendar("RECORD NOT ONE HOUR AFTER THE ONE BEFORE")},
      {4, 24, 9, "03",
       " RECORD NOT ONE HOUR AFTER THE ONE BEFORE IN THE ACE DATA AT LINE #       25\n"},
      {2, 1, 5, " 3", kp_day},  // day 2 holding the record of day 3
      {2, 0, 1, "11", kp_day},
      {3, 1, 6, "04", dst_day},
      {3, 0, 4, "13", dst_day},
      {0, 2, 40, "  x1.0", read_error(1, "mag", 3)},
      {0, 4, 64, "9e+999", read_error(2, "mag", 5)},
      {1, 1, 64, "6.13f+04", read_error(1, "swepam", 2)},
      {2, 1, 13, "3+", read_error(1, "kp", 25)},  // Kp of day 2: pair 25
      {3, 0, 21, "--12", read_error(1, "dst", 1)},
  };
  for (const auto& [file, index, col, text, message] : cases) {
    f.make_hours(kMarch2012, 48);
    std::vector<std::string>* files[] = {&f.mag, &f.swepam, &f.kp, &f.dst};
    for (int i = 0; i < 4; ++i)
      if (i == file || (file == 4 && i < 2)) place((*files[i])[index], col, text);
    EXPECT_EQ(run_end_of([&] { f.read(48); }), message) << file << " " << text;
  }
}

// Guards against continuing the calendar from a row 0 when nothing was read.
TEST(InputTables, NoRecordGivesAnEmptySampleAndFillValues) {
  InputFiles f;
  EXPECT_EQ(f.read(48), 0);
  f.expect_fill_values(1, 48);
  EXPECT_EQ(f.read(0), 0);
  f.mag.push_back("");  // a blank first record ends reading too
  f.swepam.push_back("");
  EXPECT_EQ(f.read(24), 0);
}

// Guards against reading what is no regular file or has no bounds: /dev/zero
// or a named pipe as an input file grew memory without limit or hung the run.
TEST(InputTables, UnusableFilesEndAbnormallyNamingThem) {
  ::alarm(60);  // a regression that waits on the pipe fails instead of hanging
  InputFiles f;
  f.make_hours(kMarch2012, 24);
  const std::string pipe = f.dir.file("pipe"), huge = f.dir.write("huge", "");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::filesystem::resize_file(huge, kMaxInputFileBytes + 1);  // sparse: takes no room
  const std::string unusable[] = {
      f.dir.file("absent"),
      "/dev/zero",
      pipe,
      huge,
      f.dir.write("long", std::string(kMaxRecordLength + 1, '2') + "\n"),
      f.dir.write("three", "#\n#\n#\n"),  // last: only the ACE files have a header
  };
  for (std::size_t named = 0; named < 4; ++named) {
    for (const std::string& bad : unusable) {
      if (named >= 2 && bad == unusable[5]) continue;
      std::vector<std::string> files = f.paths();
      files[named] = bad;
      EXPECT_TRUE(testing::abnormal_naming(run_end_of([&] { f.read(24, files); }), bad)) << named;
    }
  }
  ::alarm(0);
}

}  // namespace
}  // namespace velk::forecast
