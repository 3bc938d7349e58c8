// The processing report of one run, errorfile.xml: every step the run takes,
// each with its (ErrorName, Value) pairs, in the order they were taken. A run
// owns one Report and hands it to each step that has something to tell; the
// run writes the document to disk once, at its end.
//
// The report's format is fixed: stored reports and their readers rely on it.
// Why a pair failed, where the step knows it (a refused connection, an HTTP
// status, a full disk), goes into a side file beside it, errorfile.causes:
// one line "<ErrorName text>\t<cause>\n" per failed pair with a known
// cause, in report order. A cause is a short lower-case English phrase.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace velk::prep {

// `text` as it may stand in the report: "<", ">" and every "&" that does not
// start a character or entity reference are escaped, and control characters
// become "?", so that the report stays well-formed whatever a path holds.
// Names and paths go through it on their way into the report.
std::string report_text(const std::string& text);

// One (ErrorName, Value) pair, with the cause of its failure when known.
struct ReportPair {
  std::string error_name;
  int value;
  std::string cause = {};  // "" when unknown, or when the pair did not fail
};

// The pairs of one step, in their order.
using ReportPairs = std::vector<ReportPair>;

class Report {
 public:
  // A report holding its header and no step yet.
  Report();

  // Appends one whole step with a single pair, or with several.
  void record(const std::string& step_name, const std::string& error_name, int value,
              const std::string& cause = {});
  void record(const std::string& step_name, const ReportPairs& pairs);

  // Appends the step of one download: the pair ("File'<url>'download", 0 when
  // `downloaded`, else 1).
  void record_download(const std::string& step_name, const std::string& url, bool downloaded,
                       const std::string& cause = {});

  // Appends the record of a file that could not be written whole (a full
  // disk, a file-size limit, a directory without room or rights):
  // ("FileWrite", "'<path>'write", 1).
  void record_write_failure(const std::string& path, const std::string& cause = {});

  // The whole report as it goes to disk: the steps so far and the two closing
  // lines. The report stays open, so a step may still follow.
  std::string document() const;

  // The side file errorfile.causes for the report as it stands. Each line
  // names its pair by the text a reader of document() finds in the pair's
  // ErrorName element (references resolved, blanks trimmed); tabs and line
  // ends in a name or cause become blanks. Empty when no failed pair has a
  // known cause.
  std::string causes_document() const;

 private:
  std::string text_;
  std::size_t pairs_ = 0;                                    // pairs recorded so far
  std::vector<std::pair<std::size_t, std::string>> causes_;  // pair number, cause
};

// `text` with every ASCII letter in lower case, as causes are written.
std::string lower_case(std::string text);

// The cause of a failed write from its errno: "disk full while writing",
// "permission denied while writing", "read-only file system while writing",
// or the system's text in lower case followed by " while writing"; "" for 0.
std::string write_failure_cause(int error);

}  // namespace velk::prep
