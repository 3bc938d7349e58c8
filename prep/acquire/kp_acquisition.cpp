#include "prep/acquire/kp_acquisition.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/upstream_urls.h"
#include "prep/common/date_stamps.h"

namespace velk::prep {

int acquire_kp(const std::string& path, Report& report) {
  // The standard service keeps its two months under fixed names, hence two
  // patterns; a pattern may still name its month by the keys.
  return acquire_kp(path, month_urls(kp_url_pattern(), kp_previous_url_pattern(), utc_now()),
                    report);
}

int acquire_kp(const std::string& path, const MonthUrls& urls, Report& report) {
  return acquire_two_months(
      {Source::kp, urls}, path, "",
      [](const MonthPair& months, std::string& joined) {
        const bool in_order = months.present_role == MonthRole{Source::kp, Month::current} &&
                              months.last_role == MonthRole{Source::kp, Month::previous};
        // Both texts must be Kp: two texts of one month of another source (an
        // error in the service's set-up) would otherwise become the Kp input.
        const bool one_month = months.last_role && months.last_role->source == Source::kp &&
                               months.present_role == months.last_role;
        // A pair served the wrong way round would shift every day by a month.
        if (!in_order && !one_month) return false;
        // Both texts of one month: the service has not switched months yet and
        // the previous-month file already holds everything.
        joined = in_order ? join_months(months) : months.last_text;
        return true;
      },
      report);
}

}  // namespace velk::prep
