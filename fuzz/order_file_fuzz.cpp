// The order file: its loading (size and depth checks, the XML parser) and the
// walk that takes the file names and directories from it, as a cycle does.
#include <tinyxml.h>

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "prep/common/report.h"
#include "prep/run/order_file.h"
#include "prep/run/order_file_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path =
      velk::fuzz::scratch().write("order.xml", velk::fuzz::as_text(data, size));
  velk::prep::Report report;
  TiXmlDocument document;
  if (velk::prep::load_order_file(path.c_str(), document, report)) {
    velk::prep::order_file_names(document);
  }
  return 0;
}
