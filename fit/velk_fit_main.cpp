// velk_fit: fits one lead step's model and covariance files from recorded
// history, with the forecaster's own table reader and term evaluation.
#include <cstdlib>
#include <iostream>
#include <string>

#include "common/program_info.h"
#include "fit/fit_run.h"

namespace {

const char kUsage[] =
    "Usage: velk_fit --step I --terms FILE [--max-terms N] [--gaps FILE] [--res FILE] [--cov "
    "FILE]\n"
    "                CONFIG...\n"
    "Fit the model of lead step I from the history named by each CONFIG (velk_nrt.cfg form;\n"
    "its four input files point at the history; several CONFIGs stack their rows).\n"
    "  --terms FILE     candidate terms, one per line (see fit/README.md)\n"
    "  --max-terms N    choose at most N terms by error reduction ratio (default: all)\n"
    "  --gaps FILE      fit on the table this gap file makes (screened and carried values)\n"
    "  --res, --cov     output files (default: FNRES(I) and FNCOV(I) of the first CONFIG)\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "Exit status: 0 written, 1 the fit could not be made, 64 wrong arguments.\n";

bool parse_positive(const char* text, int& value) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 1 || v > 100000) return false;
  value = static_cast<int>(v);
  return true;
}

int usage_error(const std::string& problem) {
  return velk::usage_error("velk_fit", problem, kUsage, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status =
          velk::answer_information_request(argc, argv, "velk_fit", kUsage, std::cout)) {
    return *status;
  }
  velk::fit::FitRequest request;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takes_value = arg == "--step" || arg == "--terms" || arg == "--max-terms" ||
                             arg == "--res" || arg == "--cov" || arg == "--gaps";
    if (takes_value) {
      if (i + 1 >= argc) return usage_error(arg + " needs a value");
      const char* value = argv[++i];
      if (arg == "--step" && !parse_positive(value, request.step))
        return usage_error("--step needs a positive number");
      if (arg == "--max-terms" && !parse_positive(value, request.max_terms))
        return usage_error("--max-terms needs a positive number");
      if (arg == "--terms") request.term_file = value;
      if (arg == "--res") request.model_path = value;
      if (arg == "--cov") request.covariance_path = value;
      if (arg == "--gaps") request.gap_file = value;
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') return usage_error("unknown option " + arg);
    request.configurations.push_back(arg);
  }
  if (request.step == 0) return usage_error("--step is required");
  if (request.term_file.empty()) return usage_error("--terms is required");
  if (request.configurations.empty()) return usage_error("name at least one configuration");
  return velk::fit::run_fit(request, std::cout, std::cerr);
}
