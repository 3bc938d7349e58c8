#include "prep/common/file_helpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>

namespace {

// The header of the ACE lists ends in a line of dashes that starts like this.
const std::string kHeaderMarker = "#" + std::string(73, '-');

// The temporary files of the atomic writes, this program's and the
// forecaster's: one of these prefixes, the writer's process id, "-" and six
// characters of mkstemp. (Earlier builds wrote the prefix and the six
// characters alone.)
const char* const kTemporaryPrefixes[] = {".nrtprep-", ".velk_nrt-"};
const std::string kOwnTemporaryPrefix = kTemporaryPrefixes[0];

// The directory part of a path, with its final "/"; empty for a bare name.
std::string directory_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Whether a directory entry is a temporary file that no running process will
// rename any more: its writer is gone, or it carries no writer at all.
bool is_stale_temporary(const std::string& name) {
  std::string rest;
  for (const std::string prefix : kTemporaryPrefixes) {
    if (name.compare(0, prefix.size(), prefix) == 0) rest = name.substr(prefix.size());
  }
  if (rest.empty()) return false;
  const std::size_t dash = rest.find('-');
  if (dash == std::string::npos) return rest.size() == 6;
  if (dash == 0 || dash > 9 || rest.size() != dash + 7) return false;
  for (std::size_t i = 0; i < dash; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(rest[i]))) return false;
  }
  const pid_t writer = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
  if (writer == ::getpid()) return false;
  return writer <= 0 || (::kill(writer, 0) != 0 && errno == ESRCH);
}

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

bool write_file_atomically(const std::string& text, const std::string& path) {
  std::string temporary =
      directory_of(path) + kOwnTemporaryPrefix + std::to_string(::getpid()) + "-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  const bool written =
      ::fchmod(fd, default_file_mode()) == 0 && write_all(fd, text) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

bool file_wright(std::string text, std::string path) {
  return write_file_atomically(text, path);
}

bool write_input_file(const std::string& text, const std::string& path, Report& report) {
  if (write_file_atomically(text, path)) return true;
  report.record_write_failure(path);
  return false;
}

void remove_stale_temporaries_beside(const std::string& path) {
  const std::string directory = directory_of(path);
  DIR* entries = ::opendir(directory.empty() ? "." : directory.c_str());
  if (entries == nullptr) return;
  while (const dirent* entry = ::readdir(entries)) {
    const std::string name = directory + entry->d_name;
    struct stat info {};
    if (is_stale_temporary(entry->d_name) && ::lstat(name.c_str(), &info) == 0 &&
        S_ISREG(info.st_mode)) {
      ::unlink(name.c_str());
    }
  }
  ::closedir(entries);
}

bool remove_file(const std::string& path) {
  return std::remove(path.c_str()) == 0 || errno == ENOENT;
}
