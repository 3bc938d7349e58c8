#include "forecast/fixed_field.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace velk {
namespace {

// The field's characters with its blanks dropped; columns past the end of the
// line count as blanks.
std::string field_without_blanks(std::string_view line, int first_col, int width) {
  std::string kept;
  if (first_col < 1 || width <= 0) return kept;
  const std::size_t begin = static_cast<std::size_t>(first_col - 1);
  if (begin >= line.size()) return kept;
  const std::string_view field = line.substr(begin, static_cast<std::size_t>(width));
  for (const char c : field) {
    if (c != ' ') kept.push_back(c);
  }
  return kept;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Appends the digits starting at `pos`, returning the position after them.
std::size_t take_digits(const std::string& s, std::size_t pos, std::string& digits) {
  while (pos < s.size() && is_digit(s[pos])) digits.push_back(s[pos++]);
  return pos;
}

}  // namespace

FieldStatus read_int_field(std::string_view line, int first_col, int width, int& value) {
  const std::string s = field_without_blanks(line, first_col, width);
  if (s.empty()) {
    value = 0;
    return FieldStatus::kOk;
  }
  std::size_t pos = 0;
  const bool negative = s[0] == '-';
  if (s[0] == '+' || s[0] == '-') ++pos;
  if (pos == s.size()) return FieldStatus::kBadCharacter;  // a sign alone
  long long magnitude = 0;
  for (; pos < s.size(); ++pos) {
    if (!is_digit(s[pos])) return FieldStatus::kBadCharacter;
    magnitude = magnitude * 10 + (s[pos] - '0');
    // INT_MIN has one more unit of magnitude than INT_MAX.
    if (magnitude > static_cast<long long>(INT_MAX) + (negative ? 1 : 0)) {
      return FieldStatus::kOutOfRange;
    }
  }
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return FieldStatus::kOk;
}

FieldStatus read_real_field(std::string_view line, int first_col, int width, int decimals,
                            double& value) {
  const std::string s = field_without_blanks(line, first_col, width);
  if (s.empty()) {
    value = 0.0;
    return FieldStatus::kOk;
  }
  std::size_t pos = 0;
  std::string sign;
  if (s[pos] == '+' || s[pos] == '-') sign = s[pos++];

  std::string integer_digits, fraction_digits;
  pos = take_digits(s, pos, integer_digits);
  bool has_point = false;
  if (pos < s.size() && s[pos] == '.') {
    has_point = true;
    pos = take_digits(s, pos + 1, fraction_digits);
  }
  if (integer_digits.empty() && fraction_digits.empty()) return FieldStatus::kBadCharacter;

  // Exponent: a letter E or D with an optional sign, or a sign alone.
  std::string exponent;
  if (pos < s.size()) {
    const char c = s[pos];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++pos;
      if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) exponent.push_back(s[pos++]);
    } else if (c == '+' || c == '-') {
      exponent.push_back(s[pos++]);
    } else {
      return FieldStatus::kBadCharacter;
    }
    std::string exponent_digits;
    pos = take_digits(s, pos, exponent_digits);
    if (exponent_digits.empty()) return FieldStatus::kBadCharacter;
    exponent += exponent_digits;
  }
  if (pos != s.size()) return FieldStatus::kBadCharacter;

  // Without a decimal point the last `decimals` digits are the fraction. The
  // point is placed in the text so that the conversion below rounds the exact
  // decimal value once.
  if (!has_point && decimals > 0) {
    std::string digits = integer_digits;
    const std::size_t d = static_cast<std::size_t>(decimals);
    if (digits.size() < d) digits.insert(0, d - digits.size(), '0');
    integer_digits = digits.substr(0, digits.size() - d);
    fraction_digits = digits.substr(digits.size() - d);
  }
  std::string cleaned = sign + (integer_digits.empty() ? "0" : integer_digits);
  if (!fraction_digits.empty()) cleaned += "." + fraction_digits;
  if (!exponent.empty()) cleaned += "e" + exponent;

  errno = 0;
  char* end = nullptr;
  const double converted = std::strtod(cleaned.c_str(), &end);
  if (end != cleaned.c_str() + cleaned.size()) return FieldStatus::kBadCharacter;
  if (std::isinf(converted)) return FieldStatus::kOutOfRange;
  value = converted;  // an underflow gives the nearest subnormal or zero, as it should
  return FieldStatus::kOk;
}

std::string write_int_field(int value, int width) {
  const std::string digits = std::to_string(value);
  const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
  if (digits.size() > w) return std::string(w, '*');
  return std::string(w - digits.size(), ' ') + digits;
}

}  // namespace velk
