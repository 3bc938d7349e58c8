#include "forecast/format/format_parse.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace velk::forecast {
namespace {

using Node = FormatNode;
using Kind = FormatNode::Kind;

// Large enough for any sensible table, small enough that a mistyped format
// cannot ask for gigabytes of blanks.
constexpr long long kMaxCount = 100000;
constexpr long long kMaxColumnsPerPass = 1000000;
// Parsing and writing recurse once per level of parentheses.
constexpr int kMaxNesting = 50;

// Columns (or lines) one pass through the node can produce, saturated at the
// limit; an empty literal still costs one step of work.
long long pass_cost(const Node& node) {
  long long each = 0;
  switch (node.kind) {
    case Kind::kGroup:
      for (const Node& child : node.children)
        each = std::min(each + pass_cost(child), kMaxColumnsPerPass + 1);
      break;
    case Kind::kLiteral:
      each = std::max<long long>(1, static_cast<long long>(node.literal.size()));
      break;
    default:
      each = std::max(1, node.width);
      break;
  }
  return std::min(each * node.repeat, kMaxColumnsPerPass + 1);
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  Node parse_format() {
    skip_blanks();
    if (at_end() || text_[pos_] != '(') fail("must begin with '('");
    const std::size_t open = pos_++;
    Node root;
    root.children = parse_list(open, true);
    // Whatever follows the closing parenthesis is not part of the format.
    return root;
  }

 private:
  [[noreturn]] void fail(const std::string& what, std::size_t at) const {
    throw FormatError("format '" + std::string(text_) + "': " + what + " (column " +
                      std::to_string(at + 1) + ")");
  }
  [[noreturn]] void fail(const std::string& what) const { fail(what, pos_); }

  bool at_end() const { return pos_ >= text_.size(); }

  void skip_blanks() {
    while (!at_end() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }

  char peek_upper() {
    skip_blanks();
    return at_end() ? '\0'
                    : static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_])));
  }

  // An unsigned number; blanks between its digits are ignored, as everywhere
  // outside literals. Returns -1 when no digit is there.
  long long number() {
    skip_blanks();
    if (at_end() || !std::isdigit(static_cast<unsigned char>(text_[pos_]))) return -1;
    const std::size_t start = pos_;
    long long value = 0;
    while (!at_end() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      value = value * 10 + (text_[pos_] - '0');
      if (value > kMaxCount) fail("number larger than " + std::to_string(kMaxCount), start);
      ++pos_;
      skip_blanks();
    }
    return value;
  }

  std::vector<Node> parse_list(std::size_t open, bool top_level) {
    std::vector<Node> items;
    if (peek_upper() == ')') {
      if (!top_level) fail("empty group", open);
      ++pos_;
      return items;
    }
    for (;;) {
      items.push_back(parse_item());
      const char next = peek_upper();
      if (next == ')') {
        ++pos_;
        return items;
      }
      if (next == '\0') fail("missing ')' for the '(' here", open);
      if (next == ',') {
        ++pos_;
        const char after = peek_upper();
        if (after == ')' || after == ',' || after == '\0') fail("descriptor missing after ','");
        continue;
      }
      // Only '/' and ':' may stand next to a neighbour without a comma.
      const Kind last = items.back().kind;
      if (next == '/' || next == ':' || last == Kind::kSlash || last == Kind::kColon) continue;
      fail("expected ',' or ')'");
    }
  }

  Node parse_item() {
    skip_blanks();
    const std::size_t start = pos_;
    const long long count = number();
    const char letter = peek_upper();
    Node node;
    if (count == 0) fail("a count of zero", start);
    switch (letter) {
      case '(': {
        const std::size_t open = pos_++;
        if (++depth_ > kMaxNesting) {
          fail("groups nested more than " + std::to_string(kMaxNesting) + " deep", open);
        }
        node.kind = Kind::kGroup;
        node.repeat = count < 0 ? 1 : static_cast<int>(count);
        node.children = parse_list(open, false);
        --depth_;
        break;
      }
      case '"':
      case '\'':
        if (count > 0) fail("a literal cannot have a repeat count", start);
        node.kind = Kind::kLiteral;
        node.literal = literal();
        break;
      case 'X':
        ++pos_;
        if (count < 0) fail("X needs a count of blanks, e.g. 1X", start);
        node.kind = Kind::kBlanks;
        node.width = static_cast<int>(count);
        break;
      case '/':
        ++pos_;
        node.kind = Kind::kSlash;
        node.repeat = count < 0 ? 1 : static_cast<int>(count);
        break;
      case ':':
        ++pos_;
        if (count > 0) fail("':' cannot have a repeat count", start);
        node.kind = Kind::kColon;
        break;
      case 'I':
      case 'F':
      case 'A':
        ++pos_;
        node.repeat = count < 0 ? 1 : static_cast<int>(count);
        data_descriptor(node, letter, start);
        break;
      case '\0':
        fail("missing ')'", start);
      case ')':
      case ',':
        fail(count > 0 ? "count without a descriptor" : "descriptor missing", start);
      default:
        unsupported(letter, count, start);
    }
    for (std::size_t i = start; i < pos_; ++i) {
      if (text_[i] != ' ' && text_[i] != '\t') node.spelling += text_[i];
    }
    return node;
  }

  void data_descriptor(Node& node, char letter, std::size_t start) {
    const std::string name(1, letter);
    const long long width = number();
    if (letter == 'A') {
      node.kind = Kind::kText;
      if (width == 0) fail("A0 has no columns", start);
      node.width = static_cast<int>(width);  // -1: as wide as the text
      return;
    }
    if (width < 0)
      fail(name + " needs a width, e.g. " + name + (letter == 'I' ? "6" : "6.1"), start);
    if (width == 0) fail(name + "0 (a width of the value's own choosing) is not supported", start);
    node.width = static_cast<int>(width);
    const bool has_point = peek_upper() == '.';
    if (has_point) {
      ++pos_;
      node.digits = static_cast<int>(number());
      if (node.digits < 0) fail("digits missing after '.'", start);
    }
    if (letter == 'I') {
      node.kind = Kind::kInteger;
      if (node.digits > node.width) fail("minimum digits larger than the width", start);
    } else {
      node.kind = Kind::kReal;
      if (!has_point) fail("F needs its decimals, e.g. F6.1", start);
    }
  }

  // Reads a quoted text; the quote character doubled stands for itself.
  std::string literal() {
    const char quote = text_[pos_];
    const std::size_t start = pos_++;
    std::string value;
    for (;;) {
      if (at_end()) fail("unterminated literal", start);
      const char c = text_[pos_++];
      if (c != quote) {
        value += c;
      } else if (!at_end() && text_[pos_] == quote) {
        value += quote;
        ++pos_;
      } else {
        return value;
      }
    }
  }

  [[noreturn]] void unsupported(char letter, long long count, std::size_t start) {
    if (letter == 'H' && count > 0) {
      fail("Hollerith texts (nH) are not supported; use a quoted literal", start);
    }
    if (letter == 'P') fail("scale factors (kP) are not supported", start);
    if (std::isalpha(static_cast<unsigned char>(letter)) || letter == '$' || letter == '\\') {
      fail(std::string("descriptor '") + letter +
               "' is not supported (nX, Iw, Iw.m, Fw.d, Aw, A, quoted texts, groups, / and : are)",
           start);
    }
    fail(std::string("unexpected character '") + text_[pos_] + "'", start);
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

bool contains_data(const FormatNode& node) {
  if (node.takes_item()) return true;
  for (const FormatNode& child : node.children) {
    if (contains_data(child)) return true;
  }
  return false;
}

FormatNode parse_format(std::string_view text) {
  FormatNode root = Parser(text).parse_format();
  if (pass_cost(root) > kMaxColumnsPerPass) {
    throw FormatError("format '" + std::string(text) + "': one pass writes more than " +
                      std::to_string(kMaxColumnsPerPass) + " columns");
  }
  return root;
}

}  // namespace velk::forecast
