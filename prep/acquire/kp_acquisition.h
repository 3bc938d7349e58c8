// The Kp input file: the quick-look Kp service's current and previous month.
#pragma once

#include <string>

#include "prep/acquire/month_url.h"
#include "prep/common/report.h"

namespace velk::prep {

// Fetches both months and writes the Kp input file to `path` when the texts
// are the previous and the current month (joined) or both one month (the
// previous-month text alone). Result as for the Dst acquisition.
int acquire_kp(const std::string& path, Report& report);

// The same with the two URLs given.
int acquire_kp(const std::string& path, const MonthUrls& urls, Report& report);

}  // namespace velk::prep
