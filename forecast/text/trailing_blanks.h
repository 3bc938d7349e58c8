// Texts read from fixed-width fields come padded with blanks on the right.
#pragma once

#include <string>

namespace velk::forecast {

// `text` without the blanks at its end (an all-blank text becomes empty).
inline std::string without_trailing_blanks(std::string text) {
  const std::size_t last = text.find_last_not_of(' ');
  text.erase(last == std::string::npos ? 0 : last + 1);
  return text;
}

}  // namespace velk::forecast
