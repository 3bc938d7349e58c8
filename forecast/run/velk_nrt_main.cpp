// velk_nrt: works in the current directory and takes no arguments. A sole
// "--help" or "--version" is answered, and an argument that looks like an
// option is refused, as in every program of the pipeline; other arguments are
// ignored, as they always were.
#include <iostream>

#include "common/program_info.h"
#include "forecast/run/velk_run.h"

namespace {

const char kUsage[] =
    "Usage: velk_nrt\n"
    "Forecast one geomagnetic index as configured by velk_nrt.cfg in the current directory\n"
    "(written by nrtprep-ap, nrtprep-dst or nrtprep-kp): read the four input files it names\n"
    "into an hourly table, evaluate the model of each lead step, score it against the\n"
    "observations and against persistence, and write the forecast table FNDAT and the\n"
    "metadata file FNMET.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Problems with the configuration or the data are reported as one upper-case line on\n"
    "standard output, with exit status 0. A file that cannot be opened or read ends the run\n"
    "with a message on standard error naming it and exit status 2. An unknown option exits\n"
    "64 and does nothing.\n";

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = velk::read_optionless_command_line(argc, argv, "velk_nrt", kUsage,
                                                             std::cout, std::cerr)) {
    return *status;
  }
  return velk::forecast::run_velk_nrt(std::cout, std::cerr);
}
