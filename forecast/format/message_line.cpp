#include "forecast/format/message_line.h"

namespace velk::forecast {

RunEnd formatted_message(const char* format, const std::vector<FormatItem>& items) {
  std::string text = OutputFormat::parse(format).write(items);
  if (text.empty() || text.back() != '\n') text += '\n';
  return RunEnd::lines(text);
}

}  // namespace velk::forecast
