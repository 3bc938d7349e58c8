#include "forecast/format_fields.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velk {
namespace {

std::string right_aligned(const std::string& body, int width) {
  if (width <= 0) return std::string();
  const auto w = static_cast<std::size_t>(width);
  if (body.size() > w) return std::string(w, '*');
  return std::string(w - body.size(), ' ') + body;
}

// The exact decimal expansion of a finite, non-negative double: every double
// is a multiple of 2^-1074, so a finite number of fractional digits suffices,
// and glibc prints them exactly (no rounding happens when asking for at least
// that many). Asking for no more than the value needs keeps this cheap.
std::string exact_decimal(double magnitude, int min_fraction_digits) {
  int exponent = 0;
  std::frexp(magnitude, &exponent);
  const int needed = std::min(1074, std::max(0, 53 - exponent));
  const int fraction_digits = std::max(needed, min_fraction_digits);
  const int length = std::snprintf(nullptr, 0, "%.*f", fraction_digits, magnitude);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(&text[0], text.size(), "%.*f", fraction_digits, magnitude);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// Adds one unit in the last place of a string of decimal digits.
void increment_digits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
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
  const std::string exact = exact_decimal(std::fabs(value), decimals + 1);
  const std::size_t point = exact.find('.');
  const std::string whole = exact.substr(0, point);
  const std::string fraction = exact.substr(point + 1);

  // The digits kept, then half away from zero: with the expansion exact, the
  // first dropped digit alone decides (5 is a tie or above it, either way up).
  const auto kept_fraction = static_cast<std::size_t>(decimals);
  std::string digits = whole + fraction.substr(0, kept_fraction);
  if (fraction[kept_fraction] >= '5') increment_digits(digits);

  std::string int_part = digits.substr(0, digits.size() - kept_fraction);
  const std::string frac_part = digits.substr(digits.size() - kept_fraction);
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
