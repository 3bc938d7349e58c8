#include "prep/acquire/dst_acquisition.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/month_url.h"
#include "prep/acquire/upstream_urls.h"
#include "prep/common/date_stamps.h"

const MonthPairNames kDstMonths = {"DSTFileDownload", "DSTFile2Download", "Dst_present.txt",
                                   "Dst_last.txt", true};

int DST_files_download(std::string path) {
  const MonthUrls urls = month_urls(dst_url_pattern(), dst_url_pattern(), utc_now());
  return dst_acquisition(path, urls.present, urls.last);
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
