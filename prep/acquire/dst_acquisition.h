// The Dst input file: current and previous month of the real-time Dst service.
#pragma once

#include <string>

#include "prep/acquire/month_fetch.h"

// The downloads' step names and the working files.
extern const MonthPairNames kDstMonths;

// Fetches both months and writes the joined text to `path`. Returns 0 when the
// file was written with no missing row; otherwise non-zero (the number of
// unreadable months, of missing rows, 1 when the months are not the current
// and the previous one, plus 1 when the file could not be written).
int DST_files_download(std::string path);

// The same with the two URLs given.
int dst_acquisition(const std::string& path, const std::string& present_url,
                    const std::string& last_url);
