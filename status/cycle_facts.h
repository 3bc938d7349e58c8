// What one cycle left in its working directory, read back for the operator:
// the preprocessor's report, the forecaster's metadata and forecast table.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velk::status {

// One failed record of the report: its step and the failing error name.
struct FailedStep {
  std::string source;  // "dst", "kp", "ace_mag", "ace_swepam" or "general"
  std::string step;
  std::string error;
  std::string cause;  // why, from the causes beside the report; "" when unknown
};

// The report's failed records in report order. A run without an order file
// always records OrderFileInDir as failed; `order_file_given` false leaves it
// out, since it is no fault. `sources_tried` tells whether the run got as far
// as any source: one that stopped at its order file recorded no step of one,
// which says nothing of the sources. Throws std::runtime_error when the
// report cannot be read or parsed.
struct ReportFacts {
  std::vector<FailedStep> failed;
  bool sources_tried = false;
};
ReportFacts read_report(const std::string& report_path, bool order_file_given);

// Where the preprocessor may have written its report for this order file:
// each directory the file names (the text of every File_Name element, read as
// the preprocessor reads it) followed by "errorfile.xml", in document order,
// without repeats. The cycle script takes the one written in this cycle; a
// report that could not go there goes to the working directory. Throws
// std::runtime_error when the order file cannot be read or parsed.
std::vector<std::string> report_candidates(const std::string& order_file);

// A value as the files write it, read as a number; absent when the text is
// no finite number (a field of asterisks, an empty element).
using Number = std::optional<double>;
Number number_in(const std::string& text);

struct Score {
  std::string name;
  Number value;
  Number persistence;  // absent for the skill score, which has none
  bool has_persistence = false;
};

struct LeadScores {
  int lead = 0;
  std::vector<Score> scores;
};

struct Metadata {
  std::string index_name;
  std::string units;
  std::string fill_value;
  std::vector<LeadScores> models;
};

// Throws std::runtime_error when the file cannot be read or parsed, or names
// no fill value.
Metadata read_metadata(const std::string& path);

// The newest row of a lead's column that holds a forecast, i.e. differs from
// the fill value. The row's date and hour are the forecast's valid time.
struct NewestForecast {
  std::string lead;        // the column's label, e.g. "FC+01H"
  std::string valid_time;  // "YYYY-MM-DDTHH:00Z", empty when no row has one
  double value = 0;
  // The rows that hold both an observation and a forecast of this lead: the
  // sample the lead's scores stand on.
  int sample_size = 0;
  // The forecasts valid after the table's last observation, oldest first:
  // those the cycle made for hours still to come.
  std::vector<std::pair<std::string, double>> ahead;
  // The rows of the column that hold a forecast, observed or not: 0 means the
  // model made no forecast at all.
  int rows = 0;
};

// Throws std::runtime_error when the table cannot be read or its layout is
// not the forecaster's (header with FC+ labels, rows of date, hour, values).
// A cell equal to the fill value, as a number or as written, is a gap.
// `observations`, when given, receives every row's observed value (rows
// without one left out), oldest first.
using TimedValues = std::vector<std::pair<std::string, double>>;  // valid time, value
std::vector<NewestForecast> newest_forecasts(const std::string& table_path,
                                             const std::string& fill_value,
                                             TimedValues* observations = nullptr);

}  // namespace velk::status
