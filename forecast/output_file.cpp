#include "forecast/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "forecast/run_end.h"

namespace velk {
namespace {

// Permissions a plainly created file would get (mkstemp gives 0600).
mode_t default_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

OutputFile::OutputFile(const std::string& path, const std::string& what)
    : path_(path), what_(what) {
  const std::size_t slash = path.rfind('/');
  std::string name =
      (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + ".velk_nrt-XXXXXX";
  errno = 0;
  fd_ = ::mkstemp(&name[0]);
  if (fd_ < 0) fail("create");
  temporary_ = name;
  if (::fchmod(fd_, default_file_mode()) != 0) fail("create");
  stream_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!stream_) fail("create");
}

OutputFile::~OutputFile() {
  try {
    commit();
  } catch (...) {
    abandon();
  }
}

void OutputFile::abandon() {
  stream_.close();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

void OutputFile::fail(const char* action) {
  const std::string reason = errno != 0 ? std::string(" (") + std::strerror(errno) + ")" : "";
  abandon();
  throw RunEnd::abnormal("velk_nrt: cannot " + std::string(action) + " " + what_ + " " + path_ +
                         reason + "\n");
}

void OutputFile::flush() {
  if (temporary_.empty()) return;
  errno = 0;
  stream_.flush();
  if (!stream_) fail("write");
}

void OutputFile::commit() {
  if (temporary_.empty()) return;
  errno = 0;
  stream_.close();
  if (stream_.fail() || ::fsync(fd_) != 0) fail("write");
  ::close(fd_);
  fd_ = -1;
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) fail("write");
  temporary_.clear();
}

}  // namespace velk
