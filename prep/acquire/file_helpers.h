// Whole-file helpers: every file is read, transformed and written in one piece.
#pragma once

#include <string>

// True when `path` names something that opens for reading as a file (a
// directory does not count).
bool file_opens_for_reading(const std::string& path);

// The whole file as text, with every ":" turned into a blank and the last
// character repeated once (the downstream merges rely on that repeat). An
// unreadable or empty file gives an empty text.
std::string file_read(std::string name);

// Trims a downloaded list to its data records: drops a header that ends in the
// line of dashes, and a trailer that starts with "[" together with the
// character before it.
std::string file_eraze(std::string text);

// Replaces the file at `path` with `text`, atomically: the text goes to a
// temporary file in the same directory, which is then renamed over `path`.
// Returns false (leaving any earlier file untouched) when that fails.
bool file_wright(std::string text, std::string path);

// Removes a file if it is there; errors are of no interest.
void remove_file(const std::string& path);
