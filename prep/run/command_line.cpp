#include "prep/run/command_line.h"

#include <string>

#include "prep/acquire/upstream_urls.h"
#include "prep/config/build_variant.h"

const char kPreprocessorVersion[] = NRT_PIPELINE_VERSION;  // the project version, set by the build

namespace {

void write_usage(std::ostream& out) {
  const BuildVariant& variant = build_variant();
  const std::string program = std::string("nrtprep-") + variant.name;
  out << "Usage: " << program << " [ORDER_FILE]\n"
      << "Prepare one forecasting cycle of the " << variant.name << " variant (" << variant.lt
      << " hours ahead, " << variant.models << (variant.models == 1 ? " model" : " models")
      << "): fetch the\n"
      << "current and the previous month of ACE MAG, ACE SWEPAM, Dst and Kp, join each source "
         "into\n"
      << "a near-real-time input file and record every step in errorfile.xml. When all four were\n"
      << "obtained, write velk_nrt.cfg in the current directory for velk_nrt to run.\n"
      << "ORDER_FILE is an XML order file naming the input and output files and directories (a\n"
      << "name starting with '-' is taken for an option). Without it, or with more than one\n"
      << "argument, the files go to the current directory under names stamped with the UTC\n"
      << "time, e.g. " << variant.forecast_prefix << "YYYY_DDD_HH_MM.asc for the forecast.\n"
      << "A cycle prints nothing: the outcome is errorfile.xml and whether velk_nrt.cfg is new.\n"
      << "\n"
      << "  --help     show this help and exit\n"
      << "  --version  show the version and exit\n"
      << "\n"
      << "Upstream sources of this build ({YYYYMM}, {YYMM}: the month fetched):\n"
      << "  Dst          " << dst_url_pattern() << "\n"
      << "  Kp           " << kp_url_pattern() << "\n"
      << "  Kp previous  " << kp_previous_url_pattern() << "\n"
      << "  ACE MAG      " << ace_mag_url_pattern() << "\n"
      << "  ACE SWEPAM   " << ace_swepam_url_pattern() << "\n"
      << "Exit status: 0 after every cycle, also when a source failed (see errorfile.xml);\n"
      << "1 when ORDER_FILE exists but is not well-formed XML; 3 when errorfile.xml could not\n"
      << "be written anywhere; 64 on an unknown option (nothing is done). Only these two print\n"
      << "something, on standard error.\n";
}

}  // namespace

bool reject_unknown_option(int argc, char** argv, std::ostream& err) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.empty() || argument[0] != '-' || argument == "--help" || argument == "--version") {
      continue;
    }
    err << "nrtprep-" << build_variant().name << ": unknown option " << argument << "\n";
    write_usage(err);
    return true;
  }
  return false;
}

bool answer_information_request(int argc, char** argv, std::ostream& out) {
  if (argc != 2) return false;
  const std::string option = argv[1];
  if (option == "--help") {
    write_usage(out);
    return true;
  }
  if (option == "--version") {
    out << "nrtprep-" << build_variant().name << " " << kPreprocessorVersion << "\n";
    return true;
  }
  return false;
}
