// Run-time output formats: the forecast table's header and row layouts are
// texts in the configuration, written in the fixed-column format notation
// (nX, Iw, Iw.m, Fw.d, Aw, A, quoted literals, r(...) groups, rIw-style
// repeats, / and :). Anything else is refused when the format is parsed, and an
// item of the wrong kind for its descriptor is refused when it is reached, so
// a bad configuration never produces a table that only looks right.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "forecast/format/format_parse.h"

namespace velk::forecast {

struct FormatProgram;  // the parsed format laid out for writing

// An item of an output list: an integer for I, a real for F, a text for A.
using FormatItem = std::variant<int, double, std::string>;

class OutputFormat {
 public:
  // Parses e.g. "(2(1X,I6),1X,A11,1(1X,\"FC+\",I2.2,\"H\",A7))". Throws
  // FormatError naming what was wrong and where.
  static OutputFormat parse(std::string_view text);

  // Applies the format to the items and returns the record(s) written, each
  // ending with '\n'. Throws FormatError when an item's kind does not fit its
  // descriptor, or when items remain but the part of the format that would be
  // repeated takes none of them.
  std::string write(const std::vector<FormatItem>& items) const;

  // The same, appended to `out`. When an error is thrown, `out` holds the
  // lines completed before it (the partial line is dropped).
  void write(std::string& out, const std::vector<FormatItem>& items) const;

  // The format text as given, for messages.
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  std::shared_ptr<const FormatProgram> program_;  // shared, never modified
};

}  // namespace velk::forecast
