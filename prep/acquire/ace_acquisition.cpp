#include "acquire/ace_acquisition.h"

#include "acquire/date_stamps.h"
#include "acquire/file_helpers.h"
#include "acquire/month_fetch.h"
#include "acquire/upstream_hosts.h"
#include "check/structure_analysis.h"

const AceList kAceMag = {
    "_ace_mag_1h.txt",
    "MAG_present.txt",
    "MAG_last.txt",
    "AceMagFileDownload",
    "AceMagFile2Download",
    "AceMagFilePreviousMonthOnly",
    "MAG",
    "#                 Modified Seconds\n"
    "# UT Date   Time  Julian   of the   ----------------  GSM Coordinates ---------------\n"
    "# YR MO DA  HHMM    Day      Day    S     Bx      By      Bz      Bt     Lat.   Long.\n"
    "#------------------------------------------------------------------------------------\n",
};

const AceList kAceSwepam = {
    "_ace_swepam_1h.txt",
    "SWEPAM_present.txt",
    "SWEPAM_last.txt",
    "AceSwepamFileDownload",
    "AceSwepamFile2Download",
    "AceSwepamFilePreviousMonthOnly",
    "SWEPAM",
    "#                Modified Seconds   -------------  Solar Wind  -----------\n"
    "# UT Date   Time  Julian  of the          Proton      Bulk         Ion\n"
    "# YR MO DA  HHMM    Day     Day     S    Density     Speed     Temperature\n"
    "#-------------------------------------------------------------------------\n",
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
  return ace_acquisition(list, path, ace_month_url(host, present_data(), list),
                         ace_month_url(host, last_data(), list));
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
  const MonthPairNames names = ace_month_names(list);
  const MonthPair months = fetch_month_pair(names, present_url, last_url);
  int failures = months.unreadable;
  if (failures == 0) {
    const std::string stem = list.label_stem;
    if (months.last_label == stem + "2" && months.present_header_only) {
      failures = FileStructureAnalysis3(months.last_text);
      if (!file_wright_reported(list.column_header + months.last_text, path)) ++failures;
    } else if (months.last_label == stem + "2" && months.present_label == stem + "1") {
      std::string joined = months.last_text;
      joined.pop_back();  // the repeat file_read appended; the seam keeps one line end
      joined += months.present_text;
      failures = FileStructureAnalysis3(joined);
      if (!file_wright_reported(list.column_header + joined, path)) ++failures;
    } else {
      // Months other than the current and the previous one: nothing is written,
      // so the source must not count as obtained.
      failures = 1;
    }
  }

  remove_working_files(names);
  return failures;
}
