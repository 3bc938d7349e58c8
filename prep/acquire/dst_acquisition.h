// The Dst input file: current and previous month of the real-time Dst service.
#pragma once

#include <string>

#include "prep/acquire/month_url.h"
#include "prep/common/report.h"

namespace velk::prep {

// Fetches both months and writes the joined text to `path`. Returns 0 when the
// file was written with no missing row; otherwise non-zero (the number of
// unreadable months, of missing rows, 1 when the months are not the current
// and the previous one, plus 1 when the file could not be written).
int acquire_dst(const std::string& path, Report& report);

// The same with the two URLs given.
int acquire_dst(const std::string& path, const MonthUrls& urls, Report& report);

}  // namespace velk::prep
