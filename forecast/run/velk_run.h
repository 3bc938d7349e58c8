// One run of the forecaster in the current directory: configuration, table,
// one model per lead step with its scores, metadata file and forecast table.
#pragma once

#include <functional>
#include <ostream>

#include "forecast/run/metadata_writer.h"

namespace velk::forecast {

// Exit statuses of a run.
constexpr int kRunFinished = 0;  // also after a message line: the run ended in order
constexpr int kRunAbnormal = 2;  // a file could not be opened, read or written

// Fills the local date and time; false when the clock cannot supply it.
using Clock = std::function<bool(DateTime&)>;
bool local_clock(DateTime& now);

// Messages go to `out`, diagnostics of abnormal ends to `err`. Returns the
// exit status.
int run_velk_nrt(std::ostream& out, std::ostream& err, const Clock& clock = local_clock);

}  // namespace velk::forecast
