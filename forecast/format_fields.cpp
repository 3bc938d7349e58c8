#include "forecast/format_fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <system_error>

namespace velk {
namespace {

// True when the magnitude lies exactly halfway between two numbers of
// `decimals` decimals. Writing it as m * 2^e with m odd, twice the magnitude
// times 10^d is m * 5^d * 2^(e+d+1), an odd integer exactly when e = -(d+1).
bool is_exact_tie(double magnitude, int decimals) {
  if (magnitude == 0) return false;
  int exponent = 0;
  const double fraction = std::frexp(magnitude, &exponent);
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  exponent -= 53;
  while ((mantissa & 1U) == 0) {
    mantissa >>= 1;
    ++exponent;
  }
  return exponent == -(decimals + 1);
}

// The magnitude with `decimals` decimals, rounded half away from zero on its
// exact binary value, as a view into `small` or, for a number too long for it,
// into `large`. Fixed notation with a precision rounds the exact value
// correctly, as printf does; only exact ties go to even there, and nudging a
// tie one step outward sends it away from zero without touching any other
// value.
std::string_view rounded_decimal(double magnitude, int decimals, char (&small)[128],
                                 std::string& large) {
  if (is_exact_tie(magnitude, decimals)) {
    magnitude = std::nextafter(magnitude, std::numeric_limits<double>::infinity());
  }
  const std::to_chars_result r =
      std::to_chars(small, small + sizeof small, magnitude, std::chars_format::fixed, decimals);
  if (r.ec == std::errc()) return std::string_view(small, static_cast<std::size_t>(r.ptr - small));
  const int length = std::snprintf(nullptr, 0, "%.*f", decimals, magnitude);
  large.assign(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(&large[0], large.size(), "%.*f", decimals, magnitude);
  large.resize(static_cast<std::size_t>(length));
  return large;
}

void append_non_finite(std::string& out, double value, int width) {
  if (std::isnan(value)) return append_right_aligned(out, "NaN", width);
  const std::string_view longer = value < 0 ? "-Infinity" : "Infinity";
  if (static_cast<int>(longer.size()) <= width) return append_right_aligned(out, longer, width);
  append_right_aligned(out, value < 0 ? "-Inf" : "Inf", width);
}

template <typename Append>
std::string appended(Append append) {
  std::string out;
  append(out);
  return out;
}

}  // namespace

void append_right_aligned(std::string& out, std::string_view body, int width) {
  if (width <= 0) return;
  const auto w = static_cast<std::size_t>(width);
  if (body.size() > w) {
    out.append(w, '*');
    return;
  }
  out.append(w - body.size(), ' ');
  out.append(body);
}

std::string right_aligned(std::string_view body, int width) {
  return appended([&](std::string& out) { append_right_aligned(out, body, width); });
}

void append_integer(std::string& out, long long value, int width, int min_digits) {
  // Work on the magnitude as unsigned so the most negative value negates safely.
  const bool negative = value < 0;
  const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                : static_cast<unsigned long long>(value);
  // A sign, leading zeros up to min_digits, and the digits.
  const std::size_t zeros_room = min_digits > 0 ? static_cast<std::size_t>(min_digits) : 0;
  char small[64];
  std::string large;
  char* body = small;
  if (zeros_room + 24 > sizeof small) {
    large.assign(zeros_room + 24, '\0');
    body = &large[0];
  }
  char* digits = body + 1 + zeros_room;
  char* end = digits;
  if (!(magnitude == 0 && min_digits == 0)) end = std::to_chars(digits, digits + 21, magnitude).ptr;
  while (static_cast<std::size_t>(end - digits) < zeros_room) *--digits = '0';
  if (negative) *--digits = '-';
  append_right_aligned(out, std::string_view(digits, static_cast<std::size_t>(end - digits)),
                       width);
}

void append_fixed(std::string& out, double value, int width, int decimals) {
  if (!std::isfinite(value)) return append_non_finite(out, value, width);
  decimals = std::max(decimals, 0);
  char small[128];
  std::string large;
  const std::string_view rounded = rounded_decimal(std::fabs(value), decimals, small, large);
  const std::size_t point = rounded.find('.');
  std::string_view int_part = rounded.substr(0, point);
  const std::string_view frac_part =
      point == std::string_view::npos ? std::string_view() : rounded.substr(point + 1);
  int_part.remove_prefix(std::min(int_part.find_first_not_of('0'), int_part.size()));

  const bool negative = std::signbit(value);
  std::size_t length = (negative ? 1 : 0) + int_part.size() + 1 + frac_part.size();
  // A magnitude below one: the zero before the point is optional, except that
  // a field must hold at least one digit.
  const bool leading_zero = int_part.empty() && (decimals == 0 || static_cast<int>(length) < width);
  if (leading_zero) ++length;
  if (width <= 0) return;
  const auto w = static_cast<std::size_t>(width);
  if (length > w) {
    out.append(w, '*');
    return;
  }
  out.append(w - length, ' ');
  if (negative) out.push_back('-');
  if (leading_zero) out.push_back('0');
  out.append(int_part);
  out.push_back('.');
  out.append(frac_part);
}

void append_text(std::string& out, std::string_view text, int width) {
  if (width <= 0) return;
  const auto w = static_cast<std::size_t>(width);
  if (text.size() >= w) {
    out.append(text.substr(0, w));
    return;
  }
  out.append(w - text.size(), ' ');
  out.append(text);
}

std::string format_integer(long long value, int width, int min_digits) {
  return appended([&](std::string& out) { append_integer(out, value, width, min_digits); });
}

std::string format_fixed(double value, int width, int decimals) {
  return appended([&](std::string& out) { append_fixed(out, value, width, decimals); });
}

std::string format_text(std::string_view text, int width) {
  return appended([&](std::string& out) { append_text(out, text, width); });
}

}  // namespace velk
