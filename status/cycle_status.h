// One cycle's status for the operator: status.json for machines, index.html
// for people and one log line, all made from the same facts.
#pragma once

#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace velk::status {

// What the cycle script knows about the cycle it ran.
struct CycleRun {
  std::string time;     // cycle start, UTC, "YYYY-MM-DDTHH:MM:SSZ"
  std::string variant;  // ap, dst or kp
  std::string outcome;  // the script's outcome name, e.g. "forecast", "sources-failed"
  int exit_status = 0;  // the script's exit status for this cycle
  bool order_file_given = false;
  std::string message;   // the forecaster's message or diagnostic, if any
  std::string report;    // the report written in this cycle, "" when none
  std::string causes;    // the causes written beside it in this cycle, "" when none
  std::string table;     // forecast table written in this cycle, "" when none
  std::string metadata;  // its metadata file, "" when none
  std::string product;   // its forecast product (JSON), "" when none
  std::string picture;   // its picture, "" when none
  // This cycle's input files by source ("dst", "kp", "ace_mag", "ace_swepam").
  std::map<std::string, std::string> inputs;
  double stale_hours = 3;  // a newest row unchanged this long is stale
  std::string ledger;      // the forecasts issued so far, for live verification; "" for none
  // The previous cycle's status.json (null when none): freshness and the last
  // good forecast are carried on from it.
  nlohmann::ordered_json previous;
};

// The forecaster's message as one line: every line trimmed, blank ones left
// out, the rest joined with " | " (its diagnostics span several lines).
std::string one_line(const std::string& message);

// Reads the files the run names. A file that cannot be read is noted in the
// status ("problems") instead of ending the status: the outcome still counts.
nlohmann::ordered_json cycle_status(const CycleRun& run);

// "<time> <variant> <outcome> exit=<n> failed=<steps|-> newest=<lead>@<valid time>=<value>,...
// [message=<text>]"
std::string log_line(const nlohmann::ordered_json& status);

// Replaces `path` with `content` atomically (the preprocessor's own writer:
// a temporary file in the same directory, fsync, rename), so that a reader
// sees the old or the new file, never a part. Throws std::runtime_error on
// failure, leaving the old file.
void replace_file(const std::string& path, const std::string& content);

}  // namespace velk::status
