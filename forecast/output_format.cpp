#include "forecast/output_format.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "forecast/format_fields.h"

namespace velk {

struct OutputFormat::Node {
  enum class Kind { kGroup, kBlanks, kLiteral, kInteger, kReal, kText, kSlash, kColon };
  Kind kind = Kind::kGroup;
  int repeat = 1;   // groups, data descriptors and '/'
  int width = -1;   // X count, or w of I/F/A (-1: plain A, the text's own length)
  int digits = -1;  // m of Iw.m (-1: absent), d of Fw.d
  std::string literal;
  std::string spelling;  // as written, without blanks, for messages
  std::vector<Node> children;

  bool takes_item() const {
    return kind == Kind::kInteger || kind == Kind::kReal || kind == Kind::kText;
  }
};

namespace {

using Node = OutputFormat::Node;
using Kind = Node::Kind;

// Large enough for any sensible table, small enough that a mistyped format
// cannot ask for gigabytes of blanks.
constexpr long long kMaxCount = 100000;
constexpr long long kMaxColumnsPerPass = 1000000;
// Parsing and writing recurse once per level of parentheses.
constexpr int kMaxNesting = 50;

bool contains_data(const Node& node) {
  if (node.takes_item()) return true;
  for (const Node& child : node.children) {
    if (contains_data(child)) return true;
  }
  return false;
}

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

// Applies a parsed format, one line at a time.
class Writer {
 public:
  Writer(const std::string& format, const std::vector<FormatItem>& items, std::ostream& out)
      : format_(format), items_(items), out_(out) {}

  // Runs nodes[from..] once; false when output stopped because the items ran
  // out at a data descriptor or ':'.
  bool run_list(const std::vector<Node>& nodes, std::size_t from) {
    for (std::size_t i = from; i < nodes.size(); ++i) {
      if (!run(nodes[i])) return false;
    }
    return true;
  }

  bool items_left() const { return next_ < items_.size(); }

  void end_line() {
    line_ += '\n';
    out_ << line_;
    line_.clear();
  }

  [[noreturn]] void fail(const std::string& what) const {
    throw FormatError("format '" + format_ + "': " + what);
  }

 private:
  bool run(const Node& node) {
    switch (node.kind) {
      case Kind::kGroup:
        for (int r = 0; r < node.repeat; ++r) {
          if (!run_list(node.children, 0)) return false;
        }
        return true;
      case Kind::kBlanks:
        line_.append(static_cast<std::size_t>(node.width), ' ');
        return true;
      case Kind::kLiteral:
        line_ += node.literal;
        return true;
      case Kind::kSlash:
        for (int r = 0; r < node.repeat; ++r) end_line();
        return true;
      case Kind::kColon:
        return items_left();
      default:
        for (int r = 0; r < node.repeat; ++r) {
          if (!items_left()) return false;
          write_item(node, items_[next_++]);
        }
        return true;
    }
  }

  void write_item(const Node& node, const FormatItem& item) {
    if (node.kind == Kind::kInteger) {
      if (const int* value = std::get_if<int>(&item)) {
        line_ += format_integer(*value, node.width, node.digits);
        return;
      }
    } else if (node.kind == Kind::kReal) {
      if (const double* value = std::get_if<double>(&item)) {
        line_ += format_fixed(*value, node.width, node.digits);
        return;
      }
    } else if (const std::string* value = std::get_if<std::string>(&item)) {
      line_ += node.width < 0 ? *value : format_text(*value, node.width);
      return;
    }
    static const char* const kKinds[] = {"an integer", "a real number", "a text"};
    static const char* const kWanted[] = {"an integer", "a real number", "a text"};
    const int wanted = node.kind == Kind::kInteger ? 0 : node.kind == Kind::kReal ? 1 : 2;
    fail("item " + std::to_string(next_) + " is " + kKinds[item.index()] + ", but " +
         node.spelling + " takes " + kWanted[wanted]);
  }

  const std::string& format_;
  const std::vector<FormatItem>& items_;
  std::ostream& out_;
  std::size_t next_ = 0;
  std::string line_;
};

}  // namespace

OutputFormat OutputFormat::parse(std::string_view spec) {
  auto root = std::make_shared<Node>(Parser(spec).parse_format());
  if (pass_cost(*root) > kMaxColumnsPerPass) {
    throw FormatError("format '" + std::string(spec) + "': one pass writes more than " +
                      std::to_string(kMaxColumnsPerPass) + " columns");
  }
  OutputFormat format;
  format.text_ = std::string(spec);
  format.root_ = std::move(root);
  return format;
}

void OutputFormat::write(std::ostream& out, const std::vector<FormatItem>& items) const {
  Writer writer(text_, items, out);
  const std::vector<Node>& top = root_->children;
  if (!items.empty() && !contains_data(*root_)) {
    writer.fail("it takes no items, but " + std::to_string(items.size()) + " were given");
  }
  // With items left at the end, the next line starts again at the last
  // top-level group (its repeat count included), or at the start if none.
  std::size_t resume = 0;
  for (std::size_t i = top.size(); i > 0; --i) {
    if (top[i - 1].kind == Kind::kGroup) {
      resume = i - 1;
      break;
    }
  }
  bool repeats_data = false;
  for (std::size_t i = resume; i < top.size(); ++i)
    repeats_data = repeats_data || contains_data(top[i]);
  bool more = writer.run_list(top, 0);
  while (more && writer.items_left()) {
    // Without a data descriptor in the repeated part this would never end.
    if (!repeats_data) writer.fail("items remain, but the part that is repeated takes none");
    writer.end_line();
    more = writer.run_list(top, resume);
  }
  writer.end_line();
}

std::string OutputFormat::write(const std::vector<FormatItem>& items) const {
  std::ostringstream out;
  write(out, items);
  return out.str();
}

}  // namespace velk
