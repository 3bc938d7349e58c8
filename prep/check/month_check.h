// The record check of one downloaded monthly text: which source it comes from
// (by the length of its first line), whether it is the current or the
// previous UTC month's data, and whether every line is a record of that
// source and month.
#pragma once

#include <optional>
#include <string>

#include "prep/check/month_role.h"
#include "prep/common/report.h"

namespace velk::prep {

// Classifies `text` and appends its "FileAnalysis" step. Gives the text's
// role when its first record is of the current or the previous month (by
// year and month) and every other non-empty line is a record of the same
// source and month. A text with no complete first line gets no role, and so
// does one with a line that is not a record of the source (length,
// characters, date fields) dated like the first; the step then names the
// first such line, ("FileRecord'<n>'structure", 1) or, for a record of
// another month, ("FileRecord'<n>'date", 1).
std::optional<MonthRole> classify_month_text(const std::string& text, Report& report);

}  // namespace velk::prep
