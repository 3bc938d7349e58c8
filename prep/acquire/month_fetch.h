// The steps every acquisition takes for its two months: download each into
// its working file, test-open, read, trim where the source needs it, and find
// its role (source and month).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "prep/acquire/month_url.h"
#include "prep/check/month_role.h"
#include "prep/common/report.h"

namespace velk::prep {

// Which source's two months to fetch, and from where.
struct MonthPairFetch {
  Source source;
  MonthUrls urls;
  // When set, a current month published with its header but no record yet
  // (an ACE list in the first hours of its month) is recorded under
  // header_only_step_name with Value 0 instead of being analysed, and
  // MonthPair says so.
  bool present_may_be_header_only = false;
};

// The two monthly texts as read, with the roles the record check gave them
// (none for a text it refused).
struct MonthPair {
  std::string present_text, last_text;
  std::optional<MonthRole> present_role, last_role;
  int unreadable = 0;                // working files that could not be opened (0..2)
  bool present_header_only = false;  // see MonthPairFetch::present_may_be_header_only
};

// Fetches the current month, then the previous one, recording every step in
// `report`. A working file left by an earlier run is removed before its
// download, so it is never read as fresh data; a month whose download failed
// and whose working file cannot be removed counts as unreadable. The working
// files stay until remove_working_files, which the caller calls once it has
// joined the texts.
MonthPair fetch_month_pair(const MonthPairFetch& fetch, Report& report);

// Removes both working files of `source`; each that stays gets the record
// ("FileRemove", "'<working file>'remove", 1).
void remove_working_files(Source source, Report& report);

// The previous month's text followed by the current one's, with one line end
// at the seam.
std::string join_months(const MonthPair& months);

// The skeleton of every acquisition: fetches both months; when both were read,
// `join` makes the input text from them (false: the pair is not one this
// source accepts), the text's missing rows are counted (count_missing_rows)
// and `header` + text is written to `path`. The working files are removed at
// the end. Returns 0 when the file was written with no missing row; otherwise
// non-zero: the number of unreadable months, or of missing rows, or 1 for a
// refused pair (recorded as ("FileMonths", "'<present file>'and'<last
// file>'notJoined", 1)), plus 1 when the file could not be written.
int acquire_two_months(const MonthPairFetch& fetch, const std::string& path,
                       const std::string& header,
                       const std::function<bool(const MonthPair&, std::string&)>& join,
                       Report& report);

}  // namespace velk::prep
