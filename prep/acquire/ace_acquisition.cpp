#include "prep/acquire/ace_acquisition.h"

#include "inputs/layouts.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/upstream_hosts.h"
#include "prep/common/date_stamps.h"

const AceList kAceMag = {
    "_ace_mag_1h.txt",
    "MAG_present.txt",
    "MAG_last.txt",
    "AceMagFileDownload",
    "AceMagFile2Download",
    "AceMagFilePreviousMonthOnly",
    "MAG",
    input_layout::kMagHeader,
};

const AceList kAceSwepam = {
    "_ace_swepam_1h.txt",
    "SWEPAM_present.txt",
    "SWEPAM_last.txt",
    "AceSwepamFileDownload",
    "AceSwepamFile2Download",
    "AceSwepamFilePreviousMonthOnly",
    "SWEPAM",
    input_layout::kSwepamHeader,
};

std::string ace_month_url(const std::string& host, const std::string& yyyymm, const AceList& list) {
  return "ftp://" + host + "/pub/lists/ace2/" + yyyymm + list.file_suffix;
}

MonthPairNames ace_month_names(const AceList& list) {
  return {list.present_step, list.last_step, list.present_file,
          list.last_file,    true,           list.header_only_step};
}

namespace {

int ace_files_download(const AceList& list, const std::string& path) {
  const std::string host = ace_service_host();
  const std::tm now = utc_now();
  return ace_acquisition(list, path, ace_month_url(host, month_key(now), list),
                         ace_month_url(host, previous_month_key(now), list));
}

}  // namespace

int ACEMAG_files_download(std::string path) {
  return ace_files_download(kAceMag, path);
}

int ACESWEPAM_files_download(std::string path) {
  return ace_files_download(kAceSwepam, path);
}

int ace_acquisition(const AceList& list, const std::string& path, const std::string& present_url,
                    const std::string& last_url) {
  const std::string stem = list.label_stem;
  return acquire_two_months(ace_month_names(list), path, present_url, last_url, list.column_header,
                            [&](const MonthPair& months, std::string& joined) {
                              if (months.last_label != stem + "2") return false;
                              if (months.present_header_only) {
                                joined = months.last_text;
                                return true;
                              }
                              if (months.present_label != stem + "1") return false;
                              joined = join_months(months);
                              return true;
                            });
}
