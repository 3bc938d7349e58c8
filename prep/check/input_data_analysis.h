// The record check of one downloaded monthly text: which source it comes from
// (by the length of its first line) and whether it is the current or the
// previous UTC month's data.
#pragma once

#include <cstdint>
#include <string>

class InputData_analysis {
 public:
  InputData_analysis() = default;

  // Classifies the text, appends a "FileAnalysis" step and, when the record is
  // of the current or the previous month, sets the label: "SWEPAM", "MAG",
  // "DST" or "KP" followed by 1 (current month) or 2 (previous month). A text
  // with no complete first line gets no label.
  void data_analysis(std::string text);

  std::string get_dataname() const { return dataname; }

 private:
  std::int32_t numberOFSymbols = 0;
  std::int32_t month = 0;
  std::string dataname;
};
