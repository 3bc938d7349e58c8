// What the fuzz targets share: the scratch directory their files are written
// to, and the cutting of one fuzz input into the several files or texts a
// reader takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"

namespace velk::fuzz {

// A line of its own between the parts of an input that feeds several files.
// It stands in every multi-part corpus file and in the dictionaries, so the
// fuzzer keeps the parts apart while it mutates them.
constexpr const char* kPartSeparator = "\n====\n";

inline std::string as_text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// The first `count` parts of `text`; missing parts are empty and the last one
// keeps whatever follows, separators included.
inline std::vector<std::string> split_parts(const std::string& text, std::size_t count) {
  const std::string separator = kPartSeparator;
  std::vector<std::string> parts;
  std::size_t begin = 0;
  while (parts.size() + 1 < count) {
    const std::size_t end = text.find(separator, begin);
    if (end == std::string::npos) break;
    parts.push_back(text.substr(begin, end - begin));
    begin = end + separator.size();
  }
  parts.push_back(begin <= text.size() ? text.substr(begin) : std::string());
  parts.resize(count);
  return parts;
}

// One scratch directory for the life of the process; it is the working
// directory from the first call on, so callers of the fuzzer must give it
// absolute paths.
inline const velk::testing::ScratchDir& scratch() {
  static const velk::testing::ScratchDir dir;
  return dir;
}

}  // namespace velk::fuzz
