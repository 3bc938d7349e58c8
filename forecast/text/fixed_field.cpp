#include "forecast/text/fixed_field.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

#include "forecast/format/format_fields.h"

namespace velk::forecast {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The field's columns that the line holds; those past its end count as blanks.
std::string_view field_columns(std::string_view line, int first_col, int width) {
  if (first_col < 1 || width <= 0) return std::string_view();
  const std::size_t begin = static_cast<std::size_t>(first_col - 1);
  if (begin >= line.size()) return std::string_view();
  return line.substr(begin, static_cast<std::size_t>(width));
}

// The field's characters with its blanks skipped, read one at a time without
// copying them.
class FieldCursor {
 public:
  explicit FieldCursor(std::string_view field) : field_(field) { skip_blanks(); }
  bool done() const { return pos_ == field_.size(); }
  char peek() const { return field_[pos_]; }  // only when !done()
  char take() {
    const char c = field_[pos_++];
    skip_blanks();
    return c;
  }
  bool take_if(char c) {
    if (done() || peek() != c) return false;
    take();
    return true;
  }
  // The characters left, blanks included: a bound on what is still to come.
  std::size_t left() const { return field_.size() - pos_; }

 private:
  void skip_blanks() {
    while (pos_ < field_.size() && field_[pos_] == ' ') ++pos_;
  }
  std::string_view field_;
  std::size_t pos_ = 0;
};

// The number rewritten as "[-]digits[.digits][e[-]digits]" for the
// conversion. Short fields, all of the input files' fields among them, stay
// in the object itself.
class NumberText {
 public:
  explicit NumberText(std::size_t capacity) {
    if (capacity > sizeof small_) {
      large_ = std::make_unique<char[]>(capacity);
      text_ = large_.get();
    }
  }
  void push(char c) { text_[size_++] = c; }
  void push(char c, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) push(c);
  }
  char* begin() { return text_; }
  char* end() { return text_ + size_; }
  const char* c_str() {
    text_[size_] = '\0';
    return text_;
  }
  std::size_t size() const { return size_; }
  // Inserts `count` zeros before position `at`.
  void insert_zeros(std::size_t at, std::size_t count) {
    for (std::size_t i = size_; i > at; --i) text_[i - 1 + count] = text_[i - 1];
    for (std::size_t i = 0; i < count; ++i) text_[at + i] = '0';
    size_ += count;
  }
  // Inserts a point before position `at`.
  void insert_point(std::size_t at) {
    for (std::size_t i = size_; i > at; --i) text_[i] = text_[i - 1];
    text_[at] = '.';
    ++size_;
  }

 private:
  char small_[64];
  std::unique_ptr<char[]> large_;
  char* text_ = small_;
  std::size_t size_ = 0;
};

// The digits of a number as one integer, while it stays exact in a double.
struct Mantissa {
  static constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
  std::uint64_t value = 0;
  bool exact = true;

  void add(char digit) {
    if (!exact) return;
    value = value * 10 + static_cast<std::uint64_t>(digit - '0');
    exact = value <= kExactLimit;
  }
};

// Copies the digits at the cursor, also into `mantissa` when given; returns
// how many there were.
std::size_t take_digits(FieldCursor& field, NumberText& text, Mantissa* mantissa = nullptr) {
  std::size_t count = 0;
  while (!field.done() && is_digit(field.peek())) {
    const char c = field.take();
    text.push(c);
    if (mantissa != nullptr) mantissa->add(c);
    ++count;
  }
  return count;
}

// An exponent's digits as a number, capped well beyond any that gives a
// finite nonzero double.
int exponent_value(const char* digits, const char* end) {
  int value = 0;
  for (; digits != end; ++digits) value = std::min(value * 10 + (*digits - '0'), 100000);
  return value;
}

// m * 10^e for an exact m and |e| <= 22: 10^e is exact as well, so one
// multiplication or division rounds the exact decimal value once, to the
// same double that any correct conversion gives.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPower = 22;

