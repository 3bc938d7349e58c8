// Where the files of an order-file run go, from what the order file gave.
// Directories are joined to names by plain concatenation.
#pragma once

#include <string>

namespace velk::prep {

// Dst and Kp input: directory + name when both are given, else the default
// name in the current directory.
std::string index_input_path(const std::string& dir_input, const std::string& name,
                             const std::string& default_name);

// ACE input to download into (when no usable file stands at dir + name): the
// named file, or the default name in the current directory when no name is
// given (a directory alone names no file).
std::string ace_download_path(const std::string& dir_input, const std::string& name,
                              const std::string& default_name);

// Forecast base path: output directory + name when a name is given, else the
// default name alone, in the current directory.
std::string forecast_base_path(const std::string& dir_output, const std::string& name,
                               const std::string& default_name);

}  // namespace velk::prep
