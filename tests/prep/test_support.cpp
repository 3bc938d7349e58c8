#include "test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "acquire/date_stamps.h"

namespace {

std::time_t fixed_moment = 0;
std::time_t fixed_clock() {
  return fixed_moment;
}

void remove_tree(const std::string& path) {
  for (const std::string& name : directory_entries(path)) {
    const std::string full = path + "/" + name;
    struct stat info {};
    if (::lstat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      remove_tree(full);
    } else {
      ::unlink(full.c_str());
    }
  }
  ::rmdir(path.c_str());
}

// The text between <tag> and </tag> when the line is exactly such an element.
bool inner_text(const std::string& line, const std::string& tag, std::string& text) {
  const std::string open = "<" + tag + ">";
  const std::string close = "</" + tag + ">";
  if (line.size() < open.size() + close.size() || line.rfind(open, 0) != 0) return false;
  text = line.substr(open.size(), line.size() - open.size() - close.size());
  return true;
}

}  // namespace

ScratchDir::ScratchDir() {
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd) == nullptr) throw std::runtime_error("getcwd");
  previous_ = cwd;
  std::string pattern = "/tmp/nrtprep-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
  if (::chdir(path_.c_str()) != 0) throw std::runtime_error("chdir");
}

ScratchDir::~ScratchDir() {
  if (::chdir(previous_.c_str()) == 0) remove_tree(path_);
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
  if (::setrlimit(RLIMIT_FSIZE, &limited) != 0) throw std::runtime_error("setrlimit");
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

bool file_exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> directory_entries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  return names;
}

std::string file_url(const std::string& relative_path) {
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return {};
  return "file://" + std::string(cwd) + "/" + relative_path;
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

std::ostream& operator<<(std::ostream& out, const ReportPair& pair) {
  return out << "(" << pair.step << ", " << pair.error << ", " << pair.value << ")";
}
