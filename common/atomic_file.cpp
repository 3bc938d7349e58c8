#include "common/atomic_file.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace velk {
namespace {

// Earlier builds named their temporary files with the prefix and the six
// characters of mkstemp alone.
const std::string_view kTemporaryPrefixes[] = {kCycleTemporaryPrefix, kForecasterTemporaryPrefix};

// The directory part of a path, with its final "/"; empty for a bare name.
std::string directory_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Whether a directory entry is a temporary file that no running process will
// rename any more: its writer is gone, or it carries no writer at all.
bool is_stale_temporary(const std::string& name) {
  std::string rest;
  for (const std::string_view prefix : kTemporaryPrefixes) {
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

}  // namespace

mode_t default_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

int create_temporary_beside(const std::string& path, std::string_view prefix,
                            std::string& temporary) {
  std::string name =
      directory_of(path) + std::string(prefix) + std::to_string(::getpid()) + "-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return -1;
  if (::fchmod(fd, default_file_mode()) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(name.c_str());
    errno = error;
    return -1;
  }
  temporary = name;
  return fd;
}

bool write_all(int fd, std::string_view text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    // A write that takes nothing would otherwise be retried for ever.
    if (written <= 0) return false;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

bool write_file_atomically(const std::string& text, const std::string& path,
                           std::string_view prefix) {
  std::string temporary;
  const int fd = create_temporary_beside(path, prefix, temporary);
  if (fd < 0) return false;
  const bool written = write_all(fd, text) && ::fsync(fd) == 0;
  // Some file systems report a lost write only when the file is closed.
  const bool closed = ::close(fd) == 0;
  if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
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

}  // namespace velk
