#include "test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>

#include "acquire/date_stamps.h"

namespace {

std::time_t fixed_moment = 0;
std::time_t fixed_clock() {
  return fixed_moment;
}

void remove_tree(const std::string& path) {
  if (DIR* dir = ::opendir(path.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const std::string full = path + "/" + name;
      struct stat info {};
      if (::lstat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        remove_tree(full);
      } else {
        ::unlink(full.c_str());
      }
    }
    ::closedir(dir);
  }
  ::rmdir(path.c_str());
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
  if (::chdir(previous_.c_str()) != 0) return;
  remove_tree(path_);
}

std::time_t utc_moment(int year, int month, int day, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  return ::timegm(&t);
}

FixedClock::FixedClock(int year, int month, int day, int hour, int minute) {
  fixed_moment = utc_moment(year, month, day, hour, minute);
  set_clock_source(fixed_clock);
}

FixedClock::~FixedClock() {
  set_clock_source(nullptr);
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool file_exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::vector<std::string> directory_entries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  return names;
}

std::vector<ReportPair> report_pairs(const std::string& report) {
  std::vector<ReportPair> pairs;
  std::string step;
  std::string error;
  std::size_t position = 0;
  auto inner = [](const std::string& line, const std::string& tag) -> std::string {
    const std::string open = "<" + tag + ">";
    const std::string close = "</" + tag + ">";
    if (line.rfind(open, 0) != 0 || line.size() < open.size() + close.size()) return "\x01";
    return line.substr(open.size(), line.size() - open.size() - close.size());
  };
  while (position < report.size()) {
    std::size_t end = report.find('\n', position);
    if (end == std::string::npos) end = report.size();
    const std::string line = report.substr(position, end - position);
    position = end + 1;
    if (std::string s = inner(line, "StepName"); s != "\x01") step = s;
    if (std::string e = inner(line, "ErrorName"); e != "\x01") error = e;
    if (std::string v = inner(line, "Value"); v != "\x01") {
      pairs.push_back({step, error, std::stoi(v)});
    }
  }
  return pairs;
}

std::string file_url(const std::string& relative_path) {
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return {};
  return "file://" + std::string(cwd) + "/" + relative_path;
}

std::ostream& operator<<(std::ostream& out, const ReportPair& pair) {
  return out << "(" << pair.step << ", " << pair.error << ", " << pair.value << ")";
}
