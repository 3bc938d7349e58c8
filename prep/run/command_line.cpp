#include "prep/run/command_line.h"

#include <sstream>
#include <string>

#include "common/program_info.h"
#include "prep/acquire/upstream_urls.h"
#include "prep/config/build_variant.h"

namespace velk::prep {

namespace {

std::string program_name() {
  return std::string("nrtprep-") + build_variant().name;
}

// The usage text, with this build's variant and upstream sources.
std::string usage() {
  const BuildVariant& variant = build_variant();
  std::ostringstream out;
  out << "Usage: " << program_name() << " [ORDER_FILE]\n"
      << "Prepare one forecasting cycle of the " << variant.name << " variant ("
      << variant.lead_hours << " hours ahead, " << variant.models
      << (variant.models == 1 ? " model" : " models") << "): fetch the\n"
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
  return out.str();
}

}  // namespace

std::optional<int> read_command_line(int argc, char** argv, std::ostream& out, std::ostream& err) {
  return read_optionless_command_line(argc, argv, program_name(), usage(), out, err);
}

}  // namespace velk::prep
