#include "prep/run/input_paths.h"

namespace velk::prep {

std::string index_input_path(const std::string& dir_input, const std::string& name,
                             const std::string& default_name) {
  return !dir_input.empty() && !name.empty() ? dir_input + name : default_name;
}

std::string ace_download_path(const std::string& dir_input, const std::string& name,
                              const std::string& default_name) {
  return name.empty() ? default_name : dir_input + name;
}

std::string forecast_base_path(const std::string& dir_output, const std::string& name,
                               const std::string& default_name) {
  return name.empty() ? default_name : dir_output + name;
}

}  // namespace velk::prep
