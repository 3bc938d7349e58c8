#include "prep/common/file_helpers.h"

#include <cerrno>
#include <cstdio>

namespace velk::prep {

namespace {

// The header of the ACE lists ends in a line of dashes that starts like this.
const std::string kHeaderMarker = "#" + std::string(73, '-');

}  // namespace

std::string read_data_file(const std::string& path) {
  std::string text;
  if (!read_whole_file(path, kMaxTextBytes, text)) return {};
  for (char& c : text) {
    if (c == ':') c = ' ';
  }
  if (!text.empty()) text.push_back(text.back());
  return text;
}

std::string trim_to_records(std::string text) {
  const std::size_t marker = text.find(kHeaderMarker);
  if (marker != std::string::npos && marker > 0) {
    text.erase(0, marker);
    const std::size_t first_record = text.find('2');
    text.erase(0, first_record == std::string::npos ? text.size() : first_record);
  }
  const std::size_t trailer = text.find('[');
  if (trailer != std::string::npos && trailer > 0) text.erase(trailer - 1);
  return text;
}

bool write_input_file(const std::string& text, const std::string& path, Report& report) {
  errno = 0;  // the writer leaves the failed call's errno, which names the cause
  if (write_file_atomically(text, path)) return true;
  report.record_write_failure(path, write_failure_cause(errno));
  return false;
}

bool remove_file(const std::string& path) {
  return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace velk::prep
