// File names derived from other file names.
#pragma once

#include <string>

namespace velk::forecast {

// `path` with the extension after the last dot of its file name replaced by
// `extension` (given without its dot), or the extension added when the name
// has none.
std::string with_extension(const std::string& path, const std::string& extension);

}  // namespace velk::forecast
