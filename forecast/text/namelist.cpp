#include "forecast/text/namelist.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "forecast/text/trailing_blanks.h"

namespace velk::forecast {

NamelistError::NamelistError(int line, const std::string& problem)
    : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + problem : problem),
      line_(line),
      problem_(problem) {}

namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// A name or token as a message echoes it: cut, so that a runaway token in the
// file does not make a runaway message.
std::string shown(std::string_view token) {
  constexpr std::size_t kShownLength = 32;
  if (token.size() <= kShownLength) return std::string(token);
  return std::string(token.substr(0, kShownLength)) + "...";
}

bool is_name_start(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool is_name_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Walks the group's text, which is the rest of the header line followed by
// the later lines, each ended by '\n'. Tracks the line number for messages.
class GroupParser {
 public:
  GroupParser(std::string text, int first_line) : text_(std::move(text)), line_(first_line) {}

  std::vector<NamelistAssignment> parse() {
    std::vector<NamelistAssignment> assignments;
    for (;;) {
      skip_separators(/*commas_too=*/true);
      if (at_end()) throw NamelistError(line_, "the group has no closing \"/\"");
      const char c = peek();
      if (c == '/') return assignments;
      if (c == '&' || c == '$') {
        ++pos_;
        if (upper(read_name()) == "END") return assignments;
        throw NamelistError(line_, "\"" + std::string(1, c) + "\" inside the group");
      }
      if (!is_name_start(c)) {
        throw NamelistError(line_, "expected a variable name, found \"" + std::string(1, c) + "\"");
      }
      assignments.push_back(parse_assignment());
    }
  }

 private:
  bool at_end() const { return pos_ >= text_.size(); }
  char peek() const { return text_[pos_]; }

  void advance() {
    if (text_[pos_] == '\n') ++line_;
    ++pos_;
  }

  // Blanks, line ends and comments; commas too between assignments.
  void skip_separators(bool commas_too) {
    while (!at_end()) {
      const char c = peek();
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || (commas_too && c == ',')) {
        advance();
      } else if (c == '!') {
        while (!at_end() && peek() != '\n') ++pos_;
      } else {
        return;
      }
    }
  }

  std::string read_name() {
    std::string name;
    while (!at_end() && is_name_char(peek())) name.push_back(text_[pos_++]);
    return name;
  }

  NamelistAssignment parse_assignment() {
    NamelistAssignment a;
    a.line = line_;
    a.name = upper(read_name());
    skip_separators(false);
    if (!at_end() && peek() == '(') {
      ++pos_;
      skip_separators(false);
      std::string digits;
      while (!at_end() && (is_digit(peek()) || peek() == '+' || peek() == '-')) {
        digits.push_back(text_[pos_++]);
      }
      skip_separators(false);
      if (at_end() || peek() != ')' || digits.empty()) {
        throw NamelistError(line_, "unsupported subscript of " + shown(a.name));
      }
      ++pos_;
      char* end = nullptr;
      errno = 0;
      const long index = std::strtol(digits.c_str(), &end, 10);
      if (*end != '\0' || errno == ERANGE || index < 1 || index > INT_MAX) {
        throw NamelistError(line_, "subscript of " + shown(a.name) + " out of range");
      }
      a.first_index = static_cast<int>(index);
      skip_separators(false);
    }
    if (at_end() || peek() != '=') {
      throw NamelistError(line_, "expected \"=\" after " + shown(a.name));
    }
    ++pos_;
    parse_values(a);
    return a;
  }

  bool at_value_separator() const {
    if (at_end()) return true;
    const char c = peek();
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == '/' || c == '!';
  }

  void parse_values(NamelistAssignment& a) {
    for (;;) {
      skip_separators(false);
      if (at_end()) return;
      const char c = peek();
      if (c == ',') {  // a comma not preceded by a value: a null value
        ++pos_;
        a.values.emplace_back();
        continue;
      }
      if (c == '/' || c == '&' || c == '$' || is_name_start(c)) return;
      parse_item(a);
      if (!at_value_separator()) {
        throw NamelistError(line_, "unexpected \"" + std::string(1, peek()) +
                                       "\" in the values of " + shown(a.name));
      }
      // The comma that ends a value belongs to it.
      skip_separators(false);
      if (!at_end() && peek() == ',') ++pos_;
    }
  }

  // One constant, or r*constant, or r* (r null values).
  void parse_item(NamelistAssignment& a) {
    long repeat = 1;
    std::size_t digits_end = pos_;
    while (digits_end < text_.size() && is_digit(text_[digits_end])) ++digits_end;
    if (digits_end > pos_ && digits_end < text_.size() && text_[digits_end] == '*') {
      const std::string digits = text_.substr(pos_, digits_end - pos_);
      errno = 0;
      repeat = std::strtol(digits.c_str(), nullptr, 10);
      if (repeat < 1 || errno == ERANGE || repeat > kMaxRepeat) {
        throw NamelistError(line_, "repeat count " + shown(digits) +
                                       " out of range in the values of " + shown(a.name));
      }
      pos_ = digits_end + 1;
      if (at_value_separator()) {
        a.values.insert(a.values.end(), static_cast<std::size_t>(repeat), NamelistValue{});
        return;
      }
    }
    const NamelistValue value = parse_constant(a.name);
    a.values.insert(a.values.end(), static_cast<std::size_t>(repeat), value);
  }

  NamelistValue parse_constant(const std::string& name) {
    const char c = peek();
    if (c == '\'' || c == '"') return parse_text(c, name);
    const std::size_t start = pos_;
    while (!at_value_separator()) ++pos_;
    return parse_number(text_.substr(start, pos_ - start), name);
  }

  NamelistValue parse_text(char delimiter, const std::string& name) {
    const int start_line = line_;
    NamelistValue v;
    v.kind = NamelistValue::Kind::kText;
    ++pos_;
    for (;;) {
      if (at_end()) {
        throw NamelistError(start_line, "text in the values of " + shown(name) +
                                            " has no closing " +
                                            (delimiter == '\'' ? "apostrophe" : "quote"));
      }
      const char c = peek();
      if (c == '\n') {  // a text goes on in the next line; the line end is not part of it
        advance();
        continue;
      }
      if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
        ++pos_;  // nor is the CR of a CR LF line end
        continue;
      }
      ++pos_;
      if (c == delimiter) {
        if (!at_end() && peek() == delimiter) {
          v.text.push_back(delimiter);
          ++pos_;
          continue;
        }
        return v;
      }
      v.text.push_back(c);
    }
  }

  NamelistValue parse_number(const std::string& token, const std::string& name) {
    const auto bad = [&]() {
      return NamelistError(
          line_, "\"" + shown(token) + "\" is not a value (in the values of " + shown(name) + ")");
    };
    // Syntax: [sign] digits [. [digits]] | [sign] . digits, then [E|D [sign] digits].
    std::size_t pos = 0;
    std::string cleaned;
    if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) cleaned += token[pos++];
    std::size_t mantissa_digits = 0;
    while (pos < token.size() && is_digit(token[pos])) {
      cleaned += token[pos++];
      ++mantissa_digits;
    }
    bool is_integer = true;
    if (pos < token.size() && token[pos] == '.') {
      is_integer = false;
      cleaned += token[pos++];
      while (pos < token.size() && is_digit(token[pos])) {
        cleaned += token[pos++];
        ++mantissa_digits;
      }
    }
    if (mantissa_digits == 0) throw bad();
    if (pos < token.size()) {
      const char e = static_cast<char>(std::toupper(static_cast<unsigned char>(token[pos])));
      if (e != 'E' && e != 'D') throw bad();
      is_integer = false;
      cleaned += 'e';
      ++pos;
      if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) cleaned += token[pos++];
      std::size_t exponent_digits = 0;
      while (pos < token.size() && is_digit(token[pos])) {
        cleaned += token[pos++];
        ++exponent_digits;
      }
      if (exponent_digits == 0 || pos != token.size()) throw bad();
    }

    NamelistValue v;
    v.kind = is_integer ? NamelistValue::Kind::kInteger : NamelistValue::Kind::kReal;
    errno = 0;
    v.real = std::strtod(cleaned.c_str(), nullptr);
    if (std::isinf(v.real)) {
      throw NamelistError(
          line_, "\"" + shown(token) + "\" is too large (in the values of " + shown(name) + ")");
    }
    if (is_integer) {
      errno = 0;
      const long long n = std::strtoll(cleaned.c_str(), nullptr, 10);
      v.fits_integer = errno != ERANGE && n >= INT_MIN && n <= INT_MAX;
      v.integer = v.fits_integer ? static_cast<int>(n) : 0;
    }
    return v;
  }

  // Far beyond any array a group can fill; keeps a typo from exhausting memory.
  static constexpr long kMaxRepeat = 1000000;

  std::string text_;
  std::size_t pos_ = 0;
  int line_;
};

