#include "prep/run/order_file.h"

#include <string>

#include "prep/common/file_helpers.h"
#include "prep/common/report.h"
#include "prep/run/xml_nesting.h"

bool loadData(const char* path, TiXmlDocument& document) {
  std::string text;
  const bool shallow =
      read_whole_file(path, kMaxTextBytes, text) && xml_nesting_depth(text) <= kMaxOrderFileDepth;
  const bool parsed = shallow && document.LoadFile(path, TIXML_ENCODING_UNKNOWN);
  report_record("OrderFileReading", "OderFileRead", parsed ? 0 : 1);
  return parsed;
}
