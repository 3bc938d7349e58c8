#include "forecast/output_format.h"

#include <ostream>

#include "forecast/format_fields.h"
#include "forecast/format_parse.h"

namespace velk {
namespace {

using Node = FormatNode;
using Kind = FormatNode::Kind;

// Applies a parsed format, appending to one buffer line after line.
class Writer {
 public:
  Writer(const std::string& format, const std::vector<FormatItem>& items, std::string& out)
      : format_(format), items_(items), out_(out), line_start_(out.size()) {}

  // Runs nodes[from..] once; false when output stopped because the items ran
  // out at a data descriptor or ':'.
  bool run_list(const std::vector<Node>& nodes, std::size_t from) {
    for (std::size_t i = from; i < nodes.size(); ++i) {
      if (!run(nodes[i])) return false;
    }
    return true;
  }

  bool items_left() const { return next_ < items_.size(); }

  // Blanks of an X descriptor only reach the line when something follows them
  // on it: positioning alone does not lengthen a record, so a row whose items
  // run out after "1X,7X" ends with its last value, not with eight blanks.
  void end_line() {
    out_ += '\n';
    line_start_ = out_.size();
    pending_blanks_ = 0;
  }

  // Drops the line begun but not completed, as when an error stops the write.
  void drop_partial_line() { out_.resize(line_start_); }

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
        pending_blanks_ += static_cast<std::size_t>(node.width);
        return true;
      case Kind::kLiteral:
        start_field();
        out_ += node.literal;
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
        start_field();
        append_integer(out_, *value, node.width, node.digits);
        return;
      }
    } else if (node.kind == Kind::kReal) {
      if (const double* value = std::get_if<double>(&item)) {
        start_field();
        append_fixed(out_, *value, node.width, node.digits);
        return;
      }
    } else if (const std::string* value = std::get_if<std::string>(&item)) {
      start_field();
      if (node.width < 0) {
        out_ += *value;
      } else {
        append_text(out_, *value, node.width);
      }
      return;
    }
    static const char* const kKinds[] = {"an integer", "a real number", "a text"};
    static const char* const kWanted[] = {"an integer", "a real number", "a text"};
    const int wanted = node.kind == Kind::kInteger ? 0 : node.kind == Kind::kReal ? 1 : 2;
    fail("item " + std::to_string(next_) + " is " + kKinds[item.index()] + ", but " +
         node.spelling + " takes " + kWanted[wanted]);
  }

  // Something is written: the blanks before it reach the line first.
  void start_field() {
    out_.append(pending_blanks_, ' ');
    pending_blanks_ = 0;
  }

  const std::string& format_;
  const std::vector<FormatItem>& items_;
  std::string& out_;
  std::size_t line_start_;
  std::size_t next_ = 0;
  std::size_t pending_blanks_ = 0;
};

// Applies the whole format to the items: its records, with the reversion
// onto new lines while items remain.
void write_records(const Node& root, Writer& writer, std::size_t item_count) {
  const std::vector<Node>& top = root.children;
  if (item_count != 0 && !contains_data(root)) {
    writer.fail("it takes no items, but " + std::to_string(item_count) + " were given");
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

}  // namespace

OutputFormat OutputFormat::parse(std::string_view text) {
  OutputFormat format;
  format.text_ = std::string(text);
  format.root_ = std::make_shared<const FormatNode>(parse_format(text));
  return format;
}

void OutputFormat::write(std::string& out, const std::vector<FormatItem>& items) const {
  // A default-constructed format has nothing to apply.
  if (!root_) throw FormatError("no output format has been parsed");
  Writer writer(text_, items, out);
  try {
    write_records(*root_, writer, items.size());
  } catch (const FormatError&) {
    writer.drop_partial_line();
    throw;
  }
}

void OutputFormat::write(std::ostream& out, const std::vector<FormatItem>& items) const {
  std::string text;
  try {
    write(text, items);
  } catch (const FormatError&) {
    out << text;
    throw;
  }
  out << text;
}

std::string OutputFormat::write(const std::vector<FormatItem>& items) const {
  std::string text;
  write(text, items);
  return text;
}

}  // namespace velk
