#include "run/order_file.h"

#include "run/error_report.h"

bool loadData(const char* path, TiXmlDocument& document) {
  const bool parsed = document.LoadFile(path, TIXML_ENCODING_UNKNOWN);
  report_record("OrderFileReading", "OderFileRead", parsed ? 0 : 1);
  return parsed;
}
