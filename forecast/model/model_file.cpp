#include "forecast/model/model_file.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "forecast/format/format_fields.h"
#include "forecast/format/message_line.h"
#include "forecast/format/run_end.h"
#include "forecast/text/fixed_field.h"
#include "forecast/text/text_record.h"

namespace velk::forecast {
namespace {

constexpr int kCoefficientColumn = 6;
constexpr int kCoefficientWidth = 12;
constexpr int kFactorCountColumn = 60;
constexpr int kFirstFactorColumn = 61;  // the blank before factor 1's input number
constexpr int kFactorWidth = 9;
constexpr int kCovarianceWidth = 13;
constexpr int kImpliedDecimals = 6;

bool read_term(const std::string& line, double& coefficient, Model::Term& term) {
  if (read_real_field(line, kCoefficientColumn, kCoefficientWidth, kImpliedDecimals, coefficient) !=
      FieldStatus::kOk)
    return false;
  int count = 0;
  if (read_int_field(line, kFactorCountColumn, 1, count) != FieldStatus::kOk) return false;
  term.clear();
  for (int k = 0; k < count; ++k) {
    const int col = kFirstFactorColumn + kFactorWidth * k;
    Model::Factor factor;
    if (read_int_field(line, col + 1, 2, factor.input) != FieldStatus::kOk ||
        read_int_field(line, col + 4, 3, factor.lag) != FieldStatus::kOk ||
        read_int_field(line, col + 8, 1, factor.power) != FieldStatus::kOk)
      return false;
    term.push_back(factor);
  }
  return true;
}

// Blank padding would read a line cut inside its fields as a whole term with
// fewer factors or none, so a line must reach the power of the last factor its
// count names. A last line without its line feed is what a file cut short
// ends in: it must reach the factor count too, as every written term does.
bool is_whole_term(const std::string& line, std::size_t factor_count, bool unterminated) {
  const std::size_t needed =
      factor_count > 0 || unterminated
          ? static_cast<std::size_t>(kFactorCountColumn) + kFactorWidth * factor_count
          : 0;
  return line.size() >= needed;
}

std::string right_aligned_int(int value, int width, int min_value, int max_value,
                              const char* what) {
  if (value < min_value || value > max_value)
    throw std::invalid_argument(std::string("model term: ") + what + " " + std::to_string(value) +
                                " does not fit its field");
  return right_aligned(std::to_string(value), width);
}

[[noreturn]] void covariance_mismatch(std::size_t line_number) {
  throw formatted_message(R"((1X,"COVARIANCE MATRIX DOES NOT MATCH MODEL AT LINE #",I4))",
                          {static_cast<int>(std::min<std::size_t>(line_number, INT_MAX))});
}

bool blank_from(const std::string& line, std::size_t column) {
  return column >= line.size() || line.find_first_not_of(" \t", column) == std::string::npos;
}

// Reads the n x n matrix line by line into `cov` (row-major), or only checks
// that every value reads when `cov` is null. A matrix with more rows or
// wider rows than the model has terms belongs to another model, or to this
// one before its file was cut: it is refused rather than read in part.
void read_covariance_values(const std::string& path, std::size_t n, double* cov) {
  RecordFile file(path, "the covariance file", kMaxCovarianceFileBytes);
  const std::size_t lines_per_row = n == 0 ? 0 : (n - 1) / kCovarianceValuesPerLine + 1;
  std::string line;
  std::size_t line_number = 0;
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t part = 0; part < lines_per_row; ++part) {
      if (!file.next(line)) {
        throw RunEnd::abnormal("velk_nrt: the covariance file " + path + " ends before row " +
                               std::to_string(j + 1) + " of " + std::to_string(n) + "\n");
      }
      ++line_number;
      const std::size_t first = part * kCovarianceValuesPerLine;
      const std::size_t last = std::min(n, first + kCovarianceValuesPerLine);
      for (std::size_t m = first; m < last; ++m) {
        const int col = static_cast<int>((m - first) * kCovarianceWidth) + 1;
        double value = 0.0;
        if (read_real_field(line, col, kCovarianceWidth, kImpliedDecimals, value) !=
            FieldStatus::kOk) {
          throw formatted_message(R"((1X,"ERROR READING COVARIANCE MATRIX AT",2I4))",
                                  {static_cast<int>(j + 1), static_cast<int>(m + 1)});
        }
        if (cov != nullptr) cov[j * n + m] = value;
      }
      if (!blank_from(line, (last - first) * kCovarianceWidth)) covariance_mismatch(line_number);
    }
  }
  while (file.next(line)) {
    ++line_number;
    if (!blank_from(line, 0)) covariance_mismatch(line_number);
  }
}

}  // namespace

