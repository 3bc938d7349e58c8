#include "forecast/model/model_file.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "tests/forecast/test_support.h"

namespace velk::forecast {
namespace {

using testing::abnormal_naming;
using testing::run_end_of;

// A model line: the coefficient field as given (12 columns), 42 columns of
// filler, the factor count and the factor fields as given.
std::string model_line(const std::string& coefficient, const std::string& rest, char filler = ' ') {
  std::string line = "Term:" + coefficient;
  line.resize(17, ' ');
  return line + std::string(42, filler) + rest;
}

Model model_of_size(std::size_t n) {
  return {std::vector<double>(n), std::vector<Model::Term>(n), {}};
}

// Input, lag and power of each factor of a term.
std::vector<std::array<int, 3>> factors(const Model::Term& term) {
  std::vector<std::array<int, 3>> out;
  for (const Model::Factor& f : term) out.push_back({f.input, f.lag, f.power});
  return out;
}

TEST(ModelFile, ReadsCoefficientsAndTheFactorsTheCountNames) {
  const std::pair<const char*, double> coefficients[] = {
      {"       12345", 0.012345},  // no decimal point: the last six digits are the fraction
      {"  -2.5D-03  ", -0.0025},
      {"            ", 0.0},  // a blank field is zero
  };
  std::string text;
  for (const auto& c : coefficients) text += model_line(c.first, "0") + "\n";
  text += model_line("1.0", "2 11   3 1 12 648 2 99 999 9") + "\n" +  // the third factor unread
          "\n" +                                                      // a term without factors
          model_line("2.0", "", 'x') + "\n" +  // filler columns may hold text
          model_line("3.0", "1  0   0 0");     // last line without line feed
  testing::ScratchDir dir;
  const Model model = read_model_file(dir.write("m.res", text));
  ASSERT_EQ(model.term_count(), 7);
  for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(model.coefficients[j], coefficients[j].second) << j;
  EXPECT_EQ(factors(model.terms[3]), (std::vector<std::array<int, 3>>{{11, 3, 1}, {12, 648, 2}}));
  EXPECT_EQ(model.coefficients[4], 0.0);
  EXPECT_TRUE(model.terms[4].empty());
  EXPECT_TRUE(model.terms[5].empty());
  EXPECT_EQ(factors(model.terms[6]), (std::vector<std::array<int, 3>>{{0, 0, 0}}));
}

// Fault guarded: a model file cut short (or holding nothing) read as a whole
// model with fewer terms or factors, its blank padding taken for fields, so
// that the cycle reported a wrong forecast, or none, as success.
TEST(ModelFile, OnlyWholeModelsAreRead) {
  const std::string whole = model_line("1.0", "0") + "\n";
  const std::string term = model_line("0.5", "2 11   1 1  9  24 2");
  const std::pair<std::string, const char*> cut[] = {
      {"", " MODEL FILE HOLDS NO TERM\n"},
      {whole + term.substr(0, 40),
       " INCOMPLETE TERM IN MODEL AT LINE #   2\n"},  // before the count
      {whole + term.substr(0, 70), " INCOMPLETE TERM IN MODEL AT LINE #   2\n"},  // in a factor
      {term.substr(0, 75) + "\n", " INCOMPLETE TERM IN MODEL AT LINE #   1\n"},   // count says two
      {"   \n" + whole + "     ", " INCOMPLETE TERM IN MODEL AT LINE #   3\n"},
  };
  testing::ScratchDir dir;
  for (const auto& [text, message] : cut)
    EXPECT_EQ(run_end_of([&] { read_model_file(dir.write("m.res", text)); }), message) << text;
}

// A bad coefficient, a missing model file and a short covariance file are
// end-to-end cases; these are the other ways a file can be unusable.
TEST(ModelFile, UnreadableFieldsAndUnusableFilesEndTheRun) {
  testing::ScratchDir dir;
  for (const char* bad : {"a", "1  1  1. 1", "2  1   0 1  2   0 p"}) {  // count, lag, second power
    const std::string path =
        dir.write("m.res", model_line("1.0", "0") + "\n\n" + model_line("1.0", bad) + "\n");
    EXPECT_EQ(run_end_of([&] { read_model_file(path); }), " ERROR READING MODEL AT LINE #   3\n");
  }
  std::filesystem::create_directory(dir.file("dir.res"));  // opens like a file, does not read
  for (const std::string& unusable : {dir.file("dir.res"), std::string("/dev/zero")})
    EXPECT_TRUE(abnormal_naming(run_end_of([&] { read_model_file(unusable); }), unusable));
  // More terms than a covariance matrix can be held for.
  const std::string big = dir.write("big.res", std::string(kMaxTerms + 1, '\n'));
  EXPECT_TRUE(abnormal_naming(run_end_of([&] { read_model_file(big); }), "big.res"));
  for (const std::string& unusable : {dir.file("absent.cov"), std::string("/dev/zero")})
    EXPECT_TRUE(abnormal_naming(run_end_of([&] { check_covariance_file(unusable, 3); }), unusable));
}

TEST(CovarianceFile, ShortLinesGiveZerosAndLongRowsContinue) {
  testing::ScratchDir dir;
  Model three = model_of_size(3);
  read_covariance_file(dir.write("c.cov", "          1.5          2.5          3.5\n-2.5D0\n\n"),
                       three);
  EXPECT_EQ(three.covariance_matrix, (std::vector<double>{1.5, 2.5, 3.5, -2.5, 0, 0, 0, 0, 0}));
  // How reading `text` ends, the same whether the matrix is kept or only checked.
  const auto end_of = [&](const std::string& text) {
    const std::string path = dir.write("c.cov", text);
    const std::string checked = run_end_of([&] { check_covariance_file(path, 3); });
    EXPECT_EQ(run_end_of([&] { read_covariance_file(path, three); }), checked) << text;
    return checked;
  };
  EXPECT_EQ(end_of("1\n          1.0          2.0      3.0.0\n1\n"),
            " ERROR READING COVARIANCE MATRIX AT   2   3\n");

  // Fault guarded: the matrix of a larger model (the model file cut at a line
  // end) was read in part and the model taken as whole. Blank lines after the
  // last row hold nothing and pass.
  const std::pair<const char*, const char*> mismatched[] = {
      {"1\n2\n3\n4\n", " COVARIANCE MATRIX DOES NOT MATCH MODEL AT LINE #   4\n"},
      {"1\n2\n          3.0          4.0          5.0          6.0\n",
       " COVARIANCE MATRIX DOES NOT MATCH MODEL AT LINE #   3\n"},
      {"1\n2\n3\n\n  \n", ""},
  };
  for (const auto& [text, message] : mismatched) EXPECT_EQ(end_of(text), message) << text;

  // 1000 terms: every row takes two lines, 999 values and then one.
  Model big = model_of_size(1000);
  std::string text;
  for (int j = 1; j <= 1000; ++j) {
    text += std::string(998 * 13, ' ') + format_d_field(j, 13, 6) + "\n" +
            format_d_field(-j, 13, 6) + "\n";
  }
  read_covariance_file(dir.write("big.cov", text), big);
  EXPECT_EQ((std::array<double, 5>{big.covariance(1, 999), big.covariance(1, 1000),
                                   big.covariance(1000, 999), big.covariance(1000, 1000),
                                   big.covariance(500, 1)}),
            (std::array<double, 5>{1, -1, 1000, -1000, 0}));
}

TEST(ModelFile, WritesDFieldsThatReadBackToTheDigitsTheyCarry) {
  const std::tuple<double, int, const char*> fields[] = {
      {-1.2345678, 12, "-.123457D+01"},  // no room for the leading zero
      {-1.2345678, 13, "-0.123457D+01"}, {0.0, 12, "0.000000D+00"},
      {999999.5, 13, " 0.100000D+07"},  // rounding carries into the exponent
      {1.0e-300, 13, " 0.100000-299"},  // three-digit exponents drop the letter
      {1.0, 10, "**********"},
  };
  for (const auto& [value, width, text] : fields) EXPECT_EQ(format_d_field(value, width, 6), text);

  Model model = model_of_size(3);
  model.coefficients = {-1234.5678, 0.000123456789, 7.0};
  model.terms[0] = {{9, 0, 1}, {6, 24, 1}};
  model.terms[1] = {{11, 648, 2}};
  model.terms[2] = {{0, 0, 0}, {16, 0, 1}, {13, 0, 1}, {14, 0, 1}, {15, 0, 1},
                    {1, 1, 1}, {2, 2, 2},  {3, 3, 3},  {4, 4, 4}};
  model.covariance_matrix = {1.0, -2.0, 3.0, 4.5e-20, 5.0, -6.0e20, 7.0, 8.0, 9.0};
  testing::ScratchDir dir;
  Model back = read_model_file(dir.write("m.res", format_model_file(model)));
  read_covariance_file(dir.write("m.cov", format_covariance_file(model)), back);
  EXPECT_EQ(back.coefficients, (std::vector<double>{-1234.57, 0.000123457, 7.0}));
  ASSERT_EQ(back.terms.size(), 3u);
  for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(factors(back.terms[j]), factors(model.terms[j]));
  EXPECT_EQ(back.covariance_matrix, model.covariance_matrix);
  EXPECT_EQ(format_model_file(back), format_model_file(model));

  // Terms the layout cannot hold are refused, not written into the next field.
  const Model::Term unwritable[] = {
      {{100, 0, 1}}, {{1, 1000, 1}}, {{1, 0, -1}}, Model::Term(10, Model::Factor{1, 0, 1})};
  for (const Model::Term& term : unwritable) {
    model.terms[0] = term;
    EXPECT_THROW(format_model_file(model), std::invalid_argument);
  }
  model.covariance_matrix.clear();
  EXPECT_THROW(format_covariance_file(model), std::invalid_argument);
}

}  // namespace
}  // namespace velk::forecast
