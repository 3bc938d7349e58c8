#include "prep/run/order_file.h"

#include <string>

#include "common/whole_file.h"
#include "common/xml_text.h"
#include "prep/common/report.h"
#include "prep/run/xml_nesting.h"

bool loadData(const char* path, TiXmlDocument& document) {
  std::string file_text;
  bool parsed = false;
  if (velk::read_whole_file(path, velk::kMaxTextBytes, file_text) &&
      xml_nesting_depth(file_text) <= kMaxOrderFileDepth) {
    // The text the parser would read, so that what is checked is what is parsed.
    const std::string text = velk::text_as_parsed(file_text);
    if (velk::ends_inside_character(text)) {
      report_record("OrderFileCharacters", "OrderFileEndsInsideCharacter", 1);
    } else {
      parsed = velk::parse_xml_text(text, document);
    }
  }
  report_record("OrderFileReading", "OderFileRead", parsed ? 0 : 1);
  return parsed;
}
