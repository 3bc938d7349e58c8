#include "prep/run/order_file.h"

#include <string>

#include "common/whole_file.h"
#include "common/xml_text.h"
#include "prep/run/xml_nesting.h"

namespace velk::prep {

bool load_order_file(const char* path, TiXmlDocument& document, Report& report) {
  std::string file_text;
  bool parsed = false;
  if (read_whole_file(path, kMaxTextBytes, file_text) &&
      xml_nesting_depth(file_text) <= kMaxOrderFileDepth) {
    // The text the parser would read, so that what is checked is what is parsed.
    const std::string text = text_as_parsed(file_text);
    if (ends_inside_character(text)) {
      report.record("OrderFileCharacters", "OrderFileEndsInsideCharacter", 1);
    } else {
      parsed = parse_xml_text(text, document);
    }
  }
  report.record("OrderFileReading", "OderFileRead", parsed ? 0 : 1);
  return parsed;
}

}  // namespace velk::prep
