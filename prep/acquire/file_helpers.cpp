#include "acquire/file_helpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "run/error_report.h"

namespace {

// The header of the ACE lists ends in a line of dashes that starts like this.
const std::string kHeaderMarker = "#" + std::string(73, '-');

bool write_all(int fd, const std::string& text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

// Permissions a plainly created file would get.
mode_t default_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool file_opens_for_reading(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream probe(path);
  return probe.is_open();
}

bool read_whole_file(const std::string& path, std::size_t max_bytes, std::string& text) {
  text.clear();
  if (!file_opens_for_reading(path)) return false;
  std::ifstream in(path, std::ios::binary);
  char block[65536];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    // Checked while reading: the file may grow after a size check.
    if (text.size() + got > max_bytes) {
      text.clear();
      return false;
    }
    text.append(block, got);
  }
  return !in.bad();
}

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
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string temporary = directory + ".nrtprep-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  const bool written =
      ::fchmod(fd, default_file_mode()) == 0 && write_all(fd, text) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

bool file_wright_reported(const std::string& text, const std::string& path) {
  if (file_wright(text, path)) return true;
  report_record("FileWrite", "'" + path + "'write", 1);
  return false;
}

void remove_file(const std::string& path) {
  std::remove(path.c_str());
}
