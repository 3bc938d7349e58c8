// Helpers shared by the preprocessor tests: a scratch working directory, a
// fixed clock, a file-size limit that makes writes fail as on a full disk, and
// small file utilities.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "acquire/date_stamps.h"

// A fresh directory, the working directory for the helper's life; the previous
// one is restored and the scratch directory removed afterwards.
class ScratchDir {
 public:
  ScratchDir() : previous_(std::filesystem::current_path()) {
    std::string pattern = "/tmp/nrtprep-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

 private:
  std::filesystem::path previous_, path_;
};

// Pins the clock of the date helpers to a UTC moment while alive.
struct FixedClock {
  FixedClock(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    moment() = ::timegm(&t);
    set_clock_source([] { return moment(); });
  }
  ~FixedClock() { set_clock_source(nullptr); }
  static std::time_t& moment() {
    static std::time_t fixed = 0;
    return fixed;
  }
};

// While alive, no write may take a file beyond `bytes`: the write fails as it
// would on a full disk (EFBIG instead of ENOSPC), without needing to mount one.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);  // the signal would end the process; the write fails instead
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, SIG_DFL);
  }

 private:
  rlimit previous_{};
};

inline void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> directory_entries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path))
    names.push_back(entry.path().filename());
  return names;
}

// A file:// URL for a path relative to the working directory.
inline std::string file_url(const std::string& relative_path) {
  return "file://" + (std::filesystem::current_path() / relative_path).string();
}

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

inline std::vector<ReportPair> report_pairs(const std::string& report) {
  // The text between <tag> and </tag> when the line is exactly such an element.
  const auto inner_text = [](const std::string& line, const std::string& tag, std::string& text) {
    const std::string open = "<" + tag + ">", close = "</" + tag + ">";
    if (line.size() < open.size() + close.size() || line.rfind(open, 0) != 0) return false;
    text = line.substr(open.size(), line.size() - open.size() - close.size());
    return true;
  };
  std::vector<ReportPair> pairs;
  std::istringstream lines(report);
  std::string line, step, error, value;
  while (std::getline(lines, line)) {
    inner_text(line, "StepName", step);
    inner_text(line, "ErrorName", error);
    if (inner_text(line, "Value", value)) pairs.push_back({step, error, std::stoi(value)});
  }
  return pairs;
}
