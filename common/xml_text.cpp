#include "common/xml_text.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstddef>

namespace velk {
namespace {

// The longest character the parser reads: a UTF-8 lead byte announces at
// most four bytes.
constexpr std::size_t kLongestCharacter = 4;

}  // namespace

std::string text_as_parsed(const std::string& text) {
  const std::string whole = text.substr(0, text.find('\0'));
  std::string parsed;
  parsed.reserve(whole.size());
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (whole[i] != '\r') {
      parsed += whole[i];
      continue;
    }
    parsed += '\n';
    if (i + 1 < whole.size() && whole[i + 1] == '\n') ++i;
  }
  return parsed;
}

bool ends_inside_character(const std::string& text) {
  const std::size_t from = text.size() - std::min(text.size(), kLongestCharacter - 1);
  for (std::size_t i = from; i < text.size(); ++i) {
    const auto length =
        static_cast<std::size_t>(TiXmlBase::utf8ByteTable[static_cast<unsigned char>(text[i])]);
    if (i + length > text.size()) return true;
  }
  return false;
}

bool parse_xml_text(const std::string& text, TiXmlDocument& document) {
  // A few NULs past the end keep the parser within the buffer should it
  // still look ahead of a character somewhere; it stops at the first one.
  std::string padded = text;
  padded.append(kLongestCharacter, '\0');
  document.Parse(padded.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  return !document.Error();
}

}  // namespace velk
