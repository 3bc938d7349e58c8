// Whole-file helpers: every file is read, transformed and written in one piece.
#pragma once

#include <string>

#include "common/atomic_file.h"
#include "common/whole_file.h"

using velk::file_opens_for_reading;
using velk::kMaxTextBytes;
using velk::read_whole_file;
using velk::remove_stale_temporaries_beside;
using velk::write_file_atomically;

// The whole file as text, with every ":" turned into a blank and the last
// character repeated once (the downstream merges rely on that repeat). An
// unreadable or empty file, or one larger than kMaxTextBytes, gives an empty
// text.
std::string file_read(std::string name);

// Trims a downloaded list to its data records: drops a header that ends in the
// line of dashes, and a trailer that starts with "[" together with the
// character before it.
std::string file_eraze(std::string text);

// The same under its established name, which the run's end and the configuration
// writer use.
bool file_wright(std::string text, std::string path);

// Writes an input file atomically, and when that fails appends the record
// ("FileWrite", "'" + path + "'write", 1).
bool write_input_file(const std::string& text, const std::string& path);

// Removes a file if it is there. True when it is gone (removed, or never
// there); false when it stays because its removal failed.
bool remove_file(const std::string& path);
