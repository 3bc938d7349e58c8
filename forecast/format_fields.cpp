#include "forecast/format_fields.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace velk {
namespace {

std::string right_aligned(const std::string& body, int width) {
  if (width <= 0) return std::string();
  const auto w = static_cast<std::size_t>(width);
  if (body.size() > w) return std::string(w, '*');
  return std::string(w - body.size(), ' ') + body;
}

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
// exact binary value. printf already rounds the exact value correctly, only
// exact ties go to even there; nudging a tie one step outward sends it away
// from zero without touching any other value.
std::string rounded_decimal(double magnitude, int decimals) {
  if (is_exact_tie(magnitude, decimals)) {
    magnitude = std::nextafter(magnitude, std::numeric_limits<double>::infinity());
  }
  char small[64];
  const int length = std::snprintf(small, sizeof small, "%.*f", decimals, magnitude);
  if (length < static_cast<int>(sizeof small)) return std::string(small, length);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(&text[0], text.size(), "%.*f", decimals, magnitude);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::string non_finite(double value, int width) {
  if (std::isnan(value)) return right_aligned("NaN", width);
  const std::string sign = value < 0 ? "-" : "";
  const std::string longer = sign + "Infinity";
  if (static_cast<int>(longer.size()) <= width) return right_aligned(longer, width);
  return right_aligned(sign + "Inf", width);
}

}  // namespace

std::string format_integer(long long value, int width, int min_digits) {
  // Work on the magnitude as unsigned so the most negative value negates safely.
  const bool negative = value < 0;
  const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                : static_cast<unsigned long long>(value);
  std::string digits = (magnitude == 0 && min_digits == 0) ? "" : std::to_string(magnitude);
  if (min_digits > 0 && digits.size() < static_cast<std::size_t>(min_digits)) {
    digits.insert(0, static_cast<std::size_t>(min_digits) - digits.size(), '0');
  }
  return right_aligned((negative ? "-" : "") + digits, width);
}

std::string format_fixed(double value, int width, int decimals) {
  if (!std::isfinite(value)) return non_finite(value, width);
  decimals = std::max(decimals, 0);
  const std::string rounded = rounded_decimal(std::fabs(value), decimals);
  const std::size_t point = rounded.find('.');
  std::string int_part = rounded.substr(0, point);
  const std::string frac_part = point == std::string::npos ? "" : rounded.substr(point + 1);
  int_part.erase(0, std::min(int_part.find_first_not_of('0'), int_part.size()));

  const std::string sign = std::signbit(value) ? "-" : "";
  std::string body = sign + int_part + "." + frac_part;
  if (int_part.empty()) {
    // A magnitude below one: the zero before the point is optional, except
    // that a field must hold at least one digit.
    if (decimals == 0 || static_cast<int>(body.size()) < width) {
      body = sign + "0." + frac_part;
    }
  }
  return right_aligned(body, width);
}

std::string format_text(std::string_view text, int width) {
  if (width <= 0) return std::string();
  const auto w = static_cast<std::size_t>(width);
  if (text.size() >= w) return std::string(text.substr(0, w));
  return std::string(w - text.size(), ' ') + std::string(text);
}

}  // namespace velk
