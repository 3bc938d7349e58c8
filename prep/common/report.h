// The processing report: one process-wide XML text that every step of a run
// appends whole records to, and that the run writes to disk once, at its end.
// Only report.cpp writes the text; everything else goes through the calls
// below.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The report text itself, under its established name. Read by tests; written
// only by the calls below.
extern std::string error_file;

// `text` as it may stand in the report: "<", ">" and every "&" that does not
// start a character or entity reference are escaped, and control characters
// become "?", so that the report stays well-formed whatever a path holds.
// Names and paths go through it on their way into the report.
std::string report_text(const std::string& text);

// Replaces the report text with the report header (the start of every run).
void report_start();

// The (ErrorName, Value) pairs of one step, in their order.
using ReportPairs = std::vector<std::pair<std::string, int>>;

// Appends one whole step with a single pair, or with several.
void report_record(const std::string& step_name, const std::string& error_name, int value);
void report_record(const std::string& step_name, const ReportPairs& pairs);

// Appends the step of one download: the pair ("File'<url>'download", 0 when
// `downloaded`, else 1).
void report_download(const std::string& step_name, const std::string& url, bool downloaded);

// Appends the record of a file that could not be written whole (a full disk,
// a file-size limit, a directory without room or rights):
// ("FileWrite", "'<path>'write", 1).
void report_write_failure(const std::string& path);

// The whole report as it goes to disk: the text so far and its two closing
// lines. The text itself stays open, so a record may still follow.
std::string report_document();

// Empties the text (program start state); for tests that run several cycles.
void report_reset();
