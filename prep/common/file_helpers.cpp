#include "prep/common/file_helpers.h"

#include <cerrno>
#include <cstdio>

#include "prep/common/report.h"

namespace {

// The header of the ACE lists ends in a line of dashes that starts like this.
const std::string kHeaderMarker = "#" + std::string(73, '-');

}  // namespace

std::string file_read(std::string name) {
  std::string text;
  if (!read_whole_file(name, kMaxTextBytes, text)) return {};
  for (char& c : text) {
    if (c == ':') c = ' ';
  }
  if (!text.empty()) text.push_back(text.back());
  return text;
}

std::string file_eraze(std::string text) {
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

bool file_wright(std::string text, std::string path) {
  return write_file_atomically(text, path);
}

bool write_input_file(const std::string& text, const std::string& path) {
  if (write_file_atomically(text, path)) return true;
  report_write_failure(path);
  return false;
}

bool remove_file(const std::string& path) {
  return std::remove(path.c_str()) == 0 || errno == ENOENT;
}
