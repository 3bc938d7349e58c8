// omni2nrt's record reader and converter: every line of the input is one
// OMNI2 hourly record, fed in turn as the program feeds a yearly file; then
// the four input files are made from what was taken.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "fit/omni_conversion.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velk::fit::OmniConverter converter(std::nullopt, std::nullopt);
  std::istringstream in(velk::fuzz::as_text(data, size));
  std::string error;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    if (!converter.add(line, "omni2_fuzz.dat:" + std::to_string(++number), error)) return 0;
  }
  velk::fit::NrtTexts texts;
  converter.finish(texts, error);
  return 0;
}