Model read_model_file(const std::string& path) {
  // Every line-feed ends a line, and text after the last line-feed is one more line.
  RecordFile file(path, "the model file", kMaxModelFileBytes);
  std::vector<std::string> lines;
  bool last_line_fed = true;
  for (std::string line; file.next(line);) {
    if (lines.size() == static_cast<std::size_t>(kMaxTerms)) {
      throw RunEnd::abnormal("velk_nrt: the model file " + path + " has more than " +
                             std::to_string(kMaxTerms) +
                             " lines, the most terms a model may have\n");
    }
    lines.push_back(std::move(line));
    last_line_fed = file.line_fed();
  }
  // Its forecast would be the fill value on every row: no model at all.
  if (lines.empty()) throw RunEnd::message("MODEL FILE HOLDS NO TERM");
  Model model;
  model.coefficients.assign(lines.size(), 0.0);
  model.terms.assign(lines.size(), Model::Term());
  for (std::size_t j = 0; j < lines.size(); ++j) {
    const int line_number = static_cast<int>(j + 1);
    if (!read_term(lines[j], model.coefficients[j], model.terms[j])) {
      throw formatted_message(R"((1X,"ERROR READING MODEL AT LINE #",I4))", {line_number});
    }
    const bool unterminated = j + 1 == lines.size() && !last_line_fed;
    if (!is_whole_term(lines[j], model.terms[j].size(), unterminated)) {
      throw formatted_message(R"((1X,"INCOMPLETE TERM IN MODEL AT LINE #",I4))", {line_number});
    }
  }
  return model;
}

void read_covariance_file(const std::string& path, Model& model) {
  const std::size_t n = model.coefficients.size();
  model.covariance_matrix.assign(n * n, 0.0);
  read_covariance_values(path, n, model.covariance_matrix.data());
}

void check_covariance_file(const std::string& path, int term_count) {
  read_covariance_values(path, static_cast<std::size_t>(std::max(term_count, 0)), nullptr);
}

std::string format_d_field(double value, int width, int decimals) {
  const std::string stars(static_cast<std::size_t>(std::max(width, 0)), '*');
  if (!std::isfinite(value) || decimals < 1 || width < 1) return stars;

  std::string digits(static_cast<std::size_t>(decimals), '0');
  int exponent = 0;
  if (value != 0.0) {
    // d significant digits, correctly rounded from the binary value.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", decimals - 1, std::fabs(value));
    const std::string scientific(buffer);
    const std::size_t e = scientific.find('e');
    digits = scientific.substr(0, 1) + scientific.substr(2, e - 2);
    exponent = std::atoi(scientific.c_str() + e + 1) + 1;
  }

  std::string exponent_text;
  const int magnitude = std::abs(exponent);
  char buffer[16];
  if (magnitude <= 99) {
    std::snprintf(buffer, sizeof buffer, "D%c%02d", exponent < 0 ? '-' : '+', magnitude);
  } else if (magnitude <= 999) {
    std::snprintf(buffer, sizeof buffer, "%c%03d", exponent < 0 ? '-' : '+', magnitude);
  } else {
    return stars;
  }
  exponent_text = buffer;

  const std::string sign = std::signbit(value) ? "-" : "";
  std::string text = sign + "0." + digits + exponent_text;
  if (static_cast<int>(text.size()) > width) text = sign + "." + digits + exponent_text;
  return right_aligned(text, width);
}

std::string format_model_file(const Model& model) {
  if (model.terms.size() != model.coefficients.size())
    throw std::invalid_argument("model: the coefficient and term counts differ");
  std::ostringstream out;
  for (std::size_t j = 0; j < model.coefficients.size(); ++j) {
    const Model::Term& term = model.terms[j];
    if (term.size() > static_cast<std::size_t>(kMaxFactorsPerTerm))
      throw std::invalid_argument("model term " + std::to_string(j + 1) +
                                  " has more than nine factors");
    if (!std::isfinite(model.coefficients[j]))
      throw std::invalid_argument("model term " + std::to_string(j + 1) +
                                  " has a coefficient that is not a number");
    out << std::string(kCoefficientColumn - 1, ' ')
        << format_d_field(model.coefficients[j], kCoefficientWidth, kImpliedDecimals)
        << std::string(kFactorCountColumn - kCoefficientColumn - kCoefficientWidth, ' ')
        << term.size();
    for (const Model::Factor& f : term) {
      out << ' ' << right_aligned_int(f.input, 2, -9, 99, "input number") << ' '
          << right_aligned_int(f.lag, 3, -99, 999, "lag") << ' '
          << right_aligned_int(f.power, 1, 0, 9, "power");
    }
    out << '\n';
  }
  return out.str();
}

std::string format_covariance_file(const Model& model) {
  const std::size_t n = model.coefficients.size();
  if (model.covariance_matrix.size() != n * n)
    throw std::invalid_argument("covariance matrix: expected " + std::to_string(n) + " x " +
                                std::to_string(n) + " values");
  std::string text;
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t m = 0; m < n; ++m) {
      if (!std::isfinite(model.covariance_matrix[j * n + m]))
        throw std::invalid_argument("covariance matrix: value (" + std::to_string(j + 1) + "," +
                                    std::to_string(m + 1) + ") is not a number");
      if (m > 0 && m % kCovarianceValuesPerLine == 0) text += '\n';
      text +=
          format_d_field(model.covariance_matrix[j * n + m], kCovarianceWidth, kImpliedDecimals);
    }
    text += '\n';
  }
  return text;
}

}  // namespace velk::forecast
