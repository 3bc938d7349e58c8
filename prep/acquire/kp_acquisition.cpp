#include "acquire/kp_acquisition.h"

#include "acquire/file_helpers.h"
#include "acquire/month_fetch.h"
#include "acquire/upstream_hosts.h"
#include "check/structure_analysis.h"

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
  const MonthPair months = fetch_month_pair(kKpMonths, present_url, last_url);
  int failures = months.unreadable;
  if (failures == 0) {
    const bool in_order = months.present_label == "KP1" && months.last_label == "KP2";
    const bool one_month = !months.last_label.empty() && months.present_label == months.last_label;
    if (!in_order && !one_month) {
      // An error page or a foreign text is no Kp data, and a pair served the
      // wrong way round would shift every day by a month.
      failures = 1;
    } else {
      std::string joined = months.last_text;
      // Both texts of one month: the service has not switched months yet and
      // the previous-month file already holds everything.
      if (in_order) {
        joined.pop_back();  // the repeat file_read appended; the seam keeps one line end
        joined += months.present_text;
      }
      failures = FileStructureAnalysis3(joined);
      if (!file_wright_reported(joined, path)) ++failures;
    }
  }

  remove_working_files(kKpMonths);
  return failures;
}
