// A reader of one NAMELIST group in the ISO/IEC 1539 input notation, as the
// forecaster's configuration (and the fitter's parameter files) use it:
//
//   &GROUP  NAME = value, value ...  ARRAY(3) = 2*1.5  TEXT = 'it''s'  /
//
// Lines before the one holding "&" + group name are skipped; names match
// without regard to case; values are separated by commas, blanks or line
// ends; r*c repeats c r times and r* gives r null values; two commas in a row
// leave a null value (the element keeps what it held). Integers are optionally
// signed digit strings; reals carry a decimal point and/or an exponent
// introduced by E or D; texts are enclosed in apostrophes or quotes, a doubled
// delimiter standing for one, and may continue on the next line. "!" starts a
// comment outside texts. The group ends at "/" (or "&END").
//
// Reading is split in two: read_namelist_group() turns the text into a list of
// assignments without knowing the variables, and NamelistBinder stores them
// into typed variables, checking names, kinds and counts.
#pragma once

#include <cstddef>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velk::forecast {

// The longest text a value may hold: a file name of the configuration or of a
// gap file, a format, a name or a unit.
constexpr std::size_t kTextLength = 255;

// A group that cannot be read; line() is the 1-based line of the input where
// the problem was found (0 when it concerns the input as a whole).
class NamelistError : public std::runtime_error {
 public:
  NamelistError(int line, const std::string& problem);
  int line() const { return line_; }
  const std::string& problem() const { return problem_; }

 private:
  int line_;
  std::string problem_;
};

struct NamelistValue {
  enum class Kind { kNull, kInteger, kReal, kText };
  Kind kind = Kind::kNull;
  int integer = 0;           // kInteger whose digits fit 32 bits (see fits_integer)
  bool fits_integer = true;  // false for a kInteger too large for 32 bits
  double real = 0.0;         // kInteger and kReal: the nearest double of the decimal value
  std::string text;          // kText: delimiters removed, doubled delimiters undone
};

struct NamelistAssignment {
  std::string name;     // upper case, without subscript
  int first_index = 1;  // array element of the first value: i for NAME(i) = ..., else 1
  std::vector<NamelistValue> values;  // in order, repeats expanded
  int line = 0;                       // line of the name
};

// Reads the group named `group` (any case) from `in`. Throws NamelistError
// when no such group is found, or its text breaks the notation.
std::vector<NamelistAssignment> read_namelist_group(std::istream& in, std::string_view group);

// Typed targets for the assignments. Arrays are bound by their first element
// and element count; scalars are arrays of one. Texts are cut to max_length
// characters and stored without trailing blanks.
class NamelistBinder {
 public:
  void bind(std::string_view name, int* first, int count);
  void bind(std::string_view name, double* first, int count);
  void bind(std::string_view name, std::string* first, int count, std::size_t max_length = 255);

  // Stores every value in turn; throws NamelistError for an unknown variable,
  // a value of the wrong kind, or more values than the array holds.
  void assign(const std::vector<NamelistAssignment>& assignments);

  // Bound variables that no assignment named, in binding order (upper case).
  std::vector<std::string> unassigned() const;

 private:
  struct Target {
    std::string name;
    NamelistValue::Kind kind;
    void* first;
    int count;
    std::size_t max_length;
    bool assigned = false;
  };
  void add(std::string_view name, NamelistValue::Kind kind, void* first, int count,
           std::size_t max_length);
  Target* find(const std::string& upper_name);

  std::vector<Target> targets_;
};

}  // namespace velk::forecast
