// Fixed-column numeric fields as the formatted-input rules read them: blanks
// inside a field are ignored, an all-blank field is zero, a line shorter than
// the field reads as if padded with blanks, and a real field without a decimal
// point has an implied one before its last `decimals` digits. Exponents may be
// introduced by E or D (either case), or by a sign alone after the mantissa.
#pragma once

#include <string>
#include <string_view>

namespace velk::forecast {

// Outcome of one conversion; every value other than kOk is a read error whose
// number the read-error report prints.
enum class FieldStatus : int {
  kOk = 0,
  kBadCharacter = 1,  // a character that has no place in a field of this kind
  kOutOfRange = 2,    // an integer too large for 32 bits, or a real beyond double
};

// Columns are 1-based; the field is columns first_col .. first_col + width - 1.
FieldStatus read_int_field(std::string_view line, int first_col, int width, int& value);
FieldStatus read_real_field(std::string_view line, int first_col, int width, int decimals,
                            double& value);

// The integer right-aligned in `width` columns, or `width` asterisks when it
// does not fit, as the run's messages print their counters.
std::string write_int_field(int value, int width);

}  // namespace velk::forecast
