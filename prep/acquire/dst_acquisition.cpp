#include "prep/acquire/dst_acquisition.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/upstream_urls.h"
#include "prep/common/date_stamps.h"

namespace velk::prep {

int acquire_dst(const std::string& path, Report& report) {
  return acquire_dst(path, month_urls(dst_url_pattern(), dst_url_pattern(), utc_now()), report);
}

int acquire_dst(const std::string& path, const MonthUrls& urls, Report& report) {
  return acquire_two_months(
      {Source::dst, urls}, path, "",
      [](const MonthPair& months, std::string& joined) {
        if (months.last_role != MonthRole{Source::dst, Month::previous} ||
            months.present_role != MonthRole{Source::dst, Month::current}) {
          return false;
        }
        joined = months.last_text + months.present_text;
        return true;
      },
      report);
}

}  // namespace velk::prep
