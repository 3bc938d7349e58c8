#include "acquire/dst_acquisition.h"

#include "acquire/date_stamps.h"
#include "acquire/file_helpers.h"
#include "acquire/month_fetch.h"
#include "acquire/upstream_hosts.h"
#include "check/input_data_analysis.h"
#include "check/structure_analysis.h"

namespace {
const char kPresentFile[] = "Dst_present.txt";
const char kLastFile[] = "Dst_last.txt";
}  // namespace

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
  InputData_analysis present_analysis;
  InputData_analysis last_analysis;
  std::string present_text;
  std::string last_text;
  int failures = 0;
  if (!fetch_month("DSTFileDownload", present_url, kPresentFile, true, present_analysis,
                   present_text)) {
    ++failures;
  }
  if (!fetch_month("DSTFile2Download", last_url, kLastFile, true, last_analysis, last_text)) {
    ++failures;
  }

  if (failures == 0) {
    if (last_analysis.get_dataname() == "DST2" && present_analysis.get_dataname() == "DST1") {
      const std::string joined = last_text + present_text;
      failures = FileStructureAnalysis3(joined);
      if (!file_wright_reported(joined, path)) ++failures;
    } else {
      // Months other than the current and the previous one: nothing is written,
      // so the source must not count as obtained.
      failures = 1;
    }
  }

  remove_file(kPresentFile);
  remove_file(kLastFile);
  return failures;
}
