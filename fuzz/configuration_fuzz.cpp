// The forecaster's configuration: the namelist group, the checks of its
// values and the sizes derived from them. Every refusal must be a RunEnd.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "forecast/format/run_end.h"
#include "forecast/run/configuration.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(velk::fuzz::as_text(data, size));
  try {
    const velk::forecast::Configuration config =
        velk::forecast::read_configuration(in, velk::forecast::kConfigurationFile);
    velk::forecast::validate_configuration(config);
    velk::forecast::model_count(config);
    velk::forecast::table_rows(config.LT, 1);
  } catch (const velk::forecast::RunEnd&) {
  }
  return 0;
}
