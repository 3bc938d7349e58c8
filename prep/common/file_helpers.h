// Whole-file helpers: every file is read, transformed and written in one piece.
#pragma once

#include <cstddef>
#include <string>

#include "prep/common/report.h"

// Largest file the preprocessor downloads or reads: far above any monthly list,
// yet small enough to hold in memory several times over.
constexpr std::size_t kMaxTextBytes = std::size_t{16} << 20;

// True when `path` names a regular file that opens for reading. A directory
// does not count, nor a pipe or device, whose reading could block for ever.
bool file_opens_for_reading(const std::string& path);

// The whole file as text, with every ":" turned into a blank and the last
// character repeated once (the downstream merges rely on that repeat). An
// unreadable or empty file, or one larger than kMaxTextBytes, gives an empty
// text.
std::string read_data_file(const std::string& path);

// The whole file unchanged into `text`; false when it does not open or is
// larger than `max_bytes`.
bool read_whole_file(const std::string& path, std::size_t max_bytes, std::string& text);

// Trims a downloaded list to its data records: drops a header that ends in the
// line of dashes, and a trailer that starts with "[" together with the
// character before it.
std::string trim_to_records(std::string text);

// Replaces the file at `path` with `text`, atomically: the text goes to a
// temporary file in the same directory, which is then renamed over `path`.
// Returns false (leaving any earlier file untouched) when that fails.
bool write_file_atomically(const std::string& text, const std::string& path);

// The same under its established name, which the run's end and the configuration
// writer use.
bool file_wright(std::string text, std::string path);

// Writes an input file atomically, and when that fails records so in `report`
// ("FileWrite", "'<path>'write", 1).
bool write_input_file(const std::string& text, const std::string& path, Report& report);

// Removes from the directory of `path` the temporary files that the atomic
// writes of this program or of the forecaster left there: in a run that died
// before it could rename them (killed, power cut), or whose removal of them
// failed. Only those whose writing process no longer runs: those of a run
// still going, such as another cycle writing into a shared directory, stay.
void remove_stale_temporaries_beside(const std::string& path);

// Removes a file if it is there. True when it is gone (removed, or never
// there); false when it stays because its removal failed.
bool remove_file(const std::string& path);
