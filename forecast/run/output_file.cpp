#include "forecast/run/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/atomic_file.h"
#include "forecast/format/run_end.h"

namespace velk::forecast {

OutputFile::OutputFile(const std::string& path, const std::string& what, OutputGroup* group)
    : path_(path), what_(what), group_(group) {
  errno = 0;
  fd_ = create_temporary_beside(path, kForecasterTemporaryPrefix, temporary_);
  if (fd_ < 0) fail("create");
  buffer_.attach(fd_);
  if (group_ != nullptr) group_->members_.push_back(this);
}

OutputFile::~OutputFile() {
  if (group_ != nullptr && group_->failed_) {
    abandon();
    return;
  }
  try {
    commit();
  } catch (...) {
    abandon();
  }
}

bool OutputFile::abandon() {
  buffer_.attach(-1);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  const bool removed = temporary_.empty() || ::unlink(temporary_.c_str()) == 0 || errno == ENOENT;
  temporary_.clear();
  return removed;
}

void OutputFile::fail(const char* action, const std::string& aftermath) {
  const std::string reason = errno != 0 ? std::string(" (") + std::strerror(errno) + ")" : "";
  const std::string temporary = temporary_;
  if (group_ != nullptr) group_->failed_ = true;
  const std::string left = abandon() ? "" : "; its temporary file " + temporary + " is left behind";
  throw RunEnd::abnormal("velk_nrt: cannot " + std::string(action) + " " + what_ + " " + path_ +
                         reason + left + aftermath + "\n");
}

void OutputFile::flush() {
  if (temporary_.empty()) return;
  errno = 0;
  stream_.flush();
  if (!stream_) fail("write");
}

void OutputFile::prepare() {
  if (temporary_.empty() || fd_ < 0) return;
  errno = 0;
  stream_.flush();
  if (!stream_ || ::fsync(fd_) != 0) fail("write");
  buffer_.attach(-1);
  const int fd = fd_;
  fd_ = -1;
  // Some file systems report a lost write only when the file is closed.
  if (::close(fd) != 0) fail("write");
}

bool OutputFile::put_in_place() {
  errno = 0;
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0) return false;
  temporary_.clear();
  return true;
}

void OutputFile::commit() {
  if (temporary_.empty()) return;
  prepare();
  if (!put_in_place()) fail("write");
}

void OutputGroup::commit() {
  for (OutputFile* file : members_) file->prepare();
  std::string replaced;
  for (OutputFile* file : members_) {
    if (file->temporary_.empty()) continue;
    if (!file->put_in_place())
      file->fail("write", replaced.empty()
                              ? ""
                              : "; " + replaced + " was already replaced and no longer matches it");
    replaced += (replaced.empty() ? "" : " and ") + file->what_ + " " + file->path_;
  }
}

void write_whole_file(const std::string& path, const std::string& text, const std::string& what) {
  OutputFile file(path, what);
  file.stream() << text;
  file.commit();
}

OutputFile::DescriptorBuffer::int_type OutputFile::DescriptorBuffer::overflow(int_type c) {
  if (pbase() == nullptr) setp(buffer_, buffer_ + sizeof buffer_);
  if (pptr() == epptr() && !drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int OutputFile::DescriptorBuffer::sync() {
  return drain() ? 0 : -1;
}

bool OutputFile::DescriptorBuffer::drain() {
  if (fd_ < 0) return false;
  if (pbase() != nullptr &&
      !write_all(fd_, std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())))) {
    return false;
  }
  setp(buffer_, buffer_ + sizeof buffer_);
  return true;
}

}  // namespace velk::forecast