// The position just after "&" + group name in `line`, or npos.
std::size_t find_group_header(const std::string& line, const std::string& upper_group) {
  const std::string upper_line = upper(line);
  const std::string key = "&" + upper_group;
  for (std::size_t at = upper_line.find(key); at != std::string::npos;
       at = upper_line.find(key, at + 1)) {
    const std::size_t after = at + key.size();
    if (after == line.size() || !is_name_char(line[after])) return after;
  }
  return std::string::npos;
}

const char* kind_name(NamelistValue::Kind kind) {
  switch (kind) {
    case NamelistValue::Kind::kInteger:
      return "an integer";
    case NamelistValue::Kind::kReal:
      return "a real";
    case NamelistValue::Kind::kText:
      return "a text";
    case NamelistValue::Kind::kNull:
      break;
  }
  return "a null value";
}

}  // namespace

std::vector<NamelistAssignment> read_namelist_group(std::istream& in, std::string_view group) {
  const std::string upper_group = upper(group);
  std::string line;
  int line_number = 0;
  while (std::getline(in, line)) {
    ++line_number;
    const std::size_t after = find_group_header(line, upper_group);
    if (after == std::string::npos) continue;
    std::string text = line.substr(after) + "\n";
    while (std::getline(in, line)) text += line + "\n";
    return GroupParser(std::move(text), line_number).parse();
  }
  throw NamelistError(0, "no group &" + upper_group + " found");
}

