// The steps every acquisition takes for its two months: download each into
// its working file, test-open, read, trim where the source needs it, label.
#pragma once

#include <functional>
#include <string>

// What one source calls its two downloads and working files.
struct MonthPairNames {
  const char* present_step;  // report StepName of the current-month download
  const char* last_step;     // ... of the previous-month download
  const char* present_file;  // working file of the current month
  const char* last_file;     // ... of the previous month
  bool trim;                 // whether the texts go through file_eraze
  // When set, a current month published with its header but no record yet
  // (a list in the first hour of its month) is recorded under this step name
  // with Value 0 instead of being analysed, and MonthPair says so.
  const char* header_only_step = nullptr;
};

// The two monthly texts as read, with their data labels ("" when none).
struct MonthPair {
  std::string present_text, last_text;
  std::string present_label, last_label;
  int unreadable = 0;                // working files that could not be opened (0..2)
  bool present_header_only = false;  // see MonthPairNames::header_only_step
};

// Fetches the current month, then the previous one, recording every step in
// the report. A working file left by an earlier run is removed before its
// download, so it is never read as fresh data; a month whose download failed
// and whose working file cannot be removed counts as unreadable. The working
// files stay until remove_working_files, which the caller calls once it has
// joined the texts.
MonthPair fetch_month_pair(const MonthPairNames& names, const std::string& present_url,
                           const std::string& last_url);
// Removes both working files; each that stays gets the record
// ("FileRemove", "'<working file>'remove", 1).
void remove_working_files(const MonthPairNames& names);

// The previous month's text followed by the current one's, with one line end
// at the seam.
std::string join_months(const MonthPair& months);

// The skeleton of every acquisition: fetches both months; when both were read,
// `join` makes the input text from them (false: the pair is not one this
// source accepts), the text's empty lines are counted (FileStructureAnalysis3)
// and `header` + text is written to `path`. The working files are removed
// at the end. Returns 0 when the file was written with no missing row;
// otherwise non-zero: the number of unreadable months, or of missing rows, or
// 1 for a refused pair (recorded as ("FileMonths", "'<present file>'and'<last
// file>'notJoined", 1)), plus 1 when the file could not be
// written.
int acquire_two_months(const MonthPairNames& names, const std::string& path,
                       const std::string& present_url, const std::string& last_url,
                       const std::string& header,
                       const std::function<bool(const MonthPair&, std::string&)>& join);
