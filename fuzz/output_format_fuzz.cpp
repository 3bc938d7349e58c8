// The run-time output format: its parser and its writer. The first line of
// the input is the format; each further byte adds one item to the output
// list, an integer, a real or a text as the byte's value modulo 3 says (the
// byte itself giving the value). Every refusal must be a FormatError.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "forecast/format/output_format.h"
#include "fuzz/fuzz_input.h"

namespace {

std::vector<velk::forecast::FormatItem> items_of(const std::string& bytes) {
  std::vector<velk::forecast::FormatItem> items;
  for (const char byte : bytes) {
    const int value = static_cast<signed char>(byte);
    switch (static_cast<unsigned char>(byte) % 3) {
      case 0:
        items.emplace_back(value * 1000003);
        break;
      case 1:
        items.emplace_back(value / 7.0);
        break;
      default:
        items.emplace_back(std::string(static_cast<std::size_t>(value & 0x0f), 'x'));
    }
  }
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = velk::fuzz::as_text(data, size);
  const std::size_t line_end = text.find('\n');
  const std::string format = text.substr(0, line_end);
  const std::string bytes = line_end == std::string::npos ? "" : text.substr(line_end + 1);
  try {
    velk::forecast::OutputFormat::parse(format).write(items_of(bytes));
  } catch (const velk::forecast::FormatError&) {
  }
  return 0;
}
