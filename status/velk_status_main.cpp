// velk_status: writes status.json and index.html for the cycle that the cycle
// script just ran, in the current directory, and prints its log line.
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include "forecast/version.h"
#include "status/cycle_status.h"

namespace {

const char* const kUsage =
    "Usage: velk_status --time UTC --variant V --outcome NAME --exit N [--order-file]\n"
    "                   [--message TEXT] [--report FILE] [--table FILE --metadata FILE]\n"
    "                   [--picture FILE]\n"
    "Writes status.json and index.html in the current directory (each replaced\n"
    "atomically), then prints the cycle's log line. Exit status 0; 1 when a file\n"
    "could not be written (no log line); 64 on bad usage.\n"
    "velk_status --help or --version (alone) prints this text or the version.\n";

const std::set<std::string> kValueOptions = {"--time",  "--variant",  "--outcome",
                                             "--exit",  "--message",  "--report",
                                             "--table", "--metadata", "--picture"};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && velk::answer_help_or_version(argv[1], "velk_status", kUsage, std::cout)) {
    return 0;
  }
  std::map<std::string, std::string> values;
  bool order_file_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--order-file") {
      order_file_given = true;
    } else if (kValueOptions.count(option) != 0 && i + 1 < argc) {
      values[option.substr(2)] = argv[++i];
    } else {
      std::cerr << "velk_status: bad argument '" << option << "'\n" << kUsage;
      return 64;
    }
  }
  for (const char* required : {"time", "variant", "outcome", "exit"}) {
    if (values.count(required) == 0) {
      std::cerr << "velk_status: --" << required << " is missing\n" << kUsage;
      return 64;
    }
  }
  velk_status::CycleRun run;
  run.time = values["time"];
  run.variant = values["variant"];
  run.outcome = values["outcome"];
  char* end = nullptr;
  const long exit_status = std::strtol(values["exit"].c_str(), &end, 10);
  if (values["exit"].empty() || *end != '\0' || exit_status < 0 || exit_status > 255) {
    std::cerr << "velk_status: --exit needs an exit status 0..255, not '" << values["exit"] << "'\n"
              << kUsage;
    return 64;
  }
  run.exit_status = static_cast<int>(exit_status);
  run.order_file_given = order_file_given;
  run.message = values["message"];
  run.report = values["report"];
  run.table = values["table"];
  run.metadata = values["metadata"];
  run.picture = values["picture"];
  const auto status = velk_status::cycle_status(run);
  try {
    velk_status::replace_file("status.json", status.dump(1) + "\n");
    velk_status::replace_file("index.html", velk_status::status_page(status));
  } catch (const std::exception& e) {
    std::cerr << "velk_status: " << e.what() << "\n";
    return 1;
  }
  // Printed last: the line stands for a status that was written.
  std::cout << velk_status::log_line(status) << std::endl;
  return 0;
}
