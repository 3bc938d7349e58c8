#include "acquire/dst_acquisition.h"

#include "acquire/date_stamps.h"
#include "acquire/file_helpers.h"
#include "acquire/month_fetch.h"
#include "acquire/upstream_hosts.h"
#include "check/structure_analysis.h"

const MonthPairNames kDstMonths = {"DSTFileDownload", "DSTFile2Download", "Dst_present.txt",
                                   "Dst_last.txt", true};

std::string dst_month_url(const std::string& host, const std::string& yyyymm,
                          const std::string& yymm) {
  return "http://" + host + "/dst_realtime/" + yyyymm + "/dst" + yymm + ".for.request";
}

int DST_files_download(std::string path) {
  const std::string host = dst_service_host();
  return dst_acquisition(path, dst_month_url(host, present_data(), short_data_present()),
                         dst_month_url(host, last_data(), short_data_last()));
}

int dst_acquisition(const std::string& path, const std::string& present_url,
                    const std::string& last_url) {
  const MonthPair months = fetch_month_pair(kDstMonths, present_url, last_url);
  int failures = months.unreadable;
  if (failures == 0) {
    if (months.last_label == "DST2" && months.present_label == "DST1") {
      const std::string joined = months.last_text + months.present_text;
      failures = FileStructureAnalysis3(joined);
      if (!file_wright_reported(joined, path)) ++failures;
    } else {
      // Months other than the current and the previous one: nothing is written,
      // so the source must not count as obtained.
      failures = 1;
    }
  }

  remove_working_files(kDstMonths);
  return failures;
}
