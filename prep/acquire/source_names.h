// The names a source's two months carry: the report's StepName of each
// download and the working file each is downloaded into. Stored reports and
// the status page rely on the step names as they stand.
#pragma once

#include <string>

#include "prep/check/month_role.h"

namespace velk::prep {

// "DSTFileDownload", "DSTFile2Download", "KPFileDownload", ...,
// "AceMagFile2Download", "AceSwepamFileDownload": "2" marks the previous month.
std::string download_step_name(MonthRole role);

// The StepName of an ACE list's current month published with its header but
// no record yet: "AceMagFilePreviousMonthOnly", "AceSwepamFilePreviousMonthOnly".
std::string header_only_step_name(Source source);

// "Dst_present.txt", "KP_last.txt", "MAG_present.txt", "SWEPAM_last.txt", ...
const char* working_file_name(MonthRole role);

// Every source, for what concerns them all (the leftovers of a killed run).
constexpr Source kAllSources[] = {Source::dst, Source::kp, Source::ace_mag, Source::ace_swepam};

}  // namespace velk::prep
