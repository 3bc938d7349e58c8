#include "forecast/version.h"

namespace velk {

const char* version() {
  return NRT_PIPELINE_VERSION;  // the project version, set by the build
}

bool answer_help_or_version(std::string_view arg, const char* program, const char* usage,
                            std::ostream& out) {
  if (arg == "--help") {
    out << usage;
    return true;
  }
  if (arg == "--version") {
    out << program << " " << version() << "\n";
    return true;
  }
  return false;
}

}  // namespace velk
