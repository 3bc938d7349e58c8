// The forecaster's input stage: reads the four near-real-time input files
// (ACE MAG, ACE SWEPAM, Kp/ap, Dst) into the hourly table and continues the
// table past the last record with fill values and a running calendar.
#pragma once

#include <ostream>
#include <string>

#include "forecast/model/hourly_table.h"

namespace velk::forecast {

// The four input files, as the configuration names them (FNMAG, FNSWEPAM,
// FNKP, FNDST).
struct InputFiles {
  std::string mag, swepam, kp, dst;
};

// `table` must already be sized to all its rows. Fills rows 1..n from the
// files, one row per ACE record pair, and the rows after them as continuation
// rows; sets table.rows_read to n and returns it. `fill` holds each input's
// fill value.
// Capacity messages go to `messages`.
//
// Ends the run (throws RunEnd) on a MAG/SWEPAM date mismatch, a field that
// does not read (the three-line report), a month, day or hour that is no
// calendar's, a record that does not follow the one before by one hour, a
// Kp or Dst day record dated on another day than the MAG record it is placed
// on, and, as an abnormal end, on a file that cannot be opened or read within
// bounds (text_record.h) or an ACE file of fewer than four lines. With no
// record read it returns 0; the caller then ends the run because the
// validation sample is empty.
int read_input_tables(HourlyTable& table, const FillValues& fill, const InputFiles& files,
                      std::ostream& messages);

}  // namespace velk::forecast
