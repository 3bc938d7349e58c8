#include "forecast/format/output_format.h"

#include "forecast/format/format_fields.h"
#include "forecast/format/format_parse.h"

namespace velk::forecast {

// A parsed format laid out for writing: its leaves in the order one pass
// meets them, with the repeats of groups, data descriptors and '/' unrolled
// (the parser bounds a pass), so that each row is a walk down one list.
struct FormatProgram {
  FormatNode root;
  std::vector<const FormatNode*> steps;
  std::size_t resume = 0;     // the step where a line taken up again starts
  bool takes_items = false;   // whether any descriptor takes an item
  bool repeats_data = false;  // whether the steps from `resume` on take one
};

namespace {

using Node = FormatNode;
using Kind = FormatNode::Kind;

void unroll(const Node& node, std::vector<const Node*>& steps) {
  if (node.kind == Kind::kGroup) {
    for (int r = 0; r < node.repeat; ++r) {
      for (const Node& child : node.children) unroll(child, steps);
    }
    return;
  }
  const bool repeats = node.takes_item() || node.kind == Kind::kSlash;
  for (int r = 0; r < (repeats ? node.repeat : 1); ++r) steps.push_back(&node);
}

// Applies a parsed format, appending to one buffer line after line.
class Writer {
 public:
  Writer(const std::string& format, const std::vector<FormatItem>& items, std::string& out)
      : format_(format), items_(items), out_(out), line_start_(out.size()) {}

  // Runs steps[from..] once; false when output stopped because the items ran
  // out at a data descriptor or ':'.
  bool run_steps(const std::vector<const Node*>& steps, std::size_t from) {
    for (std::size_t i = from; i < steps.size(); ++i) {
      if (!run(*steps[i])) return false;
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
      case Kind::kBlanks:
        pending_blanks_ += static_cast<std::size_t>(node.width);
        return true;
      case Kind::kLiteral:
        start_field();
        out_ += node.literal;
        return true;
      case Kind::kSlash:
        end_line();
        return true;
      case Kind::kColon:
        return items_left();
      case Kind::kGroup:  // unrolled into its leaves
        return true;
      default:
        if (!items_left()) return false;
        write_item(node, items_[next_++]);
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
    for (; pending_blanks_ > 0; --pending_blanks_) out_.push_back(' ');
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
void write_records(const FormatProgram& program, Writer& writer, std::size_t item_count) {
  if (item_count != 0 && !program.takes_items) {
    writer.fail("it takes no items, but " + std::to_string(item_count) + " were given");
  }
  bool more = writer.run_steps(program.steps, 0);
  while (more && writer.items_left()) {
    // Without a data descriptor in the repeated part this would never end.
    if (!program.repeats_data)
      writer.fail("items remain, but the part that is repeated takes none");
    writer.end_line();
    more = writer.run_steps(program.steps, program.resume);
  }
  writer.end_line();
}

}  // namespace

OutputFormat OutputFormat::parse(std::string_view text) {
  OutputFormat format;
  format.text_ = std::string(text);
  auto program = std::make_shared<FormatProgram>();
  program->root = parse_format(text);
  const std::vector<Node>& top = program->root.children;
  // With items left at the end, the next line starts again at the last
  // top-level group (its repeat count included), or at the start if none.
  std::size_t resume = 0;
  for (std::size_t i = top.size(); i > 0; --i) {
    if (top[i - 1].kind == Kind::kGroup) {
      resume = i - 1;
      break;
    }
  }
  for (std::size_t i = 0; i < top.size(); ++i) {
    if (i == resume) program->resume = program->steps.size();
    unroll(top[i], program->steps);
    if (i >= resume) program->repeats_data = program->repeats_data || contains_data(top[i]);
  }
  program->takes_items = contains_data(program->root);
  format.program_ = std::move(program);
  return format;
}

void OutputFormat::write(std::string& out, const std::vector<FormatItem>& items) const {
  // A default-constructed format has nothing to apply.
  if (!program_) throw FormatError("no output format has been parsed");
  Writer writer(text_, items, out);
  try {
    write_records(*program_, writer, items.size());
  } catch (const FormatError&) {
    writer.drop_partial_line();
    throw;
  }
}

std::string OutputFormat::write(const std::vector<FormatItem>& items) const {
  std::string text;
  write(text, items);
  return text;
}

}  // namespace velk::forecast
