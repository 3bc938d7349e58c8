#include "prep/acquire/kp_acquisition.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/month_url.h"
#include "prep/acquire/upstream_urls.h"
#include "prep/common/date_stamps.h"

// The service's texts are stored as they come: no header to trim.
const MonthPairNames kKpMonths = {"KPFileDownload", "KPFile2Download", "Kp_present.txt",
                                  "KP_last.txt", false};

int KP_files_download(std::string path) {
  // The standard service keeps its two months under fixed names, hence two
  // patterns; a pattern may still name its month by the keys.
  const MonthUrls urls = month_urls(kp_url_pattern(), kp_previous_url_pattern(), utc_now());
  return kp_acquisition(path, urls.present, urls.last);
}

int kp_acquisition(const std::string& path, const std::string& present_url,
                   const std::string& last_url) {
  return acquire_two_months(
      kKpMonths, path, present_url, last_url, "", [](const MonthPair& months, std::string& joined) {
        const bool in_order = months.present_label == "KP1" && months.last_label == "KP2";
        const bool one_month =
            !months.last_label.empty() && months.present_label == months.last_label;
        // A pair served the wrong way round would shift every day by a month.
        if (!in_order && !one_month) return false;
        // Both texts of one month: the service has not switched months yet and
        // the previous-month file already holds everything.
        joined = in_order ? join_months(months) : months.last_text;
        return true;
      });
}
