// Helpers shared by the preprocessor tests: the scratch working directory, a
// fixed clock, a file-size limit that makes writes fail as on a full disk, and
// small file utilities.
#pragma once

#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "prep/common/date_stamps.h"
#include "tests/common/file_size_limit.h"
#include "tests/common/scratch_dir.h"

namespace velk::prep {

using velk::testing::FileSizeLimit;
using velk::testing::read_file;
using velk::testing::ScratchDir;

// Pins the clock of the date helpers to a UTC moment, "YYYY-MM-DD HH:MM", while alive.
struct FixedClock {
  explicit FixedClock(const char* utc) {
    std::tm t{};
    ::strptime(utc, "%Y-%m-%d %H:%M", &t);
    moment = ::timegm(&t);
    set_clock_source([] { return moment; });
  }
  ~FixedClock() { set_clock_source(nullptr); }
  static inline std::time_t moment = 0;
};

inline void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline long file_count(const std::string& dir) {
  using std::filesystem::directory_iterator;
  return std::distance(directory_iterator(dir), directory_iterator());
}

// The pairs of a report text, each as "StepName ErrorName Value".
inline std::vector<std::string> report_pairs(const std::string& report) {
  std::vector<std::string> pairs;
  std::istringstream lines(report);
  std::string line, step, error;
  while (std::getline(lines, line)) {
    const std::size_t open_end = line.find('>') + 1, close = line.rfind('<');
    const std::string tag = line.substr(0, open_end);
    const std::string text = close > open_end ? line.substr(open_end, close - open_end) : "";
    if (tag == "<StepName>") step = text;
    if (tag == "<ErrorName>") error = text;
    if (tag == "<Value>") pairs.push_back(step + " " + error + " " + text);
  }
  return pairs;
}

}  // namespace velk::prep
