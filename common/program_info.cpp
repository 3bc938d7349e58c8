#include "common/program_info.h"

#include <string>

namespace velk {

const char* version() {
  return NRT_PIPELINE_VERSION;
}

std::optional<int> answer_information_request(int argc, const char* const* argv,
                                              std::string_view program, std::string_view usage,
                                              std::ostream& out) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    out << usage;
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    out << program << " " << version() << "\n";
    return 0;
  }
  return std::nullopt;
}

std::optional<int> read_optionless_command_line(int argc, const char* const* argv,
                                                std::string_view program, std::string_view usage,
                                                std::ostream& out, std::ostream& err) {
  if (const auto status = answer_information_request(argc, argv, program, usage, out)) {
    return status;
  }
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!argument.empty() && argument[0] == '-' && argument != "--help" &&
        argument != "--version") {
      return usage_error(program, "unknown option " + std::string(argv[i]), usage, err);
    }
  }
  return std::nullopt;
}

int usage_error(std::string_view program, std::string_view problem, std::string_view usage,
                std::ostream& err) {
  err << program << ": " << problem << "\n" << usage;
  return kExitUsage;
}

}  // namespace velk
