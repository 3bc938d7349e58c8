#include "forecast/readnrtd.h"

#include <gtest/gtest.h>

#include "scratch_files.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "forecast/configuration.h"
#include "forecast/run_end.h"

namespace velk {
namespace {

constexpr double kFourPi = 12.566370614359172;
const FillValues kUF = {-999.9,  -999.9, -999.9, -999.9, -999.9, -999.9, -100000.0, -9999.9,
                        -9999.9, 99.0,   9999.0, 0.0,    9.0,    9.0,    9.0,       9.0};

int days_in_month(int yr, int mo) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return mo == 2 && yr % 4 == 0 ? 29 : days[mo - 1];
}

struct Hour {
  int yr, mo, da, hr;
  Hour next() const {
    Hour h = *this;
    if (++h.hr < 24) return h;
    h.hr = 0;
    if (++h.da <= days_in_month(h.yr, h.mo)) return h;
    h.da = 1;
    if (++h.mo <= 12) return h;
    h.mo = 1;
    ++h.yr;
    return h;
  }
  int doy() const {
    int d = da;
    for (int m = 1; m < mo; ++m) d += days_in_month(yr, m);
    return d;
  }
};

template <typename T>
std::string fmt(const char* format, T value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Writes `text` from 1-based column `col`, padding the line with blanks.
void place(std::string& line, int col, const std::string& text) {
  const std::size_t at = static_cast<std::size_t>(col - 1);
  if (line.size() < at + text.size()) line.resize(at + text.size(), ' ');
  line.replace(at, text.size(), text);
}

std::string date_columns(const Hour& h) {
  std::string line;
  place(line, 1, fmt("%4d", h.yr));
  place(line, 6, fmt("%02d", h.mo));
  place(line, 9, fmt("%02d", h.da));
  place(line, 13, fmt("%02d", h.hr) + "00");
  return line;
}

// Record k carries values that tell inputs and records apart, all exact in binary.
std::string mag_record(const Hour& h, int k) {
  std::string line = date_columns(h);
  place(line, 20, "54891       0    0");
  place(line, 40, fmt("%6.1f", k + 0.5));    // Bx, input 4
  place(line, 48, fmt("%6.1f", 100.0 + k));  // By, input 5
  place(line, 56, fmt("%6.1f", -k - 0.5));   // Bz, input 6
  place(line, 64, fmt("%6.1f", 200.0 + k));  // Bt, input 1
  place(line, 72, fmt("%6.1f", -50.5));      // latitude, input 2
  place(line, 80, fmt("%6.1f", 300.0 + k));  // longitude, input 3
  return line;
}
std::string swepam_record(const Hour& h, int k) {
  std::string line = date_columns(h);
  place(line, 42, fmt("%7.1f", k + 0.5));           // density, input 8
  place(line, 53, fmt("%7.1f", 400.0 + k));         // speed, input 9
  place(line, 64, fmt("%9.2e", (k + 1) * 1000.0));  // temperature, input 7
  return line;
}
std::string kp_record(int day) {
  std::string line = " 9 3 12396 6";
  for (int i = 0; i < 8; ++i) place(line, 13 + 2 * i, fmt("%2d", 10 * day + i));
  place(line, 29, " 50");
  for (int i = 0; i < 8; ++i) place(line, 32 + 3 * i, fmt("%3d", 100 + 10 * day + i));
  return line;
}
std::string dst_record(int day) {
  std::string line = "DST0903*01  X220   0";
  for (int h = 0; h < 24; ++h) place(line, 21 + 4 * h, fmt("%4d", -(day * 24 + h)));
  place(line, 117, "  -5");
  return line;
}

class ReadnrtdTest : public ::testing::Test {
 protected:
  // Hourly records from `start`, and one Kp and Dst record per day that starts in them.
  void make_hours(Hour start, int count) {
    reset();
    Hour h = start;
    int day = 0;
    for (int k = 0; k < count; ++k, h = h.next()) {
      mag.push_back(mag_record(h, k));
      swepam.push_back(swepam_record(h, k));
      if (h.hr == 0) {
        kp.push_back(kp_record(day));
        dst.push_back(dst_record(day));
        ++day;
      }
    }
  }

  // Tests may run side by side in separate processes: each has its own files.
  std::string path(const char* name) const { return scratch_.file(name); }
  velk::testing::ScratchDir scratch_;

  static void write(const std::string& file, const std::vector<std::string>& lines, bool header) {
    std::ofstream out(file, std::ios::binary);
    if (header) out << "#\n# UT Date   Time\n# YR MO DA  HHMM\n#----\n";
    for (const std::string& line : lines) out << line << "\n";
  }

  int read(int nmax) {
    write(path("mag"), mag, true);
    write(path("swepam"), swepam, true);
    write(path("kp"), kp, false);
    write(path("dst"), dst, false);
    table.resize(nmax);
    return readnrtd(table, kUF, path("mag"), path("swepam"), path("kp"), path("dst"), out);
  }

  void reset() {
    mag.clear();
    swepam.clear();
    kp.clear();
    dst.clear();
    out.str("");
  }

  std::vector<std::string>& lines(const std::string& name) {
    return name == "mag" ? mag : name == "swepam" ? swepam : name == "kp" ? kp : dst;
  }

  // The text of the RunEnd that reading throws, or "" when it returns.
  std::string run_end_text(int nmax, RunEnd::Kind* kind = nullptr) {
    try {
      read(nmax);
    } catch (const RunEnd& e) {
      if (kind != nullptr) *kind = e.kind();
      return e.text();
    }
    return "";
  }

  void TearDown() override {
    for (const char* name : {"mag", "swepam", "kp", "dst"}) std::remove(path(name).c_str());
  }

  void expect_harmonics(int t) {
    const double hour_phase = static_cast<double>(table.hr[t - 1] - 2) * kFourPi / 24.0;
    const double day_phase = static_cast<double>(table.doy[t - 1] - 80) * kFourPi / 365.24;
    EXPECT_EQ(table.at(13, t), std::sin(hour_phase)) << "row " << t;
    EXPECT_EQ(table.at(14, t), std::cos(hour_phase)) << "row " << t;
    EXPECT_EQ(table.at(15, t), std::sin(day_phase)) << "row " << t;
    EXPECT_EQ(table.at(16, t), std::cos(day_phase)) << "row " << t;
  }

  void expect_calendar(int t, const Hour& h) {
    EXPECT_EQ(table.yr[t - 1], h.yr) << "row " << t;
    EXPECT_EQ(table.mo[t - 1], h.mo) << "row " << t;
    EXPECT_EQ(table.da[t - 1], h.da) << "row " << t;
    EXPECT_EQ(table.hr[t - 1], h.hr) << "row " << t;
    EXPECT_EQ(table.doy[t - 1], h.doy()) << "row " << t;
  }

  void expect_fill_values(int t, int first_input = 1) {
    for (int j = first_input; j <= kMainInputCount; ++j) {
      EXPECT_EQ(table.at(j, t), kUF[j - 1]) << "input " << j << " row " << t;
    }
  }

  std::vector<std::string> mag, swepam, kp, dst;
  HourlyTable table;
  std::ostringstream out;
};

TEST_F(ReadnrtdTest, PairsRecordsAndSpreadsTheDailyIndices) {
  make_hours({2012, 2, 28, 0}, 48);
  ASSERT_EQ(read(72), 48);
  EXPECT_EQ(table.nrec, 48);
  EXPECT_EQ(out.str(), "");
  Hour h{2012, 2, 28, 0};
  for (int t = 1; t <= 48; ++t, h = h.next()) {
    const int k = t - 1, day = k / 24, interval = (k % 24) / 3;
    expect_calendar(t, h);
    EXPECT_EQ(table.at(1, t), 200.0 + k);
    EXPECT_EQ(table.at(2, t), -50.5);
    EXPECT_EQ(table.at(3, t), 300.0 + k);
    EXPECT_EQ(table.at(4, t), k + 0.5);
    EXPECT_EQ(table.at(5, t), 100.0 + k);
    EXPECT_EQ(table.at(6, t), -k - 0.5);
    EXPECT_EQ(table.at(7, t), (k + 1) * 1000.0);
    EXPECT_EQ(table.at(8, t), k + 0.5);
    EXPECT_EQ(table.at(9, t), 400.0 + k);
    EXPECT_EQ(table.at(10, t), 10.0 * day + interval) << "row " << t;
    EXPECT_EQ(table.at(11, t), -static_cast<double>(k)) << "row " << t;
    EXPECT_EQ(table.at(12, t), 100.0 + 10 * day + interval) << "row " << t;
    expect_harmonics(t);
  }
  // The third Kp value (06-09 UT) sits in the rows of hours 6, 7 and 8.
  EXPECT_EQ(table.at(10, 7), 2.0);
  EXPECT_EQ(table.at(10, 9), 2.0);
  EXPECT_EQ(table.at(10, 10), 3.0);
  // Continuation: fill values and the clock running on into 1 March.
  for (int t = 49; t <= 72; ++t, h = h.next()) {
    expect_calendar(t, h);
    expect_fill_values(t);
    expect_harmonics(t);
  }
  EXPECT_EQ(table.mo[48], 3);
  EXPECT_EQ(table.da[48], 1);
}

TEST_F(ReadnrtdTest, EndsTheRunWhenMagAndSwepamTimesDiffer) {
  const struct {
    int col;
    const char* text;
  } changes[] = {{13, "06"}, {1, "2013"}, {6, "04"}, {9, "02"}};
  for (const auto& change : changes) {
    make_hours({2012, 3, 1, 0}, 24);
    place(swepam[5], change.col, change.text);  // the hour-5 pair
    RunEnd::Kind kind{};
    EXPECT_EQ(run_end_text(24, &kind), " DATE/TIME IN MAG AND SWEPAM DATA DO NOT MATCH\n");
    EXPECT_EQ(kind, RunEnd::Kind::kMessage);
  }
}

TEST_F(ReadnrtdTest, AMissingDailyRecordEndsReadingAtThatDay) {
  make_hours({2012, 3, 1, 0}, 72);
  dst.pop_back();  // the Dst file holds one day fewer than the ACE files
  EXPECT_EQ(read(96), 48);
  // Kp of the third day was read but does not stay: its record pair is not counted.
  for (int t = 49; t <= 96; ++t) expect_fill_values(t);
  EXPECT_EQ(table.hr[48], 0);
  EXPECT_EQ(table.da[48], 3);

  kp.pop_back();
  kp.pop_back();
  EXPECT_EQ(read(96), 24);
}

TEST_F(ReadnrtdTest, ABlankMagLineEndsReading) {
  make_hours({2012, 3, 1, 0}, 48);
  mag[29] = "";
  EXPECT_EQ(read(48), 29);
  expect_fill_values(30);
  EXPECT_EQ(table.hr[29], 5);
  expect_harmonics(30);
}

// Guards against CR LF line ends: the CR must not become a character of the
// record, which made a blank last line or a short Dst record a read error.
TEST_F(ReadnrtdTest, CrLfLineEndsReadLikeLineFeeds) {
  make_hours({2012, 3, 1, 0}, 24);
  dst[0].resize(60);  // the CR falls into the field of hour 10
  for (std::vector<std::string>* file : {&mag, &swepam, &kp, &dst}) {
    for (std::string& line : *file) line += "\r";
  }
  mag.push_back("\r");
  swepam.push_back("\r");
  EXPECT_EQ(read(48), 24);
  EXPECT_EQ(table.at(11, 11), 0.0);
  EXPECT_EQ(table.at(9, 24), 423.0);
}

TEST_F(ReadnrtdTest, ShortRecordsReadTheMissingColumnsAsZero) {
  make_hours({2012, 3, 1, 0}, 24);
  dst[0].resize(60);       // hours 0..9 complete
  place(kp[0], 17, "  ");  // third Kp value blank
  mag[3].resize(45);       // only Bx present
  ASSERT_EQ(read(24), 24);
  EXPECT_EQ(table.at(11, 10), -9.0);
  EXPECT_EQ(table.at(11, 11), 0.0);  // not the fill value
  EXPECT_EQ(table.at(11, 24), 0.0);
  EXPECT_EQ(table.at(10, 7), 0.0);
  EXPECT_EQ(table.at(4, 4), 3.5);
  EXPECT_EQ(table.at(5, 4), 0.0);
  EXPECT_EQ(table.at(3, 4), 0.0);
}

TEST_F(ReadnrtdTest, ReportsCapacityInShortAndLongForm) {
  make_hours({2012, 3, 1, 0}, 48);
  EXPECT_EQ(read(24), 24);  // day 2's indices would pass row 24
  EXPECT_EQ(out.str(), " MAXIMUM SAMPLE VOLUME REACHED, REMAINING DATA IGNORED\n\n");

  out.str("");
  make_hours({2012, 3, 1, 1}, 10);
  EXPECT_EQ(read(5), 5);
  EXPECT_EQ(out.str(), " MAXIMUM SAMPLE VOLUME REACHED, REMAINING DATA IGNORED\n 6 5\n\n");
}

TEST_F(ReadnrtdTest, ReportsReadErrorsWithTheRecordPairCounter) {
  const struct {
    const char* name;
    int index;
    int col;
    const char* text;
    int error;
    int counter;
  } cases[] = {
      {"mag", 2, 40, "  x1.0", 1, 3}, {"mag", 0, 9, "1a", 1, 1},
      {"mag", 4, 64, "9e+999", 2, 5}, {"swepam", 1, 64, "6.13f+04", 1, 2},
      {"kp", 1, 13, "3+", 1, 25},  // Kp of day 2: pair 25
      {"dst", 0, 21, "--12", 1, 1},
  };
  for (const auto& c : cases) {
    make_hours({2012, 3, 1, 0}, 48);
    place(lines(c.name)[static_cast<std::size_t>(c.index)], c.col, c.text);
    std::string padded = path(c.name);
    padded.resize(255, ' ');
    char counter[16];
    std::snprintf(counter, sizeof counter, "%8d", c.counter);
    RunEnd::Kind kind{};
    EXPECT_EQ(run_end_text(48, &kind), " A RUN-TIME ERROR F   " + std::to_string(c.error) +
                                           " WAS ENCOUNTERED WHILE READING THE INPUT FILE\n " +
                                           padded + "\n AT LINE # " + counter + "\n")
        << c.name << " " << c.text;
    EXPECT_EQ(kind, RunEnd::Kind::kMessage);
  }
}

// Guards against indexing the day-offset table with a month outside 1..12.
TEST_F(ReadnrtdTest, AMonthOutsideTheYearEndsTheRunWithAMessage) {
  for (const char* month : {"13", "00", "-1"}) {
    make_hours({2012, 3, 1, 0}, 24);
    place(mag[3], 6, month);
    place(swepam[3], 6, month);
    RunEnd::Kind kind{};
    EXPECT_EQ(run_end_text(24, &kind), " MONTH OUTSIDE 1..12 IN THE ACE DATA AT LINE #        4\n");
    EXPECT_EQ(kind, RunEnd::Kind::kMessage);
  }
}

// Guards against continuing the calendar from a row 0 when nothing was read.
TEST_F(ReadnrtdTest, NoRecordGivesAnEmptySampleAndFillValues) {
  EXPECT_EQ(read(48), 0);
  for (int t = 1; t <= 48; ++t) expect_fill_values(t);
  EXPECT_EQ(read(0), 0);
  mag.push_back("");  // a blank first record ends reading too
  swepam.push_back("");
  EXPECT_EQ(read(24), 0);
}

TEST_F(ReadnrtdTest, RowsBeforeTheFirstHourZeroHoldFillValuesInTheIndices) {
  make_hours({2012, 3, 1, 20}, 28);
  ASSERT_EQ(read(48), 28);
  for (int t = 1; t <= 4; ++t) expect_fill_values(t, 10);
  EXPECT_EQ(table.at(10, 5), 0.0);  // day 2's first Kp value
  EXPECT_EQ(table.at(12, 5), 100.0);
  EXPECT_EQ(table.at(11, 28), -23.0);
  EXPECT_EQ(table.at(1, 1), 200.0);
}

// From the end of 2011 through the leap day of 2012, two year ends and the
// common-year Februaries of 2013 and 2014, row by row against an independent
// calendar.
TEST_F(ReadnrtdTest, ContinuationCalendarCrossesMonthsLeapDaysAndYears) {
  Hour h{2011, 12, 31, 22};
  make_hours(h, 2);
  const int rows = 24 * 1000;
  ASSERT_EQ(read(rows), 2);
  for (int t = 1; t <= rows; ++t, h = h.next()) {
    ASSERT_EQ(table.hr[t - 1], h.hr) << "row " << t;
    ASSERT_EQ(table.da[t - 1], h.da) << "row " << t;
    ASSERT_EQ(table.mo[t - 1], h.mo) << "row " << t;
    ASSERT_EQ(table.yr[t - 1], h.yr) << "row " << t;
    ASSERT_EQ(table.doy[t - 1], h.doy()) << "row " << t;
    if (t % 997 == 0) expect_harmonics(t);
  }
}

TEST_F(ReadnrtdTest, UnopenableOrHeaderlessFilesEndAbnormally) {
  make_hours({2012, 3, 1, 0}, 24);
  read(24);
  const auto expect_abnormal_naming = [&](const std::vector<std::string>& files, int bad) {
    try {
      readnrtd(table, kUF, files[0], files[1], files[2], files[3], out);
      ADD_FAILURE() << files[bad];
    } catch (const RunEnd& e) {
      EXPECT_EQ(e.kind(), RunEnd::Kind::kAbnormal);
      EXPECT_NE(e.text().find(files[bad]), std::string::npos) << e.text();
    }
  };
  const std::vector<std::string> files = {path("mag"), path("swepam"), path("kp"), path("dst")};
  for (int bad = 0; bad < 4; ++bad) {
    std::vector<std::string> with_absent = files;
    with_absent[bad] += ".absent";
    expect_abnormal_naming(with_absent, bad);
  }
  write(path("swepam"), {"#", "#", "#"}, false);
  expect_abnormal_naming(files, 1);
  write(path("mag"), {"#", "#", "#"}, false);
  expect_abnormal_naming(files, 0);
}

// Three recorded days (ACE lists, final Dst, definitive Kp of 1-3 March 2009)
// in the layout the preprocessor writes, ending with its doubled line feed.
TEST(ReadnrtdRecordedDataTest, ReadsThreeDaysOfMarch2009) {
  const std::string dir = VELK_TEST_DATA_DIR "/";
  const std::string mag = dir + "ace_mag_200903_3days.asc";
  const int nrec0 = count_mag_records(mag);
  EXPECT_EQ(nrec0, 73);  // 72 records and the blank line
  HourlyTable table(table_rows(3, nrec0));
  ASSERT_EQ(table.nmax, 96);
  std::ostringstream out;
  ASSERT_EQ(readnrtd(table, kUF, mag, dir + "ace_swepam_200903_3days.asc",
                     dir + "kp_200903_3days.asc", dir + "dst_200903_3days.asc", out),
            72);
  EXPECT_EQ(out.str(), "");
  // 2009 03 01 0000: -1.0 -1.3 -1.2 2.0 -38.1 232.4 | 1.8 469.1 6.13e+04
  const double first[] = {2.0, -38.1, 232.4, -1.0, -1.3, -1.2, 61300.0, 1.8, 469.1};
  for (int j = 1; j <= 9; ++j) EXPECT_EQ(table.at(j, 1), first[j - 1]) << "input " << j;
  // Kp 2010 7 3 7 3 0 0 and ap 7 4 3 2 3 2 0 0 on 1 March; Kp 23 and ap 9 at 21 UT on 3 March.
  EXPECT_EQ(table.at(10, 1), 20.0);
  EXPECT_EQ(table.at(10, 4), 10.0);
  EXPECT_EQ(table.at(12, 4), 4.0);
  EXPECT_EQ(table.at(10, 70), 23.0);
  EXPECT_EQ(table.at(12, 70), 9.0);
  EXPECT_EQ(table.at(11, 1), -2.0);
  EXPECT_EQ(table.at(11, 24), -7.0);
  EXPECT_EQ(table.at(11, 49), -4.0);
  EXPECT_EQ(table.at(4, 72), -7.5);
  EXPECT_EQ(table.doy[71], 62);
  EXPECT_EQ(table.da[72], 4);
  EXPECT_EQ(table.hr[72], 0);
  EXPECT_EQ(table.at(11, 73), 9999.0);
}

}  // namespace
}  // namespace velk
