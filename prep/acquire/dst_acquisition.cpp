#include "prep/acquire/dst_acquisition.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/upstream_hosts.h"
#include "prep/common/date_stamps.h"

const MonthPairNames kDstMonths = {"DSTFileDownload", "DSTFile2Download", "Dst_present.txt",
                                   "Dst_last.txt", true};

std::string dst_month_url(const std::string& host, const std::string& yyyymm,
                          const std::string& yymm) {
  return "http://" + host + "/dst_realtime/" + yyyymm + "/dst" + yymm + ".for.request";
}

int DST_files_download(std::string path) {
  const std::string host = dst_service_host();
  // One clock reading for all four keys, so that they name the same months.
  const std::tm now = utc_now();
  return dst_acquisition(
      path, dst_month_url(host, month_key(now), short_month_key(now)),
      dst_month_url(host, previous_month_key(now), short_previous_month_key(now)));
}

int dst_acquisition(const std::string& path, const std::string& present_url,
                    const std::string& last_url) {
  return acquire_two_months(kDstMonths, path, present_url, last_url, "",
                            [](const MonthPair& months, std::string& joined) {
                              if (months.last_label != "DST2" || months.present_label != "DST1") {
                                return false;
                              }
                              joined = months.last_text + months.present_text;
                              return true;
                            });
}
