// The forecaster's configuration: the namelist group, the checks of its
// values and the sizes derived from them. Every refusal must be a RunEnd.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "forecast/configuration.h"
#include "forecast/run_end.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(velk::fuzz::as_text(data, size));
  try {
    const velk::Configuration config = velk::read_configuration(in, velk::kConfigurationFile);
    velk::validate_configuration(config);
    velk::model_count(config);
    velk::table_rows(config.LT, 1);
  } catch (const velk::RunEnd&) {
  }
  return 0;
}
