#include "forecast/run/input_tables.h"

#include <array>
#include <cmath>
#include <string>

#include "common/calendar.h"
#include "forecast/format/run_end.h"
#include "forecast/text/fixed_field.h"
#include "forecast/text/namelist.h"
#include "forecast/text/text_record.h"

namespace velk::forecast {
namespace {

// Inputs 13..16 are waves of half a day and half a year: sin(4 pi x / P)
// runs through two periods while x runs through P, hence 4 pi over 24 hours
// and over 365.24 days. Their phases count from 02 UT and from day 80 (about
// 21 March, the March equinox). Every model's coefficients were fitted to
// inputs with exactly these phases, so they are part of what a model means.
constexpr double kFourPi = 12.566370614359172;

// Days of a common year before the first day of month m, for m = 1..13.
constexpr std::array<int, 13> kDaysBeforeMonth = {0,   31,  59,  90,  120, 151, 181,
                                                  212, 243, 273, 304, 334, 365};

// Callers keep m within 1..13: data rows are checked to hold months 1..12,
// and the continuation never asks past month 13.
int days_before_month(int m) {
  return kDaysBeforeMonth[static_cast<std::size_t>(m - 1)];
}

void set_harmonic_inputs(HourlyTable& table, int t) {
  const int i = t - 1;
  const double hour_phase = static_cast<double>(table.hr[i] - 2) * kFourPi / 24.0;
  const double day_phase = static_cast<double>(table.doy[i] - 80) * kFourPi / 365.24;
  table.at(13, t) = std::sin(hour_phase);
  table.at(14, t) = std::cos(hour_phase);
  table.at(15, t) = std::sin(day_phase);
  table.at(16, t) = std::cos(day_phase);
}

// Converts the fields of one record; the first field that does not read
// ends the run with the read-error report, which counts ACE record pairs.
class RecordReader {
 public:
  RecordReader(const std::string& line, const RecordFile& file, int record)
      : line_(line), file_(file), record_(record) {}

  int integer(int col, int width) {
    int value = 0;
    check(read_int_field(line_, col, width, value));
    return value;
  }
  double real(int col, int width, int decimals) {
    double value = 0.0;
    check(read_real_field(line_, col, width, decimals, value));
    return value;
  }

 private:
  void check(FieldStatus status) const {
    if (status == FieldStatus::kOk) return;
    // The name fills its configuration text's whole width, as it was read.
    std::string padded = file_.path();
    if (padded.size() < kTextLength) padded.resize(kTextLength, ' ');
    throw RunEnd::lines(" A RUN-TIME ERROR F" + write_int_field(static_cast<int>(status), 4) +
                        " WAS ENCOUNTERED WHILE READING THE INPUT FILE\n " + padded +
                        "\n AT LINE # " + write_int_field(record_, 8) + "\n");
  }

