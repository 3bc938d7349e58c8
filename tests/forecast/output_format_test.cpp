#include "forecast/output_format.h"

#include <gtest/gtest.h>

#include <sstream>

namespace velk {
namespace {

using Items = std::vector<FormatItem>;

const char kApRow[] = "(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,1(1X,7X,F6.0))";
const char kApHeader[] =
    "(4X,\"HOY\",3X,\"HTND\",1X,\"YYYY\",1X,\"MM\",1X,\"DD\",1X,\"DOY\",1X,\"HH\",1X,A11,"
    "1(1X,\"FC+\",I2.2,\"H\",A7))";
const char kDstRow[] = "(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,4(1X,7X,F6.0))";
const char kDstHeader[] =
    "(4X,\"HOY\",3X,\"HTND\",1X,\"YYYY\",1X,\"MM\",1X,\"DD\",1X,\"DOY\",1X,\"HH\",1X,A11,"
    "4(1X,\"FC+\",I2.2,\"H\",A7))";

std::string apply(const std::string& format, const Items& items) {
  return OutputFormat::parse(format).write(items);
}

struct WriteCase {
  const char* name;
  std::string format;
  Items items;
  std::string expected;
};

TEST(OutputFormat, WritesTheTableLayouts) {
  const WriteCase cases[] = {
      {"ap row",
       kApRow,
       {1705, 24, 2013, 3, 14, 73, 18, 12.0, 15.4},
       "   1705     24 2013  3 14  73 18         12.           15.\n"},
      {"ap header",
       kApHeader,
       {"ap [nT]", 3, "[nT]"},
       "    HOY   HTND YYYY MM DD DOY HH     ap [nT] FC+03H   [nT]\n"},
      {"Dst row with fill values",
       kDstRow,
       {8760, 1, 2012, 12, 31, 366, 23, -9999.9, -12.5, 3.5, -9999.9, -9999.9},
       "   8760      1 2012 12 31 366 23      ******          -13.            4.        ******"
       "        ******\n"},
      {"Dst header",
       kDstHeader,
       {"Dst [nT]", 1, "[nT]", 2, "[nT]", 3, "[nT]", 4, "[nT]"},
       "    HOY   HTND YYYY MM DD DOY HH    Dst [nT] FC+01H   [nT] FC+02H   [nT] FC+03H   [nT]"
       " FC+04H   [nT]\n"},
      // With no lead label the header stops at the first data descriptor that
      // lacks an item, after the blank and literal before it.
      {"header without leads",
       kApHeader,
       {"Kp [*10]"},
       "    HOY   HTND YYYY MM DD DOY HH    Kp [*10] FC+\n"},
      // Fault guarded: X blanks before the stop lengthened the row by eight
      // trailing blanks; positioning alone never lengthens a record.
      {"row without forecasts",
       kApRow,
       {1, 2, 2013, 1, 1, 1, 0, 3.0},
       "      1      2 2013  1  1   1  0          3.\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(apply(c.format, c.items), c.expected) << c.name;
}

TEST(OutputFormat, ColumnsOfTheRowMatchTheHeader) {
  const std::string header = apply(kApHeader, {"ap [nT]", 3, "[nT]"});
  const std::string row = apply(kApRow, {1705, 24, 2013, 3, 14, 73, 18, 12.0, 15.4});
  ASSERT_EQ(header.size(), row.size());
  EXPECT_EQ(header.find("HOY"), 4u);                     // columns 5-7
  EXPECT_EQ(row.find("1705"), 3u);                       // right-aligned in columns 2-7
  EXPECT_EQ(header.find("]") + 1, row.find("12.") + 3);  // A11 and the observation end together
}

TEST(OutputFormat, RunningOutOfItemsAndReversion) {
  const WriteCase cases[] = {
      {"no items, literals up to the first data descriptor", "(\"a\",1X,I2,\"b\")", {}, "a\n"},
      {"empty format, no items", "()", {}, "\n"},
      {"items end inside a repeat", "(2(1X,I3))", {1}, "   1\n"},
      {"items end exactly at the end", "(I2,2(1X,I1))", {1, 2, 3, 4, 5}, " 1 2 3\n 4 5\n"},
      {"reversion keeps the group's repeat count",
       "(I2,2(1X,I1))",
       {1, 2, 3, 4, 5, 6, 7},
       " 1 2 3\n 4 5\n 6 7\n"},
      {"reversion stops mid-group", "(I2,2(1X,I1))", {1, 2, 3, 4, 5, 6}, " 1 2 3\n 4 5\n 6\n"},
      {"reversion without a group restarts the format", "(I2,\"x\")", {1, 2, 3}, " 1x\n 2x\n 3x\n"},
      {"reversion to the last top-level group, not a later literal",
       "(I1,(I1,\"a\"),\"b\",2(\"c\",I1))",
       {1, 2, 3, 4, 5, 6},
       "12abc3c4\nc5c6\n"},
      {"fifty levels of groups",
       std::string(50, '(') + "(I1)" + std::string(50, ')'),
       {1, 2},
       "1\n2\n"},
      {"reversion to a group holding a nested group",
       "(I1,(I1,(I1)))",
       {1, 2, 3, 4, 5},
       "123\n45\n"},
      {"repeat count on a data descriptor", "(3I2)", {1, 2, 3, 4}, " 1 2 3\n 4\n"},
      {"colon stops when items end", "(I1,:,\" x \",I1)", {1}, "1\n"},
      {"colon passes while items remain", "(I1,:,\" x \",I1)", {1, 2}, "1 x 2\n"},
      {"slash ends a line", "(I1/I1,2/)", {1, 2}, "1\n2\n\n\n"},
      {"slash with commas", "(I1,/,I1)", {1, 2}, "1\n2\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(apply(c.format, c.items), c.expected) << c.name;
}

TEST(OutputFormat, NotationDetails) {
  const WriteCase cases[] = {
      {"blanks ignored outside literals, any case",
       " ( 2 ( 1x , i 6 ) , f 6 . 1 ) ",
       {1, 22, 3.25},
       "      1     22   3.3\n"},
      {"blanks inside a count", "(1 0X,I1)", {7}, "          7\n"},
      {"doubled quotes, both kinds", "(\"a\"\"b\",'c''d',\"e'f\")", {}, "a\"bc'de'f\n"},
      {"literal keeps commas, parentheses and blanks", "(\" (a, b) \")", {}, " (a, b) \n"},
      {"empty literal", "(\"\",I1)", {5}, "5\n"},
      {"plain A takes the text's own width",
       "(A,\"|\",A3,\"|\",A5)",
       {"hello", "hello", "hi"},
       "hello|hel|   hi\n"},
      {"Iw.m and Iw.0", "(I3.2,I3.0,I3.0)", {5, 0, 4}, " 05     4\n"},
      {"text after the closing parenthesis is not part of the format",
       "(I2) trailing",
       {1},
       " 1\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(apply(c.format, c.items), c.expected) << c.name;
}

struct ErrorCase {
  std::string format;
  const char* message_part;
};

TEST(OutputFormat, RejectsMalformedAndUnsupportedFormats) {
  const ErrorCase cases[] = {
      {"", "must begin with '('"},
      {"I3", "must begin with '('"},
      {"(I3", "missing ')'"},
      {"((I3)", "missing ')'"},
      {"(I3,", "descriptor missing after ','"},
      {"(I3,)", "descriptor missing after ','"},
      {"(I3,,I2)", "descriptor missing after ','"},
      {"(,I3)", "descriptor missing"},
      {"(())", "empty group"},
      {"(I3 I4)", "expected ',' or ')'"},
      {"(1X\"a\")", "expected ',' or ')'"},
      {"(0(I3))", "count of zero"},
      {"(0X)", "count of zero"},
      {"(0I3)", "count of zero"},
      {"(2)", "count without a descriptor"},
      {"(X)", "X needs a count"},
      {"(I)", "I needs a width"},
      {"(F)", "F needs a width"},
      {"(F6)", "F needs its decimals"},
      {"(F6.)", "digits missing after '.'"},
      {"(I0)", "I0"},
      {"(F0.3)", "F0"},
      {"(A0)", "A0 has no columns"},
      {"(I2.3)", "minimum digits larger than the width"},
      {"(\"abc)", "unterminated literal"},
      {"('abc'')", "unterminated literal"},
      {"(2\"ab\")", "literal cannot have a repeat count"},
      {"(2:)", "':' cannot have a repeat count"},
      {"(E12.4)", "descriptor 'E' is not supported"},
      {"(D12.4)", "descriptor 'D' is not supported"},
      {"(G12.4)", "descriptor 'G' is not supported"},
      {"(T5,I2)", "descriptor 'T' is not supported"},
      {"(L1)", "descriptor 'L' is not supported"},
      {"(3HABC)", "Hollerith"},
      {"(1P,F6.2)", "scale factors"},
      {"(#)", "unexpected character '#'"},
      {"(I999999)", "number larger than"},
      {"(99999999999999999999X)", "number larger than"},
      // A mistyped format must not be able to ask for gigabytes of output.
      {"(1000(1000(1000X)))", "more than 1000000 columns"},
      // Guards against a stack overflow on deeply nested parentheses.
      {"(" + std::string(100000, '(') + "I1" + std::string(100001, ')'), "nested more than 50"},
  };
  for (const auto& c : cases) {
    try {
      OutputFormat::parse(c.format);
      ADD_FAILURE() << "accepted: " << c.format;
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message_part), std::string::npos)
          << c.format << " gave: " << e.what();
    }
  }
}

TEST(OutputFormat, NamesTheColumnOfAParseError) {
  try {
    OutputFormat::parse("(I3,Q2)");
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_EQ(std::string(e.what()),
              "format '(I3,Q2)': descriptor 'Q' is not supported (nX, Iw, Iw.m, Fw.d, Aw, A, "
              "quoted texts, groups, / and : are) (column 5)");
  }
}

TEST(OutputFormat, RejectsItemsOfTheWrongKind) {
  const struct {
    const char* format;
    Items items;
    const char* message_part;
  } cases[] = {
      {"(I3)", {2.0}, "item 1 is a real number, but I3 takes an integer"},
      {"(I3)", {"x"}, "item 1 is a text, but I3 takes an integer"},
      {"(I3,F6.1)", {1, 3}, "item 2 is an integer, but F6.1 takes a real number"},
      {"(F6.1)", {"x"}, "item 1 is a text, but F6.1 takes a real number"},
      {"(A3)", {3}, "item 1 is an integer, but A3 takes a text"},
      {"(A)", {3.0}, "item 1 is a real number, but A takes a text"},
      {"(\"x\")", {1}, "takes no items, but 1 were given"},
      {"()", {1}, "takes no items"},
      // Guards against an endless loop: the repeated group writes but never takes an item.
      {"(I3,2(1X))", {1, 2}, "the part that is repeated takes none"},
  };
  for (const auto& c : cases) {
    const OutputFormat format = OutputFormat::parse(c.format);
    try {
      format.write(c.items);
      ADD_FAILURE() << "accepted items for " << c.format;
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message_part), std::string::npos)
          << c.format << " gave: " << e.what();
    }
  }
}

TEST(OutputFormat, StreamKeepsTheLinesCompletedBeforeAnError) {
  const OutputFormat format = OutputFormat::parse("(I3)");
  std::ostringstream out;
  EXPECT_THROW(format.write(out, {1, 2, 3.0, 4}), FormatError);
  EXPECT_EQ(out.str(), "  1\n  2\n");
}

TEST(OutputFormat, DefaultConstructedFormatRefusesToWrite) {
  // Guards against dereferencing the missing tree of an unparsed format.
  EXPECT_THROW(OutputFormat().write({1}), FormatError);
}

TEST(OutputFormat, ParsedFormatIsReusable) {
  const OutputFormat format = OutputFormat::parse("(I2,F5.1)");
  const OutputFormat copy = format;
  EXPECT_EQ(format.write({1, 2.25}), " 1  2.3\n");
  EXPECT_EQ(copy.write({-1, -2.25}), "-1 -2.3\n");
  EXPECT_EQ(copy.text(), "(I2,F5.1)");
}

}  // namespace
}  // namespace velk
