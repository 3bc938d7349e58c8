// Helpers shared by the preprocessor tests: a scratch working directory, a
// fixed clock, and small file utilities.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// Creates a fresh directory, makes it the working directory for the test's
// life, and restores the previous one (and removes the directory) afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

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

std::time_t utc_moment(int year, int month, int day, int hour, int minute);

void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
std::vector<std::string> directory_entries(const std::string& path);

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

// A file:// URL for a path relative to the working directory.
std::string file_url(const std::string& relative_path);

#include <iosfwd>
std::ostream& operator<<(std::ostream& out, const ReportPair& pair);
