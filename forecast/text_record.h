// Line-by-line reading of the forecaster's text inputs, one record per line.
#pragma once

#include <istream>
#include <string>

namespace velk {

// Reads the next line into `record`, without its line feed. A carriage return
// just before the line feed ends the record as well, so a file whose lines
// end in CR LF reads like one that ends them in LF alone: a blank CR LF line is
// a blank record, not one holding an unreadable character. False at the end of
// the input or when it cannot be read (then in.bad() is set).
bool read_record(std::istream& in, std::string& record);

}  // namespace velk
