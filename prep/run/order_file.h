// Reading the XML order file.
#pragma once

#include <tinyxml.h>

// Parses the order file at `path` into `document` and appends the
// "OrderFileReading" record. Returns false when the file could not be parsed;
// the caller then ends the run with status 1.
bool loadData(const char* path, TiXmlDocument& document);
