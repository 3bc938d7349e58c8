// The forecaster's input stage: reads the four near-real-time input files
// (ACE MAG, ACE SWEPAM, Kp/ap, Dst) into the hourly table and continues the
// table past the last record with fill values and a running calendar.
#pragma once

#include <ostream>
#include <string>

#include "forecast/model/hourly_table.h"

namespace velk::forecast {

// `table` must already be sized to NMAX rows. Fills rows 1..NREC from the
// files and rows NREC+1..NMAX as continuation rows, sets table.nrec and
// returns NREC. Capacity messages go to `out`.
//
// Ends the run (throws RunEnd) on a MAG/SWEPAM date mismatch, a field that
// does not read (the three-line report), a month, day or hour that is no
// calendar's, a Kp or Dst day record dated on another day than the MAG
// record it is placed on, and, as an abnormal end, on a file that cannot be
// opened or read within bounds (text_record.h) or an ACE file of fewer than
// four lines. NREC = 0 (no record read) is returned; the caller then ends the
// run because the validation sample is empty.
int read_input_tables(HourlyTable& table, const FillValues& UF, const std::string& FNMAG,
                      const std::string& FNSWEPAM, const std::string& FNKP,
                      const std::string& FNDST, std::ostream& out);

}  // namespace velk::forecast