// The usual real field, blanks around a sign and at most 15 digits with or
// without a point and perhaps an exponent (blanks only around the number),
// read in one pass and converted exactly as above. False for anything else,
// which the general reader takes.
bool read_plain_decimal(std::string_view field, int decimals, double& value) {
  const char* p = field.data();
  const char* const end = p + field.size();
  while (p != end && *p == ' ') ++p;
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  // Too many digits wrap the mantissa around, but then it is not used.
  std::uint64_t mantissa = 0;
  const char* const digits_begin = p;
  for (; p != end && is_digit(*p); ++p) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  long long fraction = -1;  // digits after the point; -1 without a point
  if (p != end && *p == '.') {
    const char* const fraction_begin = ++p;
    for (; p != end && is_digit(*p); ++p)
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    fraction = p - fraction_begin;
  }
  const long long digits = (p - digits_begin) - (fraction >= 0 ? 1 : 0);
  if (digits == 0 || digits > 15) return false;
  int exponent = 0;
  if (p != end && *p != ' ') {
    if (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd') ++p;
    bool negative_exponent = false;
    if (p != end && (*p == '+' || *p == '-')) negative_exponent = *p++ == '-';
    const char* const exponent_begin = p;
    for (; p != end && is_digit(*p) && p - exponent_begin < 3; ++p)
      exponent = exponent * 10 + (*p - '0');
    if (p == exponent_begin) return false;
    if (negative_exponent) exponent = -exponent;
  }
  while (p != end && *p == ' ') ++p;
  if (p != end) return false;
  const long long scale = exponent - (fraction >= 0 ? fraction : std::max(decimals, 0));
  if (scale < -kMaxExactPower || scale > kMaxExactPower) return false;
  const double m = static_cast<double>(mantissa);
  const double magnitude = scale < 0 ? m / kExactPowersOfTen[-scale] : m * kExactPowersOfTen[scale];
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

FieldStatus read_int_field(std::string_view line, int first_col, int width, int& value) {
  const std::string_view field = field_columns(line, first_col, width);
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  if (i == field.size()) {
    value = 0;
    return FieldStatus::kOk;
  }
  const bool negative = field[i] == '-';
  if (field[i] == '+' || field[i] == '-') ++i;
  bool any_digit = false;
  long long magnitude = 0;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (c == ' ') continue;
    if (!is_digit(c)) return FieldStatus::kBadCharacter;
    any_digit = true;
    magnitude = magnitude * 10 + (c - '0');
    // INT_MIN has one more unit of magnitude than INT_MAX.
    if (magnitude > static_cast<long long>(INT_MAX) + (negative ? 1 : 0)) {
      return FieldStatus::kOutOfRange;
    }
  }
  if (!any_digit) return FieldStatus::kBadCharacter;  // a sign alone
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return FieldStatus::kOk;
}

FieldStatus read_real_field(std::string_view line, int first_col, int width, int decimals,
                            double& value) {
  const std::string_view columns = field_columns(line, first_col, width);
  if (read_plain_decimal(columns, decimals, value)) return FieldStatus::kOk;
  FieldCursor field(columns);
  if (field.done()) {
    value = 0.0;
    return FieldStatus::kOk;
  }
  const std::size_t implied = decimals > 0 ? static_cast<std::size_t>(decimals) : 0;
  // Room for the field's characters, the zeros and point an implied decimal
  // point may add, a leading zero, the exponent letter and the terminator.
  NumberText text(field.left() + implied + 4);
  const bool negative = field.peek() == '-';
  if (negative) text.push('-');
  if (field.peek() == '+' || field.peek() == '-') field.take();

  Mantissa mantissa;
  const std::size_t integer_begin = text.size();
  const std::size_t integer_count = take_digits(field, text, &mantissa);
  std::size_t fraction_count = 0;
  const bool has_point = field.take_if('.');
  if (has_point) {
    text.push('.');
    fraction_count = take_digits(field, text, &mantissa);
  }
  if (integer_count == 0 && fraction_count == 0) return FieldStatus::kBadCharacter;

  // Without a decimal point the last `decimals` digits are the fraction. The
  // point is placed in the text so that the conversion below rounds the exact
  // decimal value once.
  if (!has_point && implied > 0) {
    if (integer_count < implied) text.insert_zeros(integer_begin, implied - integer_count);
    text.insert_point(text.size() - implied);
  }

  // Exponent: a letter E or D with an optional sign, or a sign alone.
  int exponent = 0;
  if (!field.done()) {
    const char c = field.take();
    text.push('e');
    char sign = '+';
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      if (!field.done() && (field.peek() == '+' || field.peek() == '-')) sign = field.take();
    } else if (c == '+' || c == '-') {
      sign = c;
    } else {
      return FieldStatus::kBadCharacter;
    }
    text.push(sign);
    const std::size_t digits_begin = text.size();
    if (take_digits(field, text) == 0) return FieldStatus::kBadCharacter;
    exponent = exponent_value(text.begin() + digits_begin, text.end());
    if (sign == '-') exponent = -exponent;
  }
  if (!field.done()) return FieldStatus::kBadCharacter;

  // Most fields hold few digits and a small scale: converted here at once.
  const long long scale = exponent - static_cast<long long>(has_point ? fraction_count : implied);
  if (mantissa.exact && scale >= -kMaxExactPower && scale <= kMaxExactPower) {
    const double m = static_cast<double>(mantissa.value);
    const double magnitude =
        scale < 0 ? m / kExactPowersOfTen[-scale] : m * kExactPowersOfTen[scale];
    value = negative ? -magnitude : magnitude;
    return FieldStatus::kOk;
  }

  // Otherwise from_chars, which rounds correctly as strtod does and neither
  // allocates nor consults the locale; what it declines (a result beyond the
  // range of double, either way) goes to strtod, which tells overflow from
  // underflow.
  double converted = 0.0;
  const std::from_chars_result fast = std::from_chars(text.begin(), text.end(), converted);
  if (fast.ec == std::errc() && fast.ptr == text.end()) {
    value = converted;
    return FieldStatus::kOk;
  }
  const char* const begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  converted = std::strtod(begin, &end);
  if (end != begin + text.size()) return FieldStatus::kBadCharacter;
  if (std::isinf(converted)) return FieldStatus::kOutOfRange;
  value = converted;  // an underflow gives the nearest subnormal or zero, as it should
  return FieldStatus::kOk;
}

std::string write_int_field(int value, int width) {
  return format_integer(value, width);
}

}  // namespace velk::forecast
