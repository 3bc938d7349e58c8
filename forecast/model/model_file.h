// Model files and their covariance files: one term per line of the model file,
// one matrix row per line (or per 999 values) of the covariance file.
//
// Model line layout, columns 1-based:
//   6-17 coefficient (D12.6), 60 factor count (I1), then per factor k = 1..count
//   starting at column 61 + 9(k-1): blank, input number (I2), blank, lag (I3),
//   blank, power (I1). Every other column is ignored.
// Covariance row j: values 1..NTERM in D13.6 fields, 999 fields per line.
//
// Readers end the run through RunEnd: an unreadable field is a message line
// (exit status 0), a missing file or a covariance file with too few lines an
// abnormal end. Only whole models are read: a model file without a term, a
// line that stops before the last factor its count names, a last line cut
// before its factor count, and a covariance file with more or wider rows than
// the model has terms are message lines too. Writers produce exactly these
// layouts, so that what they write reads back to the last digit it carries.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velk::forecast {

constexpr int kMaxFactorsPerTerm = 9;
constexpr int kCovarianceValuesPerLine = 999;
// The covariance matrix grows with the square of the terms; beyond this many
// it would not fit in memory, so such a model file is refused as unusable.
constexpr int kMaxTerms = 10000;

struct Model {
  struct Factor {
    int input = 0;  // 1..16; 0 marks an absent factor that is skipped
    int lag = 0;    // rows back from the base row
    int power = 0;  // integer exponent
  };
  using Term = std::vector<Factor>;  // at most kMaxFactorsPerTerm factors

  std::vector<double> coefficients;  // of each term
  std::vector<Term> terms;           // factors of each term, one per coefficient
  // term_count() x term_count(), row-major: value m of row j at (j - 1) *
  // term_count() + m - 1.
  std::vector<double> covariance_matrix;

  int term_count() const { return static_cast<int>(coefficients.size()); }
  // Element (j, m) of the covariance matrix, both 1-based.
  double covariance(int j, int m) const {
    return covariance_matrix[static_cast<std::size_t>(j - 1) * coefficients.size() +
                             static_cast<std::size_t>(m - 1)];
  }
};

// Reads the terms of a model file; every line is a term, blank ones included.
// Leaves the covariance matrix empty. A file of no line is refused; one of more than
// kMaxTerms lines ends the run abnormally.
Model read_model_file(const std::string& path);

// Reads the covariance matrix of the model's terms into model.covariance_matrix.
void read_covariance_file(const std::string& path, Model& model);
// Reads the matrix of a model of `term_count` terms with the same checks and
// messages, keeping nothing: a run that writes no standard error needs only
// to know the file is sound, and a large model's matrix would not fit in memory.
void check_covariance_file(const std::string& path, int term_count);

// The text of a model file / covariance file for `model`. Throws
// std::invalid_argument for a term the layout cannot hold (more than nine
// factors, an input, lag or power too wide for its field) or a covariance
// matrix of the wrong size.
std::string format_model_file(const Model& model);
std::string format_covariance_file(const Model& model);

// A real in the Dw.d output form (0.ddddddD+ee), right-aligned in w columns;
// w asterisks when it does not fit.
std::string format_d_field(double value, int width, int decimals);

}  // namespace velk::forecast
