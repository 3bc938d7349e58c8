// omni2nrt: converts OMNI2 hourly yearly files into the forecaster's four
// input files (ACE MAG, ACE SWEPAM, Kp/ap, Dst).
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "common/program_info.h"
#include "fit/omni_conversion.h"
#include "forecast/format/run_end.h"
#include "forecast/run/output_file.h"

namespace {

const char kProgram[] = "omni2nrt";
const char kUsage[] =
    "Usage: omni2nrt [--from YYYY-MM-DD] [--to YYYY-MM-DD] PREFIX OMNI_FILE...\n"
    "Convert consecutive OMNI2 hourly records (omni2_YYYY.dat; '-' reads standard input)\n"
    "into the forecaster's input files PREFIXmag.asc, PREFIXswepam.asc, PREFIXkp.asc and\n"
    "PREFIXdst.asc, keeping the whole days from --from to --to (default: all).\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "Exit status: 0 written, 1 unusable input or output, 64 wrong arguments.\n";

bool parse_date(const std::string& text, velk::CivilDate& date) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return false;
  velk::CivilDate probe;
  for (int doy = 1; velk::date_from_day_of_year(y, doy, probe); ++doy) {
    if (probe.month == m && probe.day == d) {
      date = probe;
      return true;
    }
  }
  return false;
}

bool feed(std::istream& in, const std::string& name, velk::fit::OmniConverter& converter) {
  std::string line, error;
  for (long n = 1; std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!converter.add(line, name + ":" + std::to_string(n), error)) {
      std::cerr << "omni2nrt: " << error << "\n";
      return false;
    }
  }
  if (in.bad()) {
    std::cerr << "omni2nrt: " << name << ": read error\n";
    return false;
  }
  return true;
}

// Whole or not at all: a cut input file would read as a shorter history.
bool write_file(const std::string& path, const std::string& text) {
  try {
    velk::forecast::write_whole_file(path, text, "the output file");
  } catch (const velk::forecast::RunEnd&) {
    std::cerr << "omni2nrt: cannot write " << path << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // A write past a file-size limit then fails like one on a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  if (const auto status =
          velk::answer_information_request(argc, argv, kProgram, kUsage, std::cout)) {
    return *status;
  }
  std::optional<velk::CivilDate> first, last;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--from" || arg == "--to") {
      velk::CivilDate date;
      if (i + 1 >= argc || !parse_date(argv[i + 1], date)) {
        return velk::usage_error(kProgram, arg + " needs a date YYYY-MM-DD", kUsage, std::cerr);
      }
      (arg == "--from" ? first : last) = date;
      ++i;
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      return velk::usage_error(kProgram, "unknown option " + arg, kUsage, std::cerr);
    }
    operands.push_back(arg);
  }
  if (operands.size() < 2) {
    return velk::usage_error(kProgram, "name a PREFIX and at least one OMNI_FILE", kUsage,
                             std::cerr);
  }

  velk::fit::OmniConverter converter(first, last);
  for (std::size_t i = 1; i < operands.size(); ++i) {
    const std::string& name = operands[i];
    if (name == "-") {
      if (!feed(std::cin, "(standard input)", converter)) return 1;
      continue;
    }
    std::ifstream in(name);
    if (!in) {
      std::cerr << "omni2nrt: cannot open " << name << "\n";
      return 1;
    }
    if (!feed(in, name, converter)) return 1;
  }
  velk::fit::NrtTexts texts;
  std::string error;
  if (!converter.finish(texts, error)) {
    std::cerr << "omni2nrt: " << error << "\n";
    return 1;
  }
  const std::string& prefix = operands[0];
  const bool ok = write_file(prefix + "mag.asc", texts.mag) &&
                  write_file(prefix + "swepam.asc", texts.swepam) &&
                  write_file(prefix + "kp.asc", texts.kp) &&
                  write_file(prefix + "dst.asc", texts.dst);
  return ok ? 0 : 1;
}
