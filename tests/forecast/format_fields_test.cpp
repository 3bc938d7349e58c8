#include "forecast/format_fields.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace velk {
namespace {

struct IntegerCase {
  long long value;
  int width;
  int min_digits;
  const char* expected;
};

TEST(FormatInteger, WidthsMinimumDigitsAndOverflow) {
  const IntegerCase cases[] = {
      {5, 3, -1, "  5"},
      {0, 3, -1, "  0"},
      {-12, 3, -1, "-12"},
      {-123, 3, -1, "***"},  // the sign needs a column too
      {123, 2, -1, "**"},
      {1, 2, 2, "01"},
      {7, 4, 4, "0007"},
      {0, 2, 2, "00"},
      {0, 3, 0, "   "},  // Iw.0 of zero writes no digit at all
      {5, 3, 0, "  5"},
      {-1, 3, 2, "-01"},
      {-1, 2, 2, "**"},
      {2013, 4, 4, "2013"},
      {INT_MIN, 11, -1, "-2147483648"},
      // Guards against negating the most negative value (undefined behaviour).
      {LLONG_MIN, 20, -1, "-9223372036854775808"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(format_integer(c.value, c.width, c.min_digits), c.expected)
        << c.value << " under I" << c.width << "." << c.min_digits;
  }
}

struct FixedCase {
  double value;
  int width;
  int decimals;
  const char* expected;
};

TEST(FormatFixed, RoundsHalfAwayFromZeroOnTheExactBinaryValue) {
  const FixedCase cases[] = {
      {2.5, 6, 0, "    3."},  // an exact tie goes away from zero (printf would give 2)
      {0.5, 6, 0, "    1."},
      {1.5, 6, 0, "    2."},
      {-2.5, 6, 0, "   -3."},
      {0.125, 5, 2, " 0.13"},  // exact tie in the decimals
      {-0.125, 6, 2, " -0.13"},
      {1.005, 5, 2, " 1.00"},   // its double lies just below the tie
      {2.675, 5, 2, " 2.67"},   // likewise
      {99.95, 5, 1, "100.0"},   // its double lies just above the tie; carry adds a digit
      {0.9996, 5, 3, "1.000"},  // carry into the integer part
      {9.96, 4, 1, "10.0"},
      {1.0 / 3.0, 25, 20, "   0.33333333333333331483"},  // exact digits far past printf's default
      {0.1, 25, 20, "   0.10000000000000000555"},
      {5e-324, 6, 3, " 0.000"},  // the smallest subnormal
  };
  for (const auto& c : cases) {
    EXPECT_EQ(format_fixed(c.value, c.width, c.decimals), c.expected)
        << c.value << " under F" << c.width << "." << c.decimals;
  }
}

TEST(FormatFixed, PointLeadingZeroSignAndAsterisks) {
  const FixedCase cases[] = {
      {12.0, 6, 0, "   12."},  // the point is written for d = 0 too
      {9999.0, 7, 1, " 9999.0"},
      {0.0, 7, 1, "    0.0"},
      {0.5, 5, 3, "0.500"},
      {0.5, 4, 3, ".500"},  // no room for the zero before the point
      {0.5, 3, 3, "***"},
      {0.0, 4, 3, ".000"},
      {0.4, 2, 0, "0."},  // with no decimals the zero is the field's only digit
      {0.4, 1, 0, "*"},
      {-0.5, 6, 3, "-0.500"},
      {-0.5, 5, 3, "-.500"},
      {-0.4, 3, 0, "-0."},  // negative values rounding to zero keep their sign
      {-0.0001, 6, 3, "-0.000"},
      {-0.0, 6, 3, "-0.000"},
      {-0.0, 3, 0, "-0."},
      {-999.9, 6, 0, "-1000."},
      {-9999.9, 6, 0, "******"},
      {100.0, 6, 3, "******"},  // a mean square error of 100 under F6.3
      {1e300, 6, 0, "******"},
      {123.456, 1, 5, "*"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(format_fixed(c.value, c.width, c.decimals), c.expected)
        << c.value << " under F" << c.width << "." << c.decimals;
  }
}

TEST(FormatFixed, NotANumberAndInfinities) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const FixedCase cases[] = {
      {nan, 6, 0, "   NaN"},   {nan, 2, 0, "**"},         {-nan, 3, 1, "NaN"},
      {inf, 8, 1, "Infinity"}, {inf, 9, 1, " Infinity"},  {inf, 6, 0, "   Inf"},
      {inf, 2, 0, "**"},       {-inf, 9, 1, "-Infinity"}, {-inf, 8, 1, "    -Inf"},
      {-inf, 3, 0, "***"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(format_fixed(c.value, c.width, c.decimals), c.expected)
        << c.value << " under F" << c.width << "." << c.decimals;
  }
}

TEST(FormatText, RightAlignsOrCuts) {
  EXPECT_EQ(format_text("ap", 6), "    ap");
  EXPECT_EQ(format_text("abcdefgh", 3), "abc");
  EXPECT_EQ(format_text("abc", 3), "abc");
  EXPECT_EQ(format_text("", 2), "  ");
}

}  // namespace
}  // namespace velk
