#include "test_support.h"

#include <stdlib.h>

#include <csignal>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "acquire/date_stamps.h"

namespace fs = std::filesystem;

namespace {

std::time_t fixed_moment = 0;
std::time_t fixed_clock() {
  return fixed_moment;
}

// The text between <tag> and </tag> when the line is exactly such an element.
bool inner_text(const std::string& line, const std::string& tag, std::string& text) {
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  if (line.size() < open.size() + close.size() || line.rfind(open, 0) != 0) return false;
  text = line.substr(open.size(), line.size() - open.size() - close.size());
  return true;
}

}  // namespace

ScratchDir::ScratchDir() : previous_(fs::current_path()) {
  std::string pattern = "/tmp/nrtprep-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
  fs::current_path(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
  fs::remove_all(path_, ignored);
}

FixedClock::FixedClock(int year, int month, int day, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  fixed_moment = ::timegm(&t);
  set_clock_source(fixed_clock);
}

FixedClock::~FixedClock() {
  set_clock_source(nullptr);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  // The signal would end the process; ignored, the write fails with EFBIG.
  std::signal(SIGXFSZ, SIG_IGN);
  ::getrlimit(RLIMIT_FSIZE, &previous_);
  rlimit limited = previous_;
  limited.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limited);
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &previous_);
  std::signal(SIGXFSZ, SIG_DFL);
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> directory_entries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename());
  return names;
}

std::string file_url(const std::string& relative_path) {
  return "file://" + (fs::current_path() / relative_path).string();
}

std::vector<ReportPair> report_pairs(const std::string& report) {
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
