#include "prep/acquire/ace_acquisition.h"

#include "inputs/layouts.h"

#include "prep/acquire/month_fetch.h"
#include "prep/acquire/month_url.h"
#include "prep/acquire/upstream_urls.h"
#include "prep/common/date_stamps.h"

const AceList kAceMag = {
    ace_mag_url_pattern,
    "MAG_present.txt",
    "MAG_last.txt",
    "AceMagFileDownload",
    "AceMagFile2Download",
    "AceMagFilePreviousMonthOnly",
    "MAG",
    input_layout::kMagHeader,
};

const AceList kAceSwepam = {
    ace_swepam_url_pattern,
    "SWEPAM_present.txt",
    "SWEPAM_last.txt",
    "AceSwepamFileDownload",
    "AceSwepamFile2Download",
    "AceSwepamFilePreviousMonthOnly",
    "SWEPAM",
    input_layout::kSwepamHeader,
};

MonthPairNames ace_month_names(const AceList& list) {
  return {list.present_step, list.last_step, list.present_file,
          list.last_file,    true,           list.header_only_step};
}

namespace {

// How long into a month its lists may still hold no record. They are opened
// at the turn of the month and gain a record every hour; one still empty
// later than this is a fault upstream, and the source fails.
constexpr int kNewListGraceHours = 6;

bool new_list_may_be_empty(const std::tm& now) {
  return now.tm_mday == 1 && now.tm_hour < kNewListGraceHours;
}

int ace_files_download(const AceList& list, const std::string& path) {
  const std::tm now = utc_now();
  const MonthUrls urls = month_urls(list.url_pattern(), list.url_pattern(), now);
  return ace_acquisition(list, path, urls.present, urls.last, new_list_may_be_empty(now));
}

}  // namespace

int ACEMAG_files_download(std::string path) {
  return ace_files_download(kAceMag, path);
}

int ACESWEPAM_files_download(std::string path) {
  return ace_files_download(kAceSwepam, path);
}

int ace_acquisition(const AceList& list, const std::string& path, const std::string& present_url,
                    const std::string& last_url, bool present_may_be_empty) {
  const std::string stem = list.label_stem;
  MonthPairNames names = ace_month_names(list);
  // Outside the grace hours an empty list is analysed like any other text,
  // and fails.
  if (!present_may_be_empty) names.header_only_step = nullptr;
  return acquire_two_months(names, path, present_url, last_url, list.column_header,
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
