// XML texts as the parser reads them. The parser takes the length of a UTF-8
// character from its first byte and reads that many bytes, so a text that
// ends inside a character makes it step over the terminating NUL and read
// past the end of its buffer. Such a text is never well-formed XML in any
// encoding (a document ends with ">" or blanks), so it can be refused before
// parsing.
#pragma once

#include <string>

class TiXmlDocument;

namespace velk {

// `text` as the parser's file loading leaves it: cut at its first NUL, and
// every CR LF pair and every lone CR turned into one LF.
std::string text_as_parsed(const std::string& text);

// Whether a character the parser would read as UTF-8 starts near the end of
// `text` but runs past it.
bool ends_inside_character(const std::string& text);

// Parses a text that text_as_parsed gave and ends_inside_character passed,
// letting the parser find its encoding; false when it is not well-formed.
bool parse_xml_text(const std::string& text, TiXmlDocument& document);

}  // namespace velk
