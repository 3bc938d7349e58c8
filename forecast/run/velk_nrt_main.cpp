// velk_nrt: works in the current directory and takes no arguments. Only a
// sole "--help" or "--version" is answered; any other arguments are ignored,
// as they always were.
#include <iostream>

#include "forecast/run/velk_run.h"
#include "forecast/version.h"

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
    "with a message on standard error naming it and exit status 2.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && velk::answer_help_or_version(argv[1], "velk_nrt", kUsage, std::cout)) return 0;
  return velk::forecast::run_velk_nrt(std::cout, std::cerr);
}
