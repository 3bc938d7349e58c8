#include "forecast/text/fixed_field.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace velk::forecast {
namespace {

constexpr FieldStatus kOk = FieldStatus::kOk, kBad = FieldStatus::kBadCharacter,
                      kRange = FieldStatus::kOutOfRange;

TEST(FixedField, ReadsIntegerFields) {
  // Blank fields and short lines read as zero (fields past the line end are
  // among the table reader's short records); blanks inside a field are
  // ignored; a sign alone is no number.
  const std::tuple<const char*, int, int, FieldStatus, int> cases[] = {
      {"2009 03 01", 6, 2, kOk, 3},
      {"    ", 1, 4, kOk, 0},
      {"20", 1, 4, kOk, 20},
      {" 1 2", 1, 4, kOk, 12},
      {"  -7", 1, 4, kOk, -7},
      {"   -", 1, 4, kBad, 0},
      {"1.0", 1, 3, kBad, 0},
      {"-2147483648", 1, 11, kOk, -2147483647 - 1},
      {"2147483648", 1, 10, kRange, 0},
      {"99999999999999999999", 1, 20, kRange, 0}};
  for (const auto& [line, col, width, status, expected] : cases) {
    int value = -1;
    EXPECT_EQ(read_int_field(line, col, width, value), status) << line;
    if (status == kOk) {
      EXPECT_EQ(value, expected) << line;
    }
  }
}

TEST(FixedField, ReadsRealFields) {
  // Without a written point the last `decimals` digits are the fraction, with
  // an exponent too; exponents may be given by E, D or their sign alone;
  // underflow rounds to zero. The last three guard against converting with
  // value / 10^d (or value * 0.1), which for long digit strings or -9999 with
  // one decimal lands one unit off the nearest double.
  const std::tuple<const char*, int, FieldStatus, double> cases[] = {
      {"   -10", 1, kOk, -1.0},
      {"   -5", 3, kOk, -0.005},
      {"   .5", 1, kOk, 0.5},
      {"6.13e+04", 2, kOk, 61300.0},
      {"  613E2", 2, kOk, 613.0},
      {"1.5d-3", 1, kOk, 0.0015},
      {"1.0-3", 1, kOk, 0.001},
      {"  4 3", 0, kOk, 43.0},
      {"1e-400", 0, kOk, 0.0},
      {"1e400", 0, kRange, 0.0},
      {".", 1, kBad, 0.0},
      {"1.5E+", 1, kBad, 0.0},
      {"nan", 1, kBad, 0.0},
      {"0x1p3", 1, kBad, 0.0},
      {"9239164268605729673", 2, kOk, 92391642686057296.73},
      {"   -9999", 1, kOk, -999.9},
      {"  3", 1, kOk, 0.3},
      // More than 15 digits, or a scale past 10^22, leave the exact shortcut
      // for the general conversion; both must give the nearest double.
      {"12345678901234567890", 0, kOk, 12345678901234567890.0},
      {"1.5e-25", 0, kOk, 1.5e-25},
      {"4.5e0023", 0, kOk, 4.5e23},
      {"-1.10e+05", 1, kOk, -110000.0}};
  for (const auto& [field, decimals, status, expected] : cases) {
    const std::string line = std::string("ab") + field;  // the field from column 3
    double value = -7.0;
    EXPECT_EQ(read_real_field(line, 3, static_cast<int>(line.size()) - 2, decimals, value), status)
        << field;
    if (status == kOk) {
      EXPECT_EQ(value, expected) << field;
    }
  }
}

}  // namespace
}  // namespace velk::forecast
