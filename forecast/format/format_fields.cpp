#include "forecast/format/format_fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace velk::forecast {
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

// Fixed notation of the magnitude with `decimals` decimals into `small`, or,
// for a number too long for it, into `large`. It rounds the exact value
// correctly, as printf does.
std::string_view fixed_text(double magnitude, int decimals, char (&small)[128],
                            std::string& large) {
  const std::to_chars_result r =
      std::to_chars(small, small + sizeof small, magnitude, std::chars_format::fixed, decimals);
  if (r.ec == std::errc()) return std::string_view(small, static_cast<std::size_t>(r.ptr - small));
  const int length = std::snprintf(nullptr, 0, "%.*f", decimals, magnitude);
  large.assign(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(&large[0], large.size(), "%.*f", decimals, magnitude);
  large.resize(static_cast<std::size_t>(length));
  return large;
}

// The magnitude with `decimals` decimals, rounded half away from zero on its
// exact binary value. Fixed notation sends exact ties to even; a tie has an
// exact expansion one decimal longer, ending in 5, so that one is written
// instead and rounded up by hand. (Nudging the tie a step up would not do:
// where a step of the double is wider than a decimal, it passes the next one.)
std::string_view rounded_decimal(double magnitude, int decimals, char (&small)[128],
                                 std::string& large) {
  if (!is_exact_tie(magnitude, decimals)) return fixed_text(magnitude, decimals, small, large);
  large = std::string(fixed_text(magnitude, decimals + 1, small, large));
  large.pop_back();                     // the 5
  if (decimals == 0) large.pop_back();  // and the point before it
  std::size_t i = large.size();
  for (; i > 0; --i) {
    char& c = large[i - 1];
    if (c == '.') continue;
    if (c != '9') {
      ++c;
      break;
    }
    c = '0';
  }
  if (i == 0) large.insert(0, 1, '1');
  return large;
}

constexpr std::uint64_t kPowersOfTen[] = {1, 10, 100, 1000};

// The common case of rounded_decimal, exactly and without a conversion: at
// most three decimals of a magnitude below 2^53. The magnitude is m * 2^e
// with an integer m below 2^53, so m * 10^d stays below 2^63, and shifting it
// right by -e with the bits shifted out compared against one half rounds it
// half away from zero. Returns false when the value is not of that kind.
bool round_short(double magnitude, int decimals, std::uint64_t& scaled) {
  if (decimals > 3 || !(magnitude < 9007199254740992.0)) return false;
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);  // the sign bit is clear
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  int e = -1074;  // subnormals and zero
  if (biased != 0) {
    m |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
  const std::uint64_t ten_d = kPowersOfTen[decimals];
  if (e >= 0) {
    scaled = (m << e) * ten_d;
    return true;
  }
  const std::uint64_t n = m * ten_d;
  const int shift = -e;
  if (shift >= 64) {  // below one half even when scaled
    scaled = 0;
    return true;
  }
  scaled = n >> shift;
  const std::uint64_t dropped = n & ((std::uint64_t{1} << shift) - 1);
  if (dropped >= std::uint64_t{1} << (shift - 1)) ++scaled;
  return true;
}

void append_non_finite(std::string& out, double value, int width) {
  if (std::isnan(value)) return append_right_aligned(out, "NaN", width);
  const std::string_view longer = value < 0 ? "-Infinity" : "Infinity";
  if (static_cast<int>(longer.size()) <= width) return append_right_aligned(out, longer, width);
  append_right_aligned(out, value < 0 ? "-Inf" : "Inf", width);
}

// A number's field built from its right end in a buffer on the stack and
// appended whole, right-aligned like every other field: a table's fields are
// short, and appending each at once costs far less than a character at a time.
class FieldFromRight {
 public:
  static constexpr std::size_t kRoom = 96;
  void put(char c) { *--begin_ = c; }
  // Puts the digits of `value`, at least `min_digits` of them; room for 20
  // digits and the zeros must be left.
  void put_digits(std::uint64_t value, std::size_t min_digits) {
    const char* const stop = begin_ - min_digits;
    do {
      put(static_cast<char>('0' + value % 10));
      value /= 10;
    } while (value != 0);
    while (begin_ > stop) put('0');
  }
  std::size_t size() const { return static_cast<std::size_t>(buffer_ + kRoom - begin_); }
  // Right-aligned in `width` columns, or asterisks when it does not fit.
  void append_to(std::string& out, int width) const {
    append_right_aligned(out, std::string_view(begin_, size()), width);
  }

 private:
  char buffer_[kRoom];
  char* begin_ = buffer_ + kRoom;
};

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
  const std::size_t zeros = min_digits > 0 ? static_cast<std::size_t>(min_digits) : 0;
  if (zeros + 24 > FieldFromRight::kRoom) {  // more leading zeros than the buffer holds
    std::string digits = std::to_string(magnitude);
    if (digits.size() < zeros) digits.insert(0, zeros - digits.size(), '0');
    return append_right_aligned(out, (negative ? "-" : "") + digits, width);
  }
  FieldFromRight field;
  if (!(magnitude == 0 && min_digits == 0)) field.put_digits(magnitude, zeros);
  if (negative) field.put('-');
  field.append_to(out, width);
}

void append_fixed(std::string& out, double value, int width, int decimals) {
  if (!std::isfinite(value)) return append_non_finite(out, value, width);
  decimals = std::max(decimals, 0);
  const bool negative = std::signbit(value);
  std::uint64_t scaled = 0;
  if (round_short(std::fabs(value), decimals, scaled)) {
    // The scaled integer's digits, the last `decimals` of them after the point.
    const auto d = static_cast<std::size_t>(decimals);
    const std::uint64_t ten_d = kPowersOfTen[d];
    FieldFromRight field;
    if (d > 0) field.put_digits(scaled % ten_d, d);
    field.put('.');
    const std::uint64_t whole = scaled / ten_d;
    if (whole != 0) field.put_digits(whole, 0);
    // A magnitude below one: the zero before the point is optional, except
    // that a field must hold at least one digit.
    if (whole == 0 &&
        (decimals == 0 || static_cast<int>(field.size() + (negative ? 1 : 0)) < width))
      field.put('0');
    if (negative) field.put('-');
    field.append_to(out, width);
    return;
  }

  char small[128];
  std::string large;
  const std::string_view rounded = rounded_decimal(std::fabs(value), decimals, small, large);
  const std::size_t point = rounded.find('.');
  std::string_view int_part = rounded.substr(0, point);
  const std::string_view frac_part =
      point == std::string_view::npos ? std::string_view() : rounded.substr(point + 1);
  int_part.remove_prefix(std::min(int_part.find_first_not_of('0'), int_part.size()));

  std::string body(negative ? "-" : "");
  body.append(int_part);
  body.push_back('.');
  body.append(frac_part);
  // A magnitude below one: the zero before the point is optional, except that
  // a field must hold at least one digit.
  if (int_part.empty() && (decimals == 0 || static_cast<int>(body.size()) < width))
    body.insert(negative ? 1 : 0, 1, '0');
  append_right_aligned(out, body, width);
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

}  // namespace velk::forecast
