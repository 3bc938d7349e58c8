#include "prep/acquire/kp_acquisition.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/upstream_hosts.h"

// The service's texts are stored as they come: no header to trim.
const MonthPairNames kKpMonths = {"KPFileDownload", "KPFile2Download", "Kp_present.txt",
                                  "KP_last.txt", false};

// The service keeps its two months under fixed names.
std::string kp_present_url(const std::string& host) {
  return "http://" + host + "/kp_index/qlyymm.wdc";
}

std::string kp_last_url(const std::string& host) {
  return "http://" + host + "/kp_index/pqlyymm.wdc";
}

int KP_files_download(std::string path) {
  const std::string host = kp_service_host();
  return kp_acquisition(path, kp_present_url(host), kp_last_url(host));
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
