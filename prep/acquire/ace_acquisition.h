// The ACE MAG and ACE SWEPAM input files, from the ACE list service's monthly
// hourly lists.
#pragma once

#include <string>

#include "prep/acquire/month_url.h"
#include "prep/check/month_role.h"
#include "prep/common/report.h"

namespace velk::prep {

// What differs between the two lists.
struct AceList {
  const char* (*url_pattern)();  // where both months are fetched (upstream_urls.h)
  Source source;
  const char* column_header;  // the four fixed lines put before the records
};

extern const AceList kAceMag;
extern const AceList kAceSwepam;

// Fetches both months and writes header + joined records to `path`. Result as
// for the Dst acquisition. In the first hour of a month the current list holds
// its header but no record yet: in the first 6 hours of the 1st (UTC) the
// previous month alone is then written, and the report says so under the
// list's header_only_step_name; at any other time such a list fails its
// analysis.
int acquire_ace(const AceList& list, const std::string& path, Report& report);

// The same with the two URLs given; `present_may_be_empty` says whether a
// current list without records yet may leave the previous month alone.
int acquire_ace(const AceList& list, const std::string& path, const MonthUrls& urls,
                bool present_may_be_empty, Report& report);

}  // namespace velk::prep
