// Fixed-column numeric fields. The first three bytes choose the column, the
// width and the implied decimals (signed, so that nonsense arguments are
// tried too); the rest is the line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "forecast/text/fixed_field.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int first_col = static_cast<std::int8_t>(data[0]);
  const int width = static_cast<std::int8_t>(data[1]);
  const int decimals = static_cast<std::int8_t>(data[2]);
  const std::string line = velk::fuzz::as_text(data + 3, size - 3);

  int integer = 0;
  if (velk::forecast::read_int_field(line, first_col, width, integer) ==
      velk::forecast::FieldStatus::kOk) {
    velk::forecast::write_int_field(integer, width);
  }
  double real = 0.0;
  velk::forecast::read_real_field(line, first_col, width, decimals, real);
  return 0;
}
