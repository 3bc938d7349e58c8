// The processing report: one process-wide XML text that every step of a run
// appends to, and that the run writes to disk once, at its end.
#pragma once

#include <string>

// The report text itself. Appended to by whole lines only.
extern std::string error_file;

// `text` as it may stand in the report: "<", ">" and every "&" that does not
// start a character or entity reference are escaped, and control characters
// become "?", so that the report stays well-formed whatever a path holds.
// Names and paths go through it on their way into the report.
std::string report_text(const std::string& text);

// Replaces the report text with the report header (the start of every run).
void report_start();

// Appends one whole step with a single (ErrorName, Value) pair.
void report_record(const std::string& step_name, const std::string& error_name, int value);

// Pieces for steps whose pairs come from several places.
void report_open_step(const std::string& step_name);
void report_pair(const std::string& error_name, int value);
void report_close_step();

// Appends the two closing lines.
void report_close();

// Empties the text (program start state); for tests that run several cycles.
void report_reset();
