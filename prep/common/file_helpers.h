// Whole-file helpers: every file is read, transformed and written in one piece.
#pragma once

#include <string>

#include "common/atomic_file.h"
#include "common/whole_file.h"
#include "prep/common/report.h"

namespace velk::prep {

// The whole file as text, with every ":" turned into a blank and the last
// character repeated once (the downstream merges rely on that repeat). An
// unreadable or empty file, or one larger than kMaxTextBytes, gives an empty
// text.
std::string read_data_file(const std::string& path);

// Trims a downloaded list to its data records: drops a header that ends in the
// line of dashes, and a trailer that starts with "[" together with the
// character before it.
std::string trim_to_records(std::string text);

// Writes an input file atomically, and when that fails records so in `report`
// ("FileWrite", "'<path>'write", 1), with the cause.
bool write_input_file(const std::string& text, const std::string& path, Report& report);

// Removes a file if it is there. True when it is gone (removed, or never
// there); false when it stays because its removal failed.
bool remove_file(const std::string& path);

}  // namespace velk::prep
