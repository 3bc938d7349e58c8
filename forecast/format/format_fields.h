// Single fixed-column output fields, as the I, F and A edit descriptors write
// them. A number that does not fit its width comes out as a row of asterisks
// of that width, never as a wider field, so the columns after it stay put.
#pragma once

#include <string>
#include <string_view>

namespace velk::forecast {

// Iw (min_digits < 0) or Iw.m: right-aligned, a leading '-' for negatives, at
// least m digits with leading zeros; Iw.0 of zero is all blanks.
std::string format_integer(long long value, int width, int min_digits = -1);

// Fw.d: rounded to `decimals` places, half away from zero as judged on the
// double's exact binary value (not printf's ties-to-even). The point is always
// written; a zero before it is written when the magnitude is below one and the
// width leaves room (and always when there would be no digit at all). A
// negative value, negative zero included, keeps its '-' even when it rounds to
// zero. NaN is written as "NaN", infinities as "Infinity" or "Inf" with '-'
// when negative, right-aligned; asterisks when even those do not fit.
std::string format_fixed(double value, int width, int decimals);

// Aw: right-aligned with leading blanks when shorter, its first w characters
// when longer.
std::string format_text(std::string_view text, int width);

// The same three, appended to `out`, so that a whole table can be laid out in
// one buffer without a string per field.
void append_integer(std::string& out, long long value, int width, int min_digits = -1);
void append_fixed(std::string& out, double value, int width, int decimals);
void append_text(std::string& out, std::string_view text, int width);

// `body` right-aligned in `width` columns with leading blanks, or `width`
// asterisks when it does not fit; nothing for a width below one. Every
// fixed-column number this program writes goes through it.
void append_right_aligned(std::string& out, std::string_view body, int width);
std::string right_aligned(std::string_view body, int width);

}  // namespace velk::forecast
