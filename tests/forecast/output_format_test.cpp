#include "forecast/format/output_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <tuple>

#include "forecast/format/format_fields.h"

namespace velk::forecast {
namespace {

using Items = std::vector<FormatItem>;

const char kApRow[] = "(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,1(1X,7X,F6.0))";

TEST(OutputFormat, WritesLayoutsRevertsAndStopsWhenItemsEnd) {
  const std::tuple<std::string, Items, std::string> cases[] = {
      // The production layouts are compared whole by the end-to-end cases, a
      // header and rows without forecasts by synthetic_lead_time_zero.
      {"(2(1X,I6),F6.0,4(1X,7X,F6.0))",  // Dst fill values do not fit F6.0
       {8760, 1, -9999.9, -12.5, 3.5, -9999.9, -9999.9},
       "   8760      1******          -13.            4.        ******        ******\n"},
      // Fault guarded: X blanks before the stop lengthened the row by eight
      // trailing blanks; positioning alone never lengthens a record.
      {kApRow, {1, 2, 2013, 1, 1, 1, 0, 3.0}, "      1      2 2013  1  1   1  0          3.\n"},
      {"(\"a\",1X,I2,\"b\")", {}, "a\n"},
      {"(I2,2(1X,I1))", {1, 2, 3, 4, 5, 6, 7}, " 1 2 3\n 4 5\n 6 7\n"},  // repeat count kept
      {"(I2,2(1X,I1))", {1, 2, 3, 4, 5, 6}, " 1 2 3\n 4 5\n 6\n"},
      {"(I2,\"x\")", {1, 2, 3}, " 1x\n 2x\n 3x\n"},  // no group: the whole format again
      // Reversion goes to the last top-level group, not to a later literal.
      {"(I1,(I1,\"a\"),\"b\",2(\"c\",I1))", {1, 2, 3, 4, 5, 6}, "12abc3c4\nc5c6\n"},
      {"(I1,(I1,(I1)))", {1, 2, 3, 4, 5}, "123\n45\n"},
      {std::string(50, '(') + "(I1)" + std::string(50, ')'), {1, 2}, "1\n2\n"},
      {"(3I2)", {1, 2, 3, 4}, " 1 2 3\n 4\n"},
      {"(I1,:,\" x \",I1)", {1}, "1\n"},
      {"(I1,:,\" x \",I1)", {1, 2}, "1 x 2\n"},
      {"(I1/I1,2/)", {1, 2}, "1\n2\n\n\n"},
      {" ( 2 ( 1x , i 6 ) , f 6 . 1 ) ", {1, 22, 3.25}, "      1     22   3.3\n"},
      {"(1 0X,I1)", {7}, "          7\n"},
      {"(\"a\"\"b\",'c''d',\"e'f\",\" (a, b) \",\"\")", {}, "a\"bc'de'f (a, b) \n"},
      {"(A,\"|\",A3,\"|\",A5)", {"hello", "hello", "hi"}, "hello|hel|   hi\n"},
      {"(I3.2,I3.0,I3.0)", {5, 0, 4}, " 05     4\n"},
      {"(I2) trailing", {1}, " 1\n"},
  };
  for (const auto& [format, items, expected] : cases)
    EXPECT_EQ(OutputFormat::parse(format).write(items), expected) << format;
}

// The message of the FormatError that `f` throws; "accepted" when it returns.
template <typename F>
std::string format_error_of(F f) {
  try {
    f();
  } catch (const FormatError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(OutputFormat, RejectsMalformedFormatsAndItemsOfTheWrongKind) {
  const std::tuple<std::string, Items, const char*> cases[] = {
      {"I3", {}, "must begin with '('"},
      {"((I3)", {}, "missing ')'"},
      {"(I3,)", {}, "descriptor missing after ','"},
      {"(())", {}, "empty group"},
      {"(I3 I4)", {}, "expected ',' or ')'"},
      {"(0(I3))", {}, "count of zero"},
      {"(X)", {}, "X needs a count"},
      {"(F6)", {}, "F needs its decimals"},
      {"(F0.3)", {}, "F0"},
      {"(I2.3)", {}, "minimum digits larger than the width"},
      {"('abc'')", {}, "unterminated literal"},
      {"(1P,F6.2)", {}, "scale factors"},
      {"(#)", {}, "unexpected character '#'"},
      {"(99999999999999999999X)", {}, "number larger than"},
      {"(I3,Q2)",
       {},
       "format '(I3,Q2)': descriptor 'Q' is not supported (nX, Iw, Iw.m, Fw.d, Aw, A, "
       "quoted texts, groups, / and : are) (column 5)"},
      // A mistyped format must not be able to ask for gigabytes of output.
      {"(1000(1000(1000X)))", {}, "more than 1000000 columns"},
      // Guards against a stack overflow on deeply nested parentheses.
      {"(" + std::string(100000, '(') + "I1" + std::string(100001, ')'), {}, "nested more than 50"},
      {"(I3)", {2.0}, "item 1 is a real number, but I3 takes an integer"},
      {"(I3,F6.1)", {1, 3}, "item 2 is an integer, but F6.1 takes a real number"},
      {"(\"x\")", {1}, "takes no items, but 1 were given"},
      // Guards against an endless loop: the repeated group writes but never takes an item.
      {"(I3,2(1X))", {1, 2}, "the part that is repeated takes none"},
  };
  for (const auto& [format, items, part] : cases) {
    const std::string message = format_error_of([&] { OutputFormat::parse(format).write(items); });
    EXPECT_NE(message.find(part), std::string::npos) << format << " gave: " << message;
  }
  // Guards against dereferencing the missing tree of an unparsed format.
  EXPECT_THROW(OutputFormat().write({1}), FormatError);
  // The output keeps the lines completed before the error.
  std::string out;
  EXPECT_THROW(OutputFormat::parse("(I3)").write(out, {1, 2, 3.0, 4}), FormatError);
  EXPECT_EQ(out, "  1\n  2\n");
}

TEST(FormatFields, IntegersWidthsMinimumDigitsAndOverflow) {
  // The sign needs a column too; Iw.0 of zero writes no digit at all. The last
  // case guards against negating the most negative value (undefined behaviour).
  const std::tuple<long long, int, int, const char*> cases[] = {
      {-12, 3, -1, "-12"}, {-123, 3, -1, "***"},
      {123, 2, -1, "**"},  {7, 4, 4, "0007"},
      {0, 2, 2, "00"},     {0, 3, 0, "   "},
      {5, 3, 0, "  5"},    {-1, 3, 2, "-01"},
      {-1, 2, 2, "**"},    {LLONG_MIN, 20, -1, "-9223372036854775808"}};
  for (const auto& [value, width, min_digits, expected] : cases)
    EXPECT_EQ(format_integer(value, width, min_digits), expected) << value;
  EXPECT_EQ(format_text("ap", 6), "    ap");
  EXPECT_EQ(format_text("abcdefgh", 3), "abc");
}

TEST(FormatFields, RealsRoundHalfAwayFromZeroOnTheExactBinaryValue) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // An exact tie goes away from zero (printf would give 2.); 1.005 and 2.675
  // lie just below their ties, 99.95 just above; carries add digits; the
  // digits are the double's exact ones, down to the smallest subnormal. The
  // point is always written, the zero before it only when there is room or no
  // other digit; a negative value rounding to zero keeps its sign. The two
  // longest guard against sending a tie away from zero by a step of the
  // double, which passes the next decimal where that step is wider.
  const std::tuple<double, int, int, const char*> cases[] = {
      {2.5, 6, 0, "    3."},     {-2.5, 6, 0, "   -3."},
      {0.125, 5, 2, " 0.13"},    {1.005, 5, 2, " 1.00"},
      {2.675, 5, 2, " 2.67"},    {99.95, 5, 1, "100.0"},
      {0.9996, 5, 3, "1.000"},   {1.0 / 3.0, 25, 20, "   0.33333333333333331483"},
      {5e-324, 6, 3, " 0.000"},  {12.0, 6, 0, "   12."},
      {0.5, 5, 3, "0.500"},      {0.5, 4, 3, ".500"},
      {0.5, 3, 3, "***"},        {0.4, 2, 0, "0."},
      {-0.5, 5, 3, "-.500"},     {-0.4, 3, 0, "-0."},
      {-0.0001, 6, 3, "-0.000"}, {-0.0, 6, 3, "-0.000"},
      {-999.9, 6, 0, "-1000."},  {-9999.9, 6, 0, "******"},
      {1e300, 6, 0, "******"},   {nan, 6, 0, "   NaN"},
      {nan, 2, 0, "**"},         {inf, 9, 1, " Infinity"},
      {inf, 6, 0, "   Inf"},     {-inf, 8, 1, "    -Inf"},
      {-inf, 3, 0, "***"},       {989721198286172.625, 18, 2, "989721198286172.63"},
      {0.0625, 6, 3, " 0.063"},  {140737488355328.03125, 20, 4, "140737488355328.0313"}};
  for (const auto& [value, width, decimals, expected] : cases)
    EXPECT_EQ(format_fixed(value, width, decimals), expected)
        << value << " under F" << width << "." << decimals;
}

}  // namespace
}  // namespace velk::forecast
