// The parsed form of a run-time output format: a tree of groups and
// descriptors that the writer walks. Parsing refuses everything outside the
// supported notation, so the writer never meets an unknown element.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velk::forecast {

// A format that cannot be parsed, or (thrown by the writer, output_format.h)
// an item list that does not fit a parsed one.
class FormatError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct FormatNode {
  enum class Kind { kGroup, kBlanks, kLiteral, kInteger, kReal, kText, kSlash, kColon };
  Kind kind = Kind::kGroup;
  int repeat = 1;   // groups, data descriptors and '/'
  int width = -1;   // X count, or w of I/F/A (-1: plain A, the text's own length)
  int digits = -1;  // m of Iw.m (-1: absent), d of Fw.d
  std::string literal;
  std::string spelling;  // as written, without blanks, for messages
  std::vector<FormatNode> children;

  bool takes_item() const {
    return kind == Kind::kInteger || kind == Kind::kReal || kind == Kind::kText;
  }
};

// Parses a whole format, "(" ... ")", into its outermost group. Throws
// FormatError naming what was wrong and its column. Text after the closing
// parenthesis is not part of the format and is ignored.
FormatNode parse_format(std::string_view text);

// Whether any descriptor in the node takes an item.
bool contains_data(const FormatNode& node);

}  // namespace velk::forecast
