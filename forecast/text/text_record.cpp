#include "forecast/text/text_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "forecast/format/run_end.h"

namespace velk::forecast {
namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

std::string system_error() {
  return std::strerror(errno);
}

}  // namespace

RecordFile::Descriptor::~Descriptor() {
  if (fd >= 0) ::close(fd);
}

RecordFile::RecordFile(const std::string& path, const std::string& what, std::uint64_t max_bytes)
    : path_(path), what_(what), max_bytes_(max_bytes) {
  // Looked at before opening: opening a named pipe would wait for a writer.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) fail("cannot be opened (" + system_error() + ")");
  if (!S_ISREG(info.st_mode)) fail("is not a regular file");
  // Non-blocking, in case the name was swapped for a pipe in between.
  file_.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (file_.fd < 0) fail("cannot be opened (" + system_error() + ")");
  if (::fstat(file_.fd, &info) != 0 || !S_ISREG(info.st_mode)) fail("is not a regular file");
  const int flags = ::fcntl(file_.fd, F_GETFL);
  if (flags < 0 || ::fcntl(file_.fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    fail("cannot be read (" + system_error() + ")");
  if (static_cast<std::uint64_t>(info.st_size) > max_bytes_)
    fail("is larger than " + std::to_string(max_bytes_) + " bytes");
  buffer_.resize(kBlockSize);
}

void RecordFile::fail(const std::string& problem) const {
  throw RunEnd::abnormal("velk_nrt: " + what_ + " " + path_ + " " + problem + "\n");
}

void RecordFile::fail_line_too_long() const {
  fail("has a line longer than " + std::to_string(kMaxRecordLength) + " characters (line " +
       std::to_string(lines_ + 1) + ")");
}

bool RecordFile::refill() {
  for (;;) {
    const ssize_t got = ::read(file_.fd, &buffer_[0], buffer_.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) fail("cannot be read (" + system_error() + ")");
    // Counted while reading: the file may have grown since it was opened.
    bytes_read_ += static_cast<std::uint64_t>(got);
    if (bytes_read_ > max_bytes_) fail("is larger than " + std::to_string(max_bytes_) + " bytes");
    begin_ = 0;
    end_ = static_cast<std::size_t>(got);
    return got > 0;
  }
}

bool RecordFile::next(std::string& record) {
  record.clear();
  line_fed_ = false;
  for (bool started = false;; started = true) {
    if (begin_ == end_ && !refill()) {
      if (!started) return false;
      break;  // text after the last line feed
    }
    const char* start = buffer_.data() + begin_;
    const char* feed = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
    const std::size_t take =
        feed != nullptr ? static_cast<std::size_t>(feed - start) : end_ - begin_;
    // One more than the cap leaves room for the CR of a CR LF line end.
    if (record.size() + take > kMaxRecordLength + 1) fail_line_too_long();
    record.append(start, take);
    begin_ += take;
    if (feed != nullptr) {
      ++begin_;
      line_fed_ = true;
      break;
    }
  }
  if (!record.empty() && record.back() == '\r') record.pop_back();
  if (record.size() > kMaxRecordLength) fail_line_too_long();
  ++lines_;
  return true;
}

void skip_ace_header(RecordFile& file) {
  std::string line;
  for (int i = 0; i < 4; ++i) {
    if (!file.next(line)) {
      throw RunEnd::abnormal("velk_nrt: " + file.what() + " " + file.path() +
                             " has fewer than its four header lines\n");
    }
  }
}

}  // namespace velk::forecast
