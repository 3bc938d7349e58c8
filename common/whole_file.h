// Reading a file in one piece, bounded: whatever a file holds, no reader of
// the pipeline takes more than it asked for into memory.
#pragma once

#include <cstddef>
#include <string>

namespace velk {

// Largest text file any program reads or downloads: far above any monthly
// list, report or table, yet small enough to hold in memory several times.
constexpr std::size_t kMaxTextBytes = std::size_t{16} << 20;

// True when `path` names a regular file that opens for reading. A directory
// does not count, nor a pipe or device, whose reading could block for ever.
bool file_opens_for_reading(const std::string& path);

// The whole file unchanged into `text`; false (and `text` empty) when it does
// not open or is larger than `max_bytes`.
bool read_whole_file(const std::string& path, std::size_t max_bytes, std::string& text);

}  // namespace velk
