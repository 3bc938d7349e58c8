// The Kp input file: the quick-look Kp service's current and previous month.
#pragma once

#include <string>

#include "prep/acquire/month_fetch.h"

// The downloads' step names and the working files.
extern const MonthPairNames kKpMonths;

// Fetches both months and writes the Kp input file to `path` when the texts
// are the previous and the current month (joined) or both one month (the
// previous-month text alone). Result as for the Dst acquisition.
int KP_files_download(std::string path);

int kp_acquisition(const std::string& path, const std::string& present_url,
                   const std::string& last_url);
