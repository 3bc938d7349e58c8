// Helpers shared by the preprocessor tests: a scratch working directory, a
// fixed clock, a file-size limit that makes writes fail as on a full disk, and
// small file utilities.
#pragma once

#include <sys/resource.h>

#include <filesystem>
#include <ostream>
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
  std::filesystem::path path_, previous_;
};

// Pins the clock of the date helpers to a UTC moment while alive.
struct FixedClock {
  FixedClock(int year, int month, int day, int hour, int minute);
  ~FixedClock();
};

// While alive, no write may take a file beyond `bytes`: the write fails as it
// would on a full disk (EFBIG instead of ENOSPC), without needing to mount one.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();

 private:
  rlimit previous_{};
};

void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);
std::vector<std::string> directory_entries(const std::string& path);
// A file:// URL for a path relative to the working directory.
std::string file_url(const std::string& relative_path);

// The (StepName, ErrorName, Value) triples of a report text, one per pair.
struct ReportPair {
  std::string step, error;
  int value;
  bool operator==(const ReportPair& o) const {
    return step == o.step && error == o.error && value == o.value;
  }
  friend std::ostream& operator<<(std::ostream& out, const ReportPair& p) {
    return out << "(" << p.step << ", " << p.error << ", " << p.value << ")";
  }
};
std::vector<ReportPair> report_pairs(const std::string& report);
