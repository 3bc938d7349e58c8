// The record check of one downloaded monthly text: which source it comes from
// (by the length of its first line), whether it is the current or the
// previous UTC month's data, and whether every line is a record of that
// source and month.
#pragma once

#include <cstdint>
#include <string>

class InputData_analysis {
 public:
  InputData_analysis() = default;

  // Classifies the text, appends a "FileAnalysis" step and, when the first
  // record is of the current or the previous month (by year and month), sets
  // the label: "SWEPAM", "MAG", "DST" or "KP" followed by 1 (current month) or
  // 2 (previous month). A text with no complete first line gets no label, and
  // so does one with a non-empty line that is not a record of the source
  // (length, characters, date fields) dated like the first; the step then
  // names the first such line, ("FileRecord'<n>'structure", 1) or, for a
  // record of another month, ("FileRecord'<n>'date", 1).
  void data_analysis(std::string text);

  std::string get_dataname() const { return dataname; }

 private:
  // Fields under their established names: the first line's length with its line feed, and the
  // month of the first record. Kept as named; nothing outside reads them.
  std::int32_t numberOFSymbols = 0;
  std::int32_t month = 0;
  std::string dataname;
};
