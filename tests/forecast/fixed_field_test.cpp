#include "forecast/fixed_field.h"

#include <gtest/gtest.h>

#include <string>

namespace velk {
namespace {

struct IntCase {
  const char* line;
  int col, width;
  FieldStatus status;
  int value;
};

TEST(FixedFieldTest, ReadsIntegerFields) {
  const IntCase cases[] = {
      {"2009 03 01", 1, 4, FieldStatus::kOk, 2009},
      {"2009 03 01", 6, 2, FieldStatus::kOk, 3},
      {"    ", 1, 4, FieldStatus::kOk, 0},   // all blank reads as zero
      {"20", 1, 4, FieldStatus::kOk, 20},    // short line padded with blanks
      {"", 1, 4, FieldStatus::kOk, 0},       // empty line
      {"2009", 9, 2, FieldStatus::kOk, 0},   // field wholly past the line end
      {" 1 2", 1, 4, FieldStatus::kOk, 12},  // blanks inside are ignored
      {"  -7", 1, 4, FieldStatus::kOk, -7},
      {"+12", 1, 3, FieldStatus::kOk, 12},
      {"   -", 1, 4, FieldStatus::kBadCharacter, 0},  // a sign alone
      {"12a4", 1, 4, FieldStatus::kBadCharacter, 0},
      {"1.0", 1, 3, FieldStatus::kBadCharacter, 0},
      {"#---", 1, 4, FieldStatus::kBadCharacter, 0},
      {"2147483647", 1, 10, FieldStatus::kOk, 2147483647},
      {"-2147483648", 1, 11, FieldStatus::kOk, -2147483647 - 1},
      {"2147483648", 1, 10, FieldStatus::kOutOfRange, 0},
      {"99999999999999999999", 1, 20, FieldStatus::kOutOfRange, 0},
  };
  for (const IntCase& c : cases) {
    int value = -1;
    EXPECT_EQ(read_int_field(c.line, c.col, c.width, value), c.status) << c.line;
    if (c.status == FieldStatus::kOk) {
      EXPECT_EQ(value, c.value) << c.line;
    }
  }
}

struct RealCase {
  const char* field;
  int decimals;
  FieldStatus status;
  double value;
};

TEST(FixedFieldTest, ReadsRealFields) {
  const RealCase cases[] = {
      {"  -1.0", 1, FieldStatus::kOk, -1.0},
      {"   -10", 1, FieldStatus::kOk, -1.0},  // implied point before the last digit
      {"    25", 2, FieldStatus::kOk, 0.25},
      {"     5", 3, FieldStatus::kOk, 0.005},  // fewer digits than decimals
      {"   -5", 3, FieldStatus::kOk, -0.005},
      {"  12.", 1, FieldStatus::kOk, 12.0},  // a written point overrides the implied one
      {"   .5", 1, FieldStatus::kOk, 0.5},
      {"      ", 1, FieldStatus::kOk, 0.0},
      {"6.13e+04", 2, FieldStatus::kOk, 61300.0},
      {"1.00E+05", 2, FieldStatus::kOk, 100000.0},
      {"-1.00e+05", 2, FieldStatus::kOk, -100000.0},
      {"  613E2", 2, FieldStatus::kOk, 613.0},  // implied point also with an exponent
      {"1.5D3", 1, FieldStatus::kOk, 1500.0},
      {"1.5d-3", 1, FieldStatus::kOk, 0.0015},
      {"1.0-3", 1, FieldStatus::kOk, 0.001},  // exponent given by its sign alone
      {"2.5+2", 1, FieldStatus::kOk, 250.0},
      {"  4 3", 0, FieldStatus::kOk, 43.0},
      {"1e-400", 0, FieldStatus::kOk, 0.0},  // underflow rounds to zero
      {"1e400", 0, FieldStatus::kOutOfRange, 0.0},
      {".", 1, FieldStatus::kBadCharacter, 0.0},
      {"-", 1, FieldStatus::kBadCharacter, 0.0},
      {"1.5E", 1, FieldStatus::kBadCharacter, 0.0},
      {"1.5E+", 1, FieldStatus::kBadCharacter, 0.0},
      {"1.2.3", 1, FieldStatus::kBadCharacter, 0.0},
      {"12x", 1, FieldStatus::kBadCharacter, 0.0},
      {"nan", 1, FieldStatus::kBadCharacter, 0.0},
      {"inf", 1, FieldStatus::kBadCharacter, 0.0},
      {"0x1p3", 1, FieldStatus::kBadCharacter, 0.0},
  };
  for (const RealCase& c : cases) {
    const std::string line = std::string("ab") + c.field;
    double value = -7.0;
    EXPECT_EQ(read_real_field(line, 3, static_cast<int>(line.size()) - 2, c.decimals, value),
              c.status)
        << c.field;
    if (c.status == FieldStatus::kOk) {
      EXPECT_EQ(value, c.value) << c.field;
    }
  }
}

// Guards against converting with value / 10^d (or value * 0.1), which for
// long digit strings lands one unit off the nearest double.
TEST(FixedFieldTest, ImpliedDecimalsGiveTheNearestDouble) {
  double value = 0.0;
  ASSERT_EQ(read_real_field("9239164268605729673", 1, 19, 2, value), FieldStatus::kOk);
  EXPECT_EQ(value, 92391642686057296.73);
  ASSERT_EQ(read_real_field("   -9999", 1, 8, 1, value), FieldStatus::kOk);
  EXPECT_EQ(value, -999.9);
  ASSERT_EQ(read_real_field("  3", 1, 3, 1, value), FieldStatus::kOk);
  EXPECT_EQ(value, 0.3);
}

TEST(FixedFieldTest, WritesRightAlignedIntegersOrAsterisks) {
  EXPECT_EQ(write_int_field(5, 4), "   5");
  EXPECT_EQ(write_int_field(12, 2), "12");
  EXPECT_EQ(write_int_field(-5, 2), "-5");
  EXPECT_EQ(write_int_field(-10, 2), "**");
  EXPECT_EQ(write_int_field(100, 2), "**");
  EXPECT_EQ(write_int_field(12345678, 8), "12345678");
}

}  // namespace
}  // namespace velk
