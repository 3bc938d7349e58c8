#include "prep/run/preprocessor_cycle.h"

#include <csignal>
#include <string>

#include "prep/acquire/ace_acquisition.h"
#include "prep/acquire/dst_acquisition.h"
#include "prep/acquire/kp_acquisition.h"
#include "prep/check/structure_analysis.h"
#include "prep/common/date_stamps.h"
#include "prep/common/file_helpers.h"
#include "prep/common/report.h"
#include "prep/config/build_variant.h"
#include "prep/run/file_name_dir.h"
#include "prep/run/hand_over.h"
#include "prep/run/input_paths.h"
#include "prep/run/order_file.h"

namespace {

std::string default_dst_name() {
  return "dst-rt-" + FileTimeForm() + ".asc";
}
std::string default_kp_name() {
  return "kp-rt-" + FileTimeForm() + ".asc";
}
std::string default_mag_name() {
  return "ace-mag-rt-" + FileTimeForm() + ".asc";
}
std::string default_swepam_name() {
  return "ace-swepam-rt-" + FileTimeForm() + ".asc";
}
std::string default_output_name() {
  return std::string(build_variant().forecast_prefix) + FileTimeForm();
}

int default_run() {
  FileName_Dir names;
  names.putName_ACEMAG(default_mag_name());
  names.putName_ACESWEPAM(default_swepam_name());
  names.putName_DST(default_dst_name());
  names.putName_KP(default_kp_name());
  names.putName_OUTPUT(default_output_name());

  RunOutcome outcome;
  outcome.add_source(DST_files_download(names.getFile_NameDST()), "FNDST", names.getFile_NameDST());
  outcome.add_source(KP_files_download(names.getFile_NameKP()), "FNKP", names.getFile_NameKP());
  outcome.add_source(ACEMAG_files_download(names.getFile_NameACEMAG()), "FNMAG",
                     names.getFile_NameACEMAG());
  outcome.add_source(ACESWEPAM_files_download(names.getFile_NameACESWEPAM()), "FNSWEPAM",
                     names.getFile_NameACESWEPAM());
  return finish_run(outcome, names.getFile_NameOutputfile(), kReportName) ? 0 : kReportUnwritten;
}

// An existing usable ACE file is taken as it is; otherwise the list is
// downloaded.
void ace_source(RunOutcome& outcome, const char* key, const std::string& dir_input,
                const std::string& name, const std::string& default_name,
                int (*download)(std::string)) {
  const std::string named_path = dir_input + name;
  if (FilesInXmlTest(named_path) == 0) {
    outcome.add_source(0, key, named_path);
    return;
  }
  const std::string path = ace_download_path(dir_input, name, default_name);
  outcome.add_source(download(path), key, path);
}

int order_file_run(const char* order_file) {
  TiXmlDocument document;
  if (!loadData(order_file, document)) {
    // Leave the operator a report that says why nothing was done.
    return write_report(kReportName) ? kOrderFileUnreadable : kReportUnwritten;
  }

  FileName_Dir names;
  names.visitNode(&document, 0, FileName_Dir(names));
  names.Dir_corect();
  names.Name_corect();
  const std::string input_dir = names.getFile_DirInput();
  const std::string output_dir = names.getFile_DirOutput();
  for (const std::string& path :
       {input_dir + names.getFile_NameDST(), input_dir + names.getFile_NameKP(),
        input_dir + names.getFile_NameACEMAG(), input_dir + names.getFile_NameACESWEPAM(),
        output_dir + kReportName}) {
    remove_stale_temporaries_beside(path);
  }

  // Default names are composed only when needed, each with its own stamp.
  RunOutcome outcome;
  const std::string dst_name = names.getFile_NameDST();
  const std::string dst_path = index_input_path(
      input_dir, dst_name, input_dir.empty() || dst_name.empty() ? default_dst_name() : "");
  outcome.add_source(DST_files_download(dst_path), "FNDST", dst_path);

  const std::string kp_name = names.getFile_NameKP();
  const std::string kp_path = index_input_path(
      input_dir, kp_name, input_dir.empty() || kp_name.empty() ? default_kp_name() : "");
  outcome.add_source(KP_files_download(kp_path), "FNKP", kp_path);

  const std::string mag_name = names.getFile_NameACEMAG();
  ace_source(outcome, "FNMAG", input_dir, mag_name, mag_name.empty() ? default_mag_name() : "",
             ACEMAG_files_download);
  const std::string swepam_name = names.getFile_NameACESWEPAM();
  ace_source(outcome, "FNSWEPAM", input_dir, swepam_name,
             swepam_name.empty() ? default_swepam_name() : "", ACESWEPAM_files_download);

  const std::string output_name = names.getFile_NameOutputfile();
  const std::string forecast_base =
      forecast_base_path(output_dir, output_name, output_name.empty() ? default_output_name() : "");
  return finish_run(outcome, forecast_base, output_dir + kReportName) ? 0 : kReportUnwritten;
}

// What a run that died part-way (killed, power cut) left in the working
// directory: its working files and the atomic writer's temporary files.
void remove_leftovers() {
  remove_stale_temporaries_beside(kReportName);
  // Quietly: the report is not started yet, and a working file that stays is
  // recorded when its month is fetched.
  for (const MonthPairNames& names :
       {kDstMonths, kKpMonths, ace_month_names(kAceMag), ace_month_names(kAceSwepam)}) {
    remove_file(names.present_file);
    remove_file(names.last_file);
  }
}

}  // namespace

int run_preprocessor_cycle(int argc, char** argv) {
  // Past a file-size limit the signal would end the process in the middle of
  // a write; ignored, the write fails and is reported like a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  remove_leftovers();
  report_start();
  if (argc != 2) {
    report_record("OrderFileInDir", "InputFile", 1);
    return default_run();
  }
  report_record("OrderFileInDir", "InputFile", 0);
  if (!file_opens_for_reading(argv[1])) {
    report_record("OrderFileExist", "InputFileExist", 1);
    return default_run();
  }
  report_record("OrderFileExist", "InputFileExist", 0);
  return order_file_run(argv[1]);
}
