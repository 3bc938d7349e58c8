// A stop of the run whose message line is laid out by a format, so that a
// number too wide for its field gets asterisks as in every other output.
#pragma once

#include <vector>

#include "forecast/format/output_format.h"
#include "forecast/format/run_end.h"

namespace velk::forecast {

// `format` must start with 1X so that the line begins with one blank.
RunEnd formatted_message(const char* format, const std::vector<FormatItem>& items);

}  // namespace velk::forecast