  const std::string& line_;
  const RecordFile& file_;
  int record_;
};

struct AceRecord {
  int yr = 0, mo = 0, da = 0, hr = 0;
  std::array<double, 9> inputs{};  // inputs 1..9 at index 0..8
};

// Both lists begin with the same date and hour columns.
AceRecord read_calendar(RecordReader& r) {
  AceRecord a;
  a.yr = r.integer(1, 4);
  a.mo = r.integer(6, 2);
  a.da = r.integer(9, 2);
  a.hr = r.integer(13, 2);
  return a;
}

AceRecord read_mag(const std::string& line, const RecordFile& file, int record) {
  RecordReader r(line, file, record);
  AceRecord a = read_calendar(r);
  a.inputs[3] = r.real(40, 6, 1);  // Bx
  a.inputs[4] = r.real(48, 6, 1);  // By
  a.inputs[5] = r.real(56, 6, 1);  // Bz
  a.inputs[0] = r.real(64, 6, 1);  // Bt
  a.inputs[1] = r.real(72, 6, 1);  // latitude
  a.inputs[2] = r.real(80, 6, 1);  // longitude
  return a;
}

// Only the calendar and inputs 7..9 of the SWEPAM record are used.
AceRecord read_swepam(const std::string& line, const RecordFile& file, int record) {
  RecordReader r(line, file, record);
  AceRecord a = read_calendar(r);
  a.inputs[7] = r.real(42, 7, 1);  // proton density
  a.inputs[8] = r.real(53, 7, 1);  // bulk speed
  a.inputs[6] = r.real(64, 9, 2);  // ion temperature
  return a;
}

struct DayIndices {
  std::array<double, 8> kp{}, ap{};  // the eight 3-hour intervals
  std::array<double, 24> dst{};
  // False for a blank line: the day's record is missing, and its rows keep
  // the fill values.
  bool has_kp = true, has_dst = true;
};

bool is_blank(const std::string& line) {
  return line.find_first_not_of(' ') == std::string::npos;
}

void read_kp(const std::string& line, const RecordFile& file, int record, DayIndices& day) {
  RecordReader r(line, file, record);
  for (int i = 0; i < 8; ++i) day.kp[i] = r.real(13 + 2 * i, 2, 0);
  for (int i = 0; i < 8; ++i) day.ap[i] = r.real(32 + 3 * i, 3, 0);
}

void read_dst(const std::string& line, const RecordFile& file, int record, DayIndices& day) {
  RecordReader r(line, file, record);
  for (int i = 0; i < 24; ++i) day.dst[i] = r.real(21 + 4 * i, 4, 0);
}

// Whether a Kp or Dst day record is dated on the day of the MAG record: its
// two-digit year, month and day sit in columns year_col, year_col + 2 and
// day_col (Kp: 1, 3, 5; Dst, after the letters DST: 4, 6 and 9).
bool dated_on(const std::string& line, int year_col, int day_col, const AceRecord& mag) {
  int yy = 0, mm = 0, dd = 0;
  return read_int_field(line, year_col, 2, yy) == FieldStatus::kOk &&
         read_int_field(line, year_col + 2, 2, mm) == FieldStatus::kOk &&
         read_int_field(line, day_col, 2, dd) == FieldStatus::kOk && yy == mag.yr % 100 &&
         mm == mag.mo && dd == mag.da;
}

// Whether `later` is dated one hour after `earlier`.
bool one_hour_after(const AceRecord& earlier, const AceRecord& later) {
  int yr = earlier.yr, mo = earlier.mo, da = earlier.da, hr = earlier.hr + 1;
  if (hr == 24) {
    hr = 0;
    if (++da > days_in_month(yr, mo)) {
      da = 1;
      if (++mo == 13) {
        mo = 1;
        ++yr;
      }
    }
  }
  return later.yr == yr && later.mo == mo && later.da == da && later.hr == hr;
}

const char* const kCapacityLine = " MAXIMUM SAMPLE VOLUME REACHED, REMAINING DATA IGNORED\n";

// The four files, read side by side, each with the line last read from it.
struct InputReaders {
  explicit InputReaders(const InputFiles& files)
      : mag(files.mag, "the ACE MAG input file", kMaxInputFileBytes),
        swepam(files.swepam, "the ACE SWEPAM input file", kMaxInputFileBytes),
        kp(files.kp, "the Kp input file", kMaxInputFileBytes),
        dst(files.dst, "the Dst input file", kMaxInputFileBytes) {}

