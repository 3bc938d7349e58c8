#include "prep/acquire/ace_acquisition.h"

#include "inputs/layouts.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/upstream_urls.h"
#include "prep/common/date_stamps.h"

namespace velk::prep {

const AceList kAceMag = {ace_mag_url_pattern, Source::ace_mag, inputs::kMagHeader};
const AceList kAceSwepam = {ace_swepam_url_pattern, Source::ace_swepam, inputs::kSwepamHeader};

namespace {

// How long into a month its lists may still hold no record. They are opened
// at the turn of the month and gain a record every hour; one still empty
// later than this is a fault upstream, and the source fails.
constexpr int kNewListGraceHours = 6;

bool new_list_may_be_empty(const std::tm& now) {
  return now.tm_mday == 1 && now.tm_hour < kNewListGraceHours;
}

}  // namespace

int acquire_ace(const AceList& list, const std::string& path, Report& report) {
  const std::tm now = utc_now();
  return acquire_ace(list, path, month_urls(list.url_pattern(), list.url_pattern(), now),
                     new_list_may_be_empty(now), report);
}

int acquire_ace(const AceList& list, const std::string& path, const MonthUrls& urls,
                bool present_may_be_empty, Report& report) {
  const MonthRole current{list.source, Month::current};
  const MonthRole previous{list.source, Month::previous};
  // Outside the grace hours an empty list is analysed like any other text,
  // and fails.
  return acquire_two_months(
      {list.source, urls, present_may_be_empty}, path, list.column_header,
      [&](const MonthPair& months, std::string& joined) {
        if (months.last_role != previous) return false;
        if (months.present_header_only) {
          joined = months.last_text;
          return true;
        }
        if (months.present_role != current) return false;
        joined = join_months(months);
        return true;
      },
      report);
}

}  // namespace velk::prep
