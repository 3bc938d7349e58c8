// Line-by-line reading of the forecaster's text inputs, one record per line,
// within bounds: every file the forecaster reads must be a regular file no
// larger than its kind's cap, with no line longer than kMaxRecordLength. A
// device, a named pipe or a runaway file thus ends the run at once instead of
// hanging it or filling memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velk::forecast {

// The longest line of any file: a covariance line of 999 values is 12,987
// characters, every other real line is far shorter.
constexpr std::size_t kMaxRecordLength = 64 * 1024;

// File-size caps, each far above any real file of its kind. An input file
// may hold the 2,000,000 rows the table allows (real ones hold two months,
// about 130 KB); a model file its 10,000 terms; a covariance file the full
// matrix of 10,000 terms (1.3 GB).
constexpr std::uint64_t kMaxConfigurationBytes = std::uint64_t{1} << 20;   // 1 MiB
constexpr std::uint64_t kMaxInputFileBytes = std::uint64_t{256} << 20;     // 256 MiB
constexpr std::uint64_t kMaxModelFileBytes = std::uint64_t{16} << 20;      // 16 MiB
constexpr std::uint64_t kMaxCovarianceFileBytes = std::uint64_t{2} << 30;  // 2 GiB

class RecordFile {
 public:
  // Opens `path` for reading. `what` names the file's kind in diagnostics,
  // e.g. "the Kp input file". Ends the run abnormally (RunEnd::abnormal,
  // naming the file) when it cannot be opened, is not a regular file, or is
  // larger than `max_bytes`.
  RecordFile(const std::string& path, const std::string& what, std::uint64_t max_bytes);
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Reads the next line into `record`, without its line feed. A carriage
  // return just before the line feed ends the record as well, so a file whose
  // lines end in CR LF reads like one that ends them in LF alone: a blank CR LF
  // line is a blank record, not one holding an unreadable character. Text
  // after the last line feed is one more record. False at the end of the
  // file. Ends the run abnormally on a read error, a line longer than
  // kMaxRecordLength, or a file that has grown past its cap.
  bool next(std::string& record);
  // Whether the record next() read last ended in a line feed; false for the
  // text after the last one, which a file cut short ends in.
  bool line_fed() const { return line_fed_; }

  const std::string& path() const { return path_; }
  const std::string& what() const { return what_; }

 private:
  [[noreturn]] void fail(const std::string& problem) const;
  [[noreturn]] void fail_line_too_long() const;
  bool refill();

  // Closed also when the constructor ends the run half-way.
  struct Descriptor {
    int fd = -1;
    ~Descriptor();
  };

  std::string path_;
  std::string what_;
  std::uint64_t max_bytes_;
  Descriptor file_;
  std::string buffer_;
  std::size_t begin_ = 0, end_ = 0;  // unread bytes of buffer_
  std::uint64_t bytes_read_ = 0;
  long lines_ = 0;
  bool line_fed_ = false;
};

// Skips the four column-header lines an ACE input file begins with. Ends the
// run abnormally, naming the file, when it holds fewer.
void skip_ace_header(RecordFile& file);

}  // namespace velk::forecast