  RecordFile mag, swepam, kp, dst;
  std::string mag_line, swepam_line, kp_line, dst_line;
};

// The records of one hour: the MAG and SWEPAM records and, at hour 0, the
// day's Kp and Dst records (their lines stay in the readers for the checks).
struct HourRecords {
  AceRecord mag, swepam;
  bool new_day = false;
  DayIndices day;
};

// Reads the records of the hour on line `n` of the ACE lists. False at the
// end of the data: a list that ends, or a MAG record of year 0.
bool read_hour(InputReaders& in, int n, HourRecords& hour) {
  if (!in.mag.next(in.mag_line)) return false;
  hour.mag = read_mag(in.mag_line, in.mag, n);
  if (!in.swepam.next(in.swepam_line)) return false;
  hour.swepam = read_swepam(in.swepam_line, in.swepam, n);
  if (hour.mag.yr == 0) return false;
  hour.new_day = hour.mag.hr == 0;
  if (!hour.new_day) return true;
  if (!in.kp.next(in.kp_line)) return false;
  hour.day.has_kp = !is_blank(in.kp_line);
  if (hour.day.has_kp) read_kp(in.kp_line, in.kp, n, hour.day);
  if (!in.dst.next(in.dst_line)) return false;
  hour.day.has_dst = !is_blank(in.dst_line);
  if (hour.day.has_dst) read_dst(in.dst_line, in.dst, n, hour.day);
  return true;
}

void check_paired(const HourRecords& hour) {
  const AceRecord &m = hour.mag, &s = hour.swepam;
  if (s.yr != m.yr || s.mo != m.mo || s.da != m.da || s.hr != m.hr) {
    throw RunEnd::message("DATE/TIME IN MAG AND SWEPAM DATA DO NOT MATCH");
  }
}

// A row holds what its calendar says: no day 99, no hour 99 in the table.
void check_calendar(const AceRecord& m, int n) {
  if (m.mo < 1 || m.mo > 12) {
    throw RunEnd::message("MONTH OUTSIDE 1..12 IN THE ACE DATA AT LINE # " + write_int_field(n, 8));
  }
  const int days = days_in_month(m.yr, m.mo);
  if (m.da < 1 || m.da > days) {
    throw RunEnd::message("DAY OUTSIDE 1.." + write_int_field(days, 2) +
                          " IN THE ACE DATA AT LINE # " + write_int_field(n, 8));
  }
  if (m.hr < 0 || m.hr > 23) {
    throw RunEnd::message("HOUR OUTSIDE 0..23 IN THE ACE DATA AT LINE # " + write_int_field(n, 8));
  }
}

// Lags count rows, and a day's indices fill the 24 rows from its hour 0:
// a missing or repeated hour would shift both off the hours they belong to.
void check_follows(const AceRecord& previous, const AceRecord& m, int n) {
  if (!one_hour_after(previous, m)) {
    throw RunEnd::message("RECORD NOT ONE HOUR AFTER THE ONE BEFORE IN THE ACE DATA AT LINE # " +
                          write_int_field(n, 8));
  }
}

// The day records are taken in their order; a missing or repeated day would
// shift every later one onto the wrong day. A blank line stands for a day
// without its record (a list that does not hold today yet): that day keeps
// the fill values, and the next record must be the next day's.
void check_day_records_dated(const HourRecords& hour, const InputReaders& in) {
  if (hour.new_day && hour.day.has_kp && !dated_on(in.kp_line, 1, 5, hour.mag))
    throw RunEnd::message("DATE IN MAG AND KP DATA DO NOT MATCH");
  if (hour.new_day && hour.day.has_dst && !dated_on(in.dst_line, 4, 9, hour.mag))
    throw RunEnd::message("DATE IN MAG AND DST DATA DO NOT MATCH");
}

// Row t from the paired records, and at hour 0 the day's indices in rows
// t..t+23 (the caller has made sure they fit).
void store_row(HourlyTable& table, int t, const HourRecords& hour) {
  const AceRecord& mag = hour.mag;
  const int i = t - 1;
  table.yr[i] = mag.yr;
  table.mo[i] = mag.mo;
  table.da[i] = mag.da;
  table.hr[i] = mag.hr;
  for (int j = 1; j <= 6; ++j) table.at(j, t) = mag.inputs[j - 1];
  for (int j = 7; j <= 9; ++j) table.at(j, t) = hour.swepam.inputs[j - 1];
  if (hour.new_day) {
    for (int k = 0; k < 24; ++k) {
      if (hour.day.has_kp) {
        table.at(10, t + k) = hour.day.kp[k / 3];
        table.at(12, t + k) = hour.day.ap[k / 3];
      }
      if (hour.day.has_dst) table.at(11, t + k) = hour.day.dst[k];
    }
  }
  table.doy[i] = mag.da + days_before_month(mag.mo) + (is_leap_year(mag.yr) && mag.mo > 2 ? 1 : 0);
  set_harmonic_inputs(table, t);
}

// Rows after the data: fill values in the main inputs and the clock running
// on hour by hour from the row before.
void continue_rows(HourlyTable& table, const FillValues& fill) {
  for (int t = table.rows_read + 1; t <= table.row_count; ++t) {
    for (int j = 1; j <= kMainInputCount; ++j) table.at(j, t) = fill[j - 1];
    const int i = t - 1;
    if (i == 0) {  // nothing was read: no calendar to continue from
      set_harmonic_inputs(table, t);
      continue;
    }
    int hr = table.hr[i - 1] + 1, da = table.da[i - 1], doy = table.doy[i - 1];
    int mo = table.mo[i - 1], yr = table.yr[i - 1];
    if (hr > 23) {
      hr -= 24;
      ++da;
      ++doy;
    }
    const int leap_day = is_leap_year(yr) && doy > 59 ? 1 : 0;
    if (doy > days_before_month(mo + 1) + leap_day) {
      ++mo;
      da = doy - days_before_month(mo) - leap_day;
    }
    if (mo > 12) {
      ++yr;
      mo -= 12;
      doy = doy - 365 - leap_day;
    }
    table.hr[i] = hr;
    table.da[i] = da;
    table.doy[i] = doy;
    table.mo[i] = mo;
    table.yr[i] = yr;
    set_harmonic_inputs(table, t);
  }
}

}  // namespace

int read_input_tables(HourlyTable& table, const FillValues& fill, const InputFiles& files,
                      std::ostream& messages) {
  InputReaders in(files);
  skip_ace_header(in.mag);
  skip_ace_header(in.swepam);

  // Rows before the first hour-0 record get no day's indices; let them hold
  // the fill values rather than whatever the table held.
  for (int t = 1; t <= table.row_count; ++t) {
    for (int j = 10; j <= 12; ++j) table.at(j, t) = fill[j - 1];
  }

  // Line n of the ACE lists becomes row n.
  int n = 1;
  AceRecord previous;
  for (;; ++n) {
    HourRecords hour;
    if (!read_hour(in, n, hour)) break;
    if (hour.new_day && n + 23 > table.row_count) {
      messages << kCapacityLine << "\n";
      break;
    }
    check_paired(hour);
    if (n > table.row_count) {
      messages << kCapacityLine << " " << n << " " << table.row_count << "\n\n";
      break;
    }
    check_calendar(hour.mag, n);
    if (n > 1) check_follows(previous, hour.mag, n);
    check_day_records_dated(hour, in);
    store_row(table, n, hour);
    previous = hour.mag;
  }

  table.rows_read = n - 1;
  continue_rows(table, fill);
  return table.rows_read;
}

}  // namespace velk::forecast
