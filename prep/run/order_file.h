// Reading the XML order file.
#pragma once

#include <tinyxml.h>

#include <cstddef>

#include "prep/common/report.h"

namespace velk::prep {

// Order files nest three or four levels. The parser and the walk over the
// document recurse once per level, so far deeper documents would exhaust the
// stack; they are refused as unreadable.
constexpr std::size_t kMaxOrderFileDepth = 100;

// Parses the order file at `path` into `document` and appends the
// "OrderFileReading" record to `report`. Returns false when the file could not be parsed,
// is larger than kMaxTextBytes, nests deeper than kMaxOrderFileDepth or ends
// inside a character (xml_text.h; the record "OrderFileCharacters" before it
// then says so); the caller then ends the run with status 1.
bool load_order_file(const char* path, TiXmlDocument& document, Report& report);

}  // namespace velk::prep
