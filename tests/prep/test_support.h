// Helpers shared by the preprocessor tests: a scratch working directory, a
// fixed clock, a file-size limit that makes writes fail as on a full disk, and
// small file utilities.
#pragma once

#include <sys/resource.h>

#include <iosfwd>
#include <string>
#include <vector>

// A fresh directory, the working directory for the helper's life; the previous
// one is restored and the scratch directory removed afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

 private:
  std::string path_;
  std::string previous_;
};

// Pins the clock of the date helpers to a UTC moment while alive.
class FixedClock {
 public:
  FixedClock(int year, int month, int day, int hour, int minute);
  ~FixedClock();
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
};

// While alive, no write may take a file beyond `bytes`: the write fails as it
// would on a full disk (EFBIG instead of ENOSPC), without needing to mount one.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
};

void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
std::vector<std::string> directory_entries(const std::string& path);

// A file:// URL for a path relative to the working directory.
std::string file_url(const std::string& relative_path);

// The (StepName, ErrorName, Value) triples of a report text, one per pair.
struct ReportPair {
  std::string step;
  std::string error;
  int value;
  bool operator==(const ReportPair& other) const {
    return step == other.step && error == other.error && value == other.value;
  }
};
std::vector<ReportPair> report_pairs(const std::string& report);
std::ostream& operator<<(std::ostream& out, const ReportPair& pair);
