#include "prep/run/order_file.h"

#include <string>

#include "common/whole_file.h"
#include "common/xml_text.h"
#include "prep/run/xml_nesting.h"

namespace velk::prep {

bool load_order_file(const char* path, TiXmlDocument& document, Report& report) {
  std::string file_text;
  std::string cause;
  if (!read_whole_file(path, kMaxTextBytes, file_text)) {
    cause = "unreadable or larger than the 16 MiB limit";
  } else if (xml_nesting_depth(file_text) > kMaxOrderFileDepth) {
    cause = "nested deeper than " + std::to_string(kMaxOrderFileDepth) + " levels";
  } else {
    // The text the parser would read, so that what is checked is what is parsed.
    const std::string text = text_as_parsed(file_text);
    if (ends_inside_character(text)) {
      cause = "ends inside a character";
      report.record("OrderFileCharacters", "OrderFileEndsInsideCharacter", 1, cause);
    } else if (!parse_xml_text(text, document)) {
      cause = "not well-formed XML";
    }
  }
  const bool parsed = cause.empty();
  report.record("OrderFileReading", "OderFileRead", parsed ? 0 : 1, cause);
  return parsed;
}

}  // namespace velk::prep
