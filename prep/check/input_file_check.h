// Checks of whole input texts: rows missing from a joined text, and whether
// an existing ACE input file can be used as it is.
#pragma once

#include <cstddef>
#include <string>

#include "prep/common/report.h"

namespace velk::prep {

// Counts empty lines (two line feeds in a row), leaving the last ten
// characters aside. Appends a "FileStructureAnalysis2" step with one
// ("FileStructureRowMissing", 1) pair per empty line, or a single Value 0 pair.
// `lines_before` (lines put before the text in its file) numbers the lines
// in the causes.
int count_missing_rows(const std::string& text, std::size_t lines_before, Report& report);

// The same scan, plus a check that the 31st line has the length of an ACE MAG
// or ACE SWEPAM record ("FileStructure" pair) and, when it has, that every line
// after the four header lines is a record of that kind or empty (else a
// ("FileRecord'<n>'structure", 1) pair for the first that is not). Returns the
// number of problems.
int check_ace_input_text(const std::string& text, Report& report);

// 0 when a file stands at `path` and passes check_ace_input_text; otherwise
// non-zero. Appends a "FileRead" step for the path.
int check_ace_input_file(const std::string& path, Report& report);

}  // namespace velk::prep
