#include "forecast/fixed_field.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

#include "forecast/format_fields.h"

namespace velk {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The field's characters with its blanks skipped, read one at a time without
// copying them; columns past the end of the line count as blanks.
class FieldCursor {
 public:
  FieldCursor(std::string_view line, int first_col, int width) {
    if (first_col < 1 || width <= 0) return;
    const std::size_t begin = static_cast<std::size_t>(first_col - 1);
    if (begin >= line.size()) return;
    field_ = line.substr(begin, static_cast<std::size_t>(width));
    skip_blanks();
  }
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

// Copies the digits at the cursor; returns how many there were.
std::size_t take_digits(FieldCursor& field, NumberText& text) {
  std::size_t count = 0;
  while (!field.done() && is_digit(field.peek())) {
    text.push(field.take());
    ++count;
  }
  return count;
}

}  // namespace

FieldStatus read_int_field(std::string_view line, int first_col, int width, int& value) {
  FieldCursor field(line, first_col, width);
  if (field.done()) {
    value = 0;
    return FieldStatus::kOk;
  }
  const bool negative = field.peek() == '-';
  if (field.peek() == '+' || field.peek() == '-') field.take();
  if (field.done()) return FieldStatus::kBadCharacter;  // a sign alone
  long long magnitude = 0;
  while (!field.done()) {
    const char c = field.take();
    if (!is_digit(c)) return FieldStatus::kBadCharacter;
    magnitude = magnitude * 10 + (c - '0');
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
  FieldCursor field(line, first_col, width);
  if (field.done()) {
    value = 0.0;
    return FieldStatus::kOk;
  }
  const std::size_t implied = decimals > 0 ? static_cast<std::size_t>(decimals) : 0;
  // Room for the field's characters, the zeros and point an implied decimal
  // point may add, a leading zero, the exponent letter and the terminator.
  NumberText text(field.left() + implied + 4);
  if (field.peek() == '-') text.push('-');
  if (field.peek() == '+' || field.peek() == '-') field.take();

  const std::size_t integer_begin = text.size();
  const std::size_t integer_count = take_digits(field, text);
  std::size_t fraction_count = 0;
  const bool has_point = field.take_if('.');
  if (has_point) {
    text.push('.');
    fraction_count = take_digits(field, text);
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
  if (!field.done()) {
    const char c = field.take();
    text.push('e');
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      if (!field.done() && (field.peek() == '+' || field.peek() == '-')) text.push(field.take());
    } else if (c == '+' || c == '-') {
      text.push(c);
    } else {
      return FieldStatus::kBadCharacter;
    }
    if (take_digits(field, text) == 0) return FieldStatus::kBadCharacter;
  }
  if (!field.done()) return FieldStatus::kBadCharacter;

  // from_chars rounds correctly, as strtod does, and neither allocates nor
  // consults the locale; what it declines (a result beyond the range of
  // double, either way) goes to strtod, which tells overflow from underflow.
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

}  // namespace velk