void NamelistBinder::add(std::string_view name, NamelistValue::Kind kind, void* first, int count,
                         std::size_t max_length) {
  targets_.push_back(Target{upper(name), kind, first, count, max_length});
}

void NamelistBinder::bind(std::string_view name, int* first, int count) {
  add(name, NamelistValue::Kind::kInteger, first, count, 0);
}
void NamelistBinder::bind(std::string_view name, double* first, int count) {
  add(name, NamelistValue::Kind::kReal, first, count, 0);
}
void NamelistBinder::bind(std::string_view name, std::string* first, int count,
                          std::size_t max_length) {
  add(name, NamelistValue::Kind::kText, first, count, max_length);
}

NamelistBinder::Target* NamelistBinder::find(const std::string& upper_name) {
  for (Target& t : targets_) {
    if (t.name == upper_name) return &t;
  }
  return nullptr;
}

void NamelistBinder::assign(const std::vector<NamelistAssignment>& assignments) {
  for (const NamelistAssignment& a : assignments) {
    Target* target = find(a.name);
    if (target == nullptr) throw NamelistError(a.line, "unknown variable " + shown(a.name));
    if (a.first_index > target->count) {
      throw NamelistError(a.line, "subscript " + std::to_string(a.first_index) + " of " +
                                      shown(a.name) + " beyond its " +
                                      std::to_string(target->count) + " elements");
    }
    const std::size_t room = static_cast<std::size_t>(target->count - a.first_index + 1);
    if (a.values.size() > room) {
      throw NamelistError(a.line, std::to_string(a.values.size()) + " values for " + shown(a.name) +
                                      ", which has room for " + std::to_string(room));
    }
    std::size_t index = static_cast<std::size_t>(a.first_index - 1);
    for (const NamelistValue& v : a.values) {
      const std::size_t i = index++;
      if (v.kind == NamelistValue::Kind::kNull) continue;
      const bool numeric =
          v.kind == NamelistValue::Kind::kInteger || v.kind == NamelistValue::Kind::kReal;
      switch (target->kind) {
        case NamelistValue::Kind::kInteger:
          if (v.kind != NamelistValue::Kind::kInteger) break;
          if (!v.fits_integer) {
            throw NamelistError(a.line, "integer value of " + shown(a.name) + " out of range");
          }
          static_cast<int*>(target->first)[i] = v.integer;
          continue;
        case NamelistValue::Kind::kReal:
          if (!numeric) break;
          static_cast<double*>(target->first)[i] = v.real;
          continue;
        case NamelistValue::Kind::kText:
          if (v.kind != NamelistValue::Kind::kText) break;
          static_cast<std::string*>(target->first)[i] =
              without_trailing_blanks(v.text.substr(0, target->max_length));
          continue;
        case NamelistValue::Kind::kNull:
          break;
      }
      throw NamelistError(a.line, shown(a.name) + " takes " + kind_name(target->kind) + ", not " +
                                      kind_name(v.kind));
    }
    target->assigned = true;
  }
}

std::vector<std::string> NamelistBinder::unassigned() const {
  std::vector<std::string> names;
  for (const Target& t : targets_) {
    if (!t.assigned) names.push_back(t.name);
  }
  return names;
}

}  // namespace velk::forecast
