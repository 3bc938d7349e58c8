#include "acquire/kp_acquisition.h"

#include "acquire/file_helpers.h"
#include "acquire/month_fetch.h"
#include "acquire/upstream_hosts.h"
#include "check/input_data_analysis.h"
#include "check/structure_analysis.h"

namespace {
const char kPresentFile[] = "Kp_present.txt";
const char kLastFile[] = "KP_last.txt";
}  // namespace

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
  InputData_analysis present_analysis;
  InputData_analysis last_analysis;
  std::string present_text;
  std::string last_text;
  int failures = 0;
  if (!fetch_month("KPFileDownload", present_url, kPresentFile, false, present_analysis,
                   present_text)) {
    ++failures;
  }
  if (!fetch_month("KPFile2Download", last_url, kLastFile, false, last_analysis, last_text)) {
    ++failures;
  }

  if (failures == 0) {
    const std::string present_label = present_analysis.get_dataname();
    const std::string last_label = last_analysis.get_dataname();
    if (present_label.empty() || last_label.empty()) {
      // An error page or a foreign text is no Kp data.
      failures = 1;
    } else {
      std::string joined = last_text;
      // Both texts of one month: the service has not switched months yet and
      // the previous-month file already holds everything.
      if (present_label != last_label) {
        joined.pop_back();  // the repeat file_read appended; the seam keeps one line end
        joined += present_text;
      }
      failures = FileStructureAnalysis3(joined);
      if (!file_wright_reported(joined, path)) ++failures;
    }
  }

  remove_file(kPresentFile);
  remove_file(kLastFile);
  return failures;
}
