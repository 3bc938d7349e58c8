// The causes the preprocessor writes beside its report ("errorfile.causes"):
// one line per failed record whose cause it knows, "RECORD_NAME<TAB>CAUSE".
// The report says what failed and where; this file says why.
#pragma once

#include <string>
#include <vector>

#include "status/cycle_facts.h"

namespace velk::status {

// Gives each failed step the cause of the next line of `causes_text` that
// names its record (its error name), in report order, so that two failed
// records of one name take their own lines. The file is advisory: a line
// that is not two tab-separated fields is skipped, and only the first 1000
// lines within the first 64 KiB are read.
void attach_causes(const std::string& causes_text, std::vector<FailedStep>& failed);

// attach_causes with the file at `path`; a missing or unreadable file adds
// no cause.
void attach_causes_from(const std::string& path, std::vector<FailedStep>& failed);

}  // namespace velk::status
