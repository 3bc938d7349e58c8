// The ACE MAG and ACE SWEPAM input files, from the ACE list service's monthly
// hourly lists.
#pragma once

#include <string>

#include "prep/acquire/month_fetch.h"

// What differs between the two lists.
struct AceList {
  const char* (*url_pattern)();  // where both months are fetched (upstream_urls.h)
  const char* present_file;      // working file of the current month
  const char* last_file;         // working file of the previous month
  const char* present_step;      // report StepName of the current-month download
  const char* last_step;         // ... of the previous-month download
  const char* header_only_step;  // ... of a current month without records yet
  const char* label_stem;        // data label without its month digit
  const char* column_header;     // the four fixed lines put before the records
};

extern const AceList kAceMag;
extern const AceList kAceSwepam;

// The downloads' step names and the working files of a list.
MonthPairNames ace_month_names(const AceList& list);

// Fetches both months and writes header + joined records to `path`. Result as
// for the Dst acquisition. In the first hour of a month the current list holds
// its header but no record yet: in the first 6 hours of the 1st (UTC) the
// previous month alone is then written, and the report says so under the
// list's header_only_step; at any other time such a list fails its analysis.
int ACEMAG_files_download(std::string path);
int ACESWEPAM_files_download(std::string path);

// The same with the two URLs given; `present_may_be_empty` says whether a
// current list without records yet may leave the previous month alone.
int ace_acquisition(const AceList& list, const std::string& path, const std::string& present_url,
                    const std::string& last_url, bool present_may_be_empty);
