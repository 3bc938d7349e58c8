#include "prep/run/preprocessor_cycle.h"

#include <csignal>
#include <string>

#include "prep/acquire/ace_acquisition.h"
#include "prep/acquire/dst_acquisition.h"
#include "prep/acquire/kp_acquisition.h"
#include "prep/acquire/source_names.h"
#include "prep/check/input_file_check.h"
#include "prep/common/date_stamps.h"
#include "prep/common/file_helpers.h"
#include "prep/common/report.h"
#include "prep/config/build_variant.h"
#include "prep/run/hand_over.h"
#include "prep/run/input_paths.h"
#include "prep/run/order_file.h"
#include "prep/run/order_file_names.h"

namespace velk::prep {

namespace {

// Each default name carries the stamp of the moment it is made.
std::string time_stamp() {
  return file_time_stamp(utc_now());
}
std::string default_dst_name() {
  return "dst-rt-" + time_stamp() + ".asc";
}
std::string default_kp_name() {
  return "kp-rt-" + time_stamp() + ".asc";
}
std::string default_mag_name() {
  return "ace-mag-rt-" + time_stamp() + ".asc";
}
std::string default_swepam_name() {
  return "ace-swepam-rt-" + time_stamp() + ".asc";
}
std::string default_output_name() {
  return std::string(build_variant().forecast_prefix) + time_stamp();
}

int default_run(Report& report) {
  const std::string mag = default_mag_name();
  const std::string swepam = default_swepam_name();
  const std::string dst = default_dst_name();
  const std::string kp = default_kp_name();
  const std::string forecast = default_output_name();

  RunOutcome outcome;
  outcome.add_source(acquire_dst(dst, report), "FNDST", dst);
  outcome.add_source(acquire_kp(kp, report), "FNKP", kp);
  outcome.add_source(acquire_ace(kAceMag, mag, report), "FNMAG", mag);
  outcome.add_source(acquire_ace(kAceSwepam, swepam, report), "FNSWEPAM", swepam);
  return finish_run(outcome, forecast, kReportName, report) ? 0 : kReportUnwritten;
}

// An existing usable ACE file is taken as it is; otherwise the list is
// downloaded.
void ace_source(RunOutcome& outcome, const char* key, const std::string& dir_input,
                const std::string& name, const std::string& default_name, const AceList& list,
                Report& report) {
  const std::string named_path = dir_input + name;
  if (check_ace_input_file(named_path, report) == 0) {
    outcome.add_source(0, key, named_path);
    return;
  }
  const std::string path = ace_download_path(dir_input, name, default_name);
  outcome.add_source(acquire_ace(list, path, report), key, path);
}

int order_file_run(const char* order_file, Report& report) {
  TiXmlDocument document;
  if (!load_order_file(order_file, document, report)) {
    // Leave the operator a report that says why nothing was done.
    return write_report(kReportName, report) ? kOrderFileUnreadable : kReportUnwritten;
  }

  const OrderFileNames names = order_file_names(document);
  const std::string& input_dir = names.input_dir;
  const std::string& output_dir = names.output_dir;
  for (const std::string& path :
       {input_dir + names.dst, input_dir + names.kp, input_dir + names.ace_mag,
        input_dir + names.ace_swepam, output_dir + kReportName}) {
    remove_stale_temporaries_beside(path);
  }

  // Default names are composed only when needed, each with its own stamp.
  RunOutcome outcome;
  const std::string dst_path = index_input_path(
      input_dir, names.dst, input_dir.empty() || names.dst.empty() ? default_dst_name() : "");
  outcome.add_source(acquire_dst(dst_path, report), "FNDST", dst_path);

  const std::string kp_path = index_input_path(
      input_dir, names.kp, input_dir.empty() || names.kp.empty() ? default_kp_name() : "");
  outcome.add_source(acquire_kp(kp_path, report), "FNKP", kp_path);

  ace_source(outcome, "FNMAG", input_dir, names.ace_mag,
             names.ace_mag.empty() ? default_mag_name() : "", kAceMag, report);
  ace_source(outcome, "FNSWEPAM", input_dir, names.ace_swepam,
             names.ace_swepam.empty() ? default_swepam_name() : "", kAceSwepam, report);

  const std::string forecast_base = forecast_base_path(
      output_dir, names.forecast, names.forecast.empty() ? default_output_name() : "");
  return finish_run(outcome, forecast_base, output_dir + kReportName, report) ? 0
                                                                              : kReportUnwritten;
}

// What a run that died part-way (killed, power cut) left in the working
// directory: its working files and the atomic writer's temporary files.
void remove_leftovers() {
  remove_stale_temporaries_beside(kReportName);
  // Quietly: the run's report does not exist yet, and a working file that stays is
  // recorded when its month is fetched.
  for (const Source source : kAllSources) {
    remove_file(working_file_name({source, Month::current}));
    remove_file(working_file_name({source, Month::previous}));
  }
}

}  // namespace

int run_preprocessor_cycle(int argc, char** argv) {
  // Past a file-size limit the signal would end the process in the middle of
  // a write; ignored, the write fails and is reported like a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  remove_leftovers();
  Report report;
  if (argc != 2) {
    report.record("OrderFileInDir", "InputFile", 1);
    return default_run(report);
  }
  report.record("OrderFileInDir", "InputFile", 0);
  if (!file_opens_for_reading(argv[1])) {
    report.record("OrderFileExist", "InputFileExist", 1);
    return default_run(report);
  }
  report.record("OrderFileExist", "InputFileExist", 0);
  return order_file_run(argv[1], report);
}

}  // namespace velk::prep
