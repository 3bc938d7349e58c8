// The processing report of one run, errorfile.xml: every step the run takes,
// each with its (ErrorName, Value) pairs, in the order they were taken. A run
// owns one Report and hands it to each step that has something to tell; the
// run writes the document to disk once, at its end.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velk::prep {

// `text` as it may stand in the report: "<", ">" and every "&" that does not
// start a character or entity reference are escaped, and control characters
// become "?", so that the report stays well-formed whatever a path holds.
// Names and paths go through it on their way into the report.
std::string report_text(const std::string& text);

// The (ErrorName, Value) pairs of one step, in their order.
using ReportPairs = std::vector<std::pair<std::string, int>>;

class Report {
 public:
  // A report holding its header and no step yet.
  Report();

  // Appends one whole step with a single pair, or with several.
  void record(const std::string& step_name, const std::string& error_name, int value);
  void record(const std::string& step_name, const ReportPairs& pairs);

  // Appends the step of one download: the pair ("File'<url>'download", 0 when
  // `downloaded`, else 1).
  void record_download(const std::string& step_name, const std::string& url, bool downloaded);

  // Appends the record of a file that could not be written whole (a full
  // disk, a file-size limit, a directory without room or rights):
  // ("FileWrite", "'<path>'write", 1).
  void record_write_failure(const std::string& path);

  // The whole report as it goes to disk: the steps so far and the two closing
  // lines. The report stays open, so a step may still follow.
  std::string document() const;

 private:
  std::string text_;
};

}  // namespace velk::prep
