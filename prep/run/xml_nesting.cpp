#include "prep/run/xml_nesting.h"

#include <algorithm>

namespace velk::prep {

namespace {

// Position just past the first `end` at or after `from`, or the text's end.
std::size_t past(const std::string& text, std::size_t from, const std::string& end) {
  const std::size_t at = text.find(end, from);
  return at == std::string::npos ? text.size() : at + end.size();
}

// Position of the ">" that ends the start tag at `from`, or the text's end;
// a ">" inside a quoted attribute value does not end it.
std::size_t start_tag_end(const std::string& text, std::size_t from) {
  char quote = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i;
    }
  }
  return text.size();
}

}  // namespace

std::size_t xml_nesting_depth(const std::string& text) {
  std::size_t depth = 0;
  std::size_t deepest = 0;
  std::size_t i = 0;
  while ((i = text.find('<', i)) != std::string::npos) {
    if (text.compare(i, 4, "<!--") == 0) {
      i = past(text, i + 4, "-->");
    } else if (text.compare(i, 9, "<![CDATA[") == 0) {
      i = past(text, i + 9, "]]>");
    } else if (text.compare(i, 2, "<!") == 0 || text.compare(i, 2, "<?") == 0) {
      i = past(text, i + 2, ">");
    } else if (text.compare(i, 2, "</") == 0) {
      if (depth > 0) --depth;
      i = past(text, i + 2, ">");
    } else {
      const std::size_t end = start_tag_end(text, i + 1);
      const bool self_closed = end < text.size() && text[end - 1] == '/';
      if (!self_closed) deepest = std::max(deepest, ++depth);
      i = end;
    }
  }
  return deepest;
}

}  // namespace velk::prep
