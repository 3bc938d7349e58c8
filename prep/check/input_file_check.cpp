#include "prep/check/input_file_check.h"

#include "prep/check/record_shape.h"
#include "prep/common/file_helpers.h"

namespace velk::prep {

namespace {

// The last characters of a text are left out of the scans: an assembled text
// may end in empty lines.
constexpr std::size_t kUnexaminedTail = 10;

// The records of an ACE input file start after its four-line column header.
constexpr std::size_t kFirstRecordLine = 5;

// Adds one pair per empty line in the examined part and returns how many;
// `lines_before` is how many lines precede the text in its file. When
// `line31_count` is given, it receives 1 + the length of the line that
// follows the 30th line feed.
int scan_empty_lines(const std::string& text, std::size_t lines_before, ReportPairs& pairs,
                     std::size_t* line31_count) {
  int missing = 0;
  std::size_t line_feeds = 0;
  if (text.size() > kUnexaminedTail + 1) {
    const std::size_t last = text.size() - kUnexaminedTail - 1;
    // The scan starts at the second character; a first one that ends a line
    // still counts for the line numbers.
    const std::size_t first_line = lines_before + (text[0] == '\n' ? 1 : 0);
    for (std::size_t j = 1; j <= last; ++j) {
      if (text[j] == '\n') {
        ++line_feeds;
        if (text[j - 1] == '\n') {
          pairs.push_back({"FileStructureRowMissing", 1,
                           "empty line at line " + std::to_string(first_line + line_feeds)});
          ++missing;
        }
      }
      if (line31_count != nullptr && line_feeds == 30) ++*line31_count;
    }
  }
  if (missing == 0) pairs.push_back({"FileStructureRowMissing", 0});
  return missing;
}

}  // namespace

int count_missing_rows(const std::string& text, std::size_t lines_before, Report& report) {
  ReportPairs pairs;
  const int missing = scan_empty_lines(text, lines_before, pairs, nullptr);
  report.record("FileStructureAnalysis2", pairs);
  return missing;
}

int check_ace_input_text(const std::string& text, Report& report) {
  ReportPairs pairs;
  std::size_t line31_count = 0;
  int problems = scan_empty_lines(text, 0, pairs, &line31_count);
  // The 31st line's length tells which list the file holds.
  if (const RecordShape* shape = ace_record_of_line_length(line31_count)) {
    pairs.push_back({"FileStructure", 0});
    // The file is used as it stands, so every record must be one: a broken
    // line anywhere would reach the forecaster as data.
    const BadRecord bad = first_bad_record(*shape, text, kFirstRecordLine, {});
    if (bad.line != 0) {
      pairs.push_back({bad_record_name(bad), 1, bad_record_cause(bad)});
      ++problems;
    }
  } else {
    pairs.push_back({"FileStructure", 1, "no ACE record at line 31"});
    ++problems;
  }
  report.record("FileStructureAnalysis2", pairs);
  return problems;
}

int check_ace_input_file(const std::string& path, Report& report) {
  if (!file_opens_for_reading(path)) {
    report.record("FileRead", "'" + path + "'read", 1);
    return 1;
  }
  report.record("FileRead", "'" + path + "'read", 0);
  return check_ace_input_text(read_data_file(path), report);
}

}  // namespace velk::prep
