#include "forecast/model_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "forecast/run_end.h"
#include "scratch_files.h"

namespace velk {
namespace {

using testing::ScratchDir;

// A model line: the coefficient field as given (12 columns), 42 columns of
// filler, the factor count and the factor fields as given.
std::string model_line(const std::string& coefficient, const std::string& rest, char filler = ' ') {
  std::string line = "Term:" + coefficient;
  line.resize(17, ' ');
  line += std::string(42, filler);
  return line + rest;
}

RunEnd end_of(const std::function<void()>& action) {
  try {
    action();
  } catch (const RunEnd& end) {
    return end;
  }
  ADD_FAILURE() << "the run did not end";
  return RunEnd::message("NONE");
}

TEST(ModelFile, CoefficientFieldsFollowTheFormattedInputRules) {
  struct Case {
    const char* field;
    double value;
  } cases[] = {
      {"       12345", 0.012345},  // no decimal point: the last six digits are the fraction
      {"         1.5", 1.5},      {"  -2.5D-03  ", -0.0025}, {"0.123457D+01", 1.23457},
      {"-.123457D+01", -1.23457}, {"            ", 0.0},  // a blank field is zero
  };
  ScratchDir dir;
  std::string text;
  for (const Case& c : cases) text += model_line(c.field, "0") + "\n";
  const Model model = read_model_file(dir.write("m.res", text));
  ASSERT_EQ(model.nterm(), 6);
  for (std::size_t j = 0; j < 6; ++j) EXPECT_EQ(model.c[j], cases[j].value) << cases[j].field;
}

TEST(ModelFile, EveryLineIsATermAndFactorsFollowTheCount) {
  ScratchDir dir;
  const std::string text = model_line("1.0", "2 11   3 1 12 648 2 99 999 9") + "\n" +  // 3rd unread
                           "\n" +                               // blank: coefficient 0, no factor
                           model_line("2.0", "", 'x') + "\n" +  // filler columns may hold text
                           model_line("3.0", "1  0   0 0");     // last line without line feed
  const Model model = read_model_file(dir.write("m.res", text));
  ASSERT_EQ(model.nterm(), 4);
  ASSERT_EQ(model.terms[0].size(), 2u);
  EXPECT_EQ(model.terms[0][0].input, 11);
  EXPECT_EQ(model.terms[0][0].lag, 3);
  EXPECT_EQ(model.terms[0][0].power, 1);
  EXPECT_EQ(model.terms[0][1].input, 12);
  EXPECT_EQ(model.terms[0][1].lag, 648);
  EXPECT_EQ(model.terms[0][1].power, 2);
  EXPECT_EQ(model.c[1], 0.0);
  EXPECT_TRUE(model.terms[1].empty());
  EXPECT_TRUE(model.terms[2].empty());
  ASSERT_EQ(model.terms[3].size(), 1u);
  EXPECT_EQ(model.terms[3][0].input, 0);
}

TEST(ModelFile, EmptyFileHasNoTerms) {
  ScratchDir dir;
  EXPECT_EQ(read_model_file(dir.write("m.res", "")).nterm(), 0);
}

TEST(ModelFile, UnreadableFieldEndsTheRunWithItsLineNumber) {
  const struct Case {
    const char* name;
    std::string bad_line;
  } cases[] = {
      {"coefficient", model_line("1.0x", "0")},
      {"factor count", model_line("1.0", "a")},
      {"input number", model_line("1.0", "1  a   0 1")},
      {"lag", model_line("1.0", "1  1  1. 1")},
      {"power of the second factor", model_line("1.0", "2  1   0 1  2   0 p")},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string path =
        dir.write("m.res", model_line("1.0", "0") + "\n\n" + c.bad_line + "\n");
    const RunEnd end = end_of([&] { read_model_file(path); });
    EXPECT_EQ(end.kind(), RunEnd::Kind::kMessage) << c.name;
    EXPECT_EQ(end.text(), " ERROR READING MODEL AT LINE #   3\n") << c.name;
  }
}

TEST(ModelFile, MissingFilesEndTheRunAbnormallyNamingThem) {
  ScratchDir dir;
  const RunEnd end = end_of([&] { read_model_file(dir.file("absent.res")); });
  EXPECT_EQ(end.kind(), RunEnd::Kind::kAbnormal);
  EXPECT_NE(end.text().find("absent.res"), std::string::npos);

  // A directory opens like a file but cannot be read.
  std::filesystem::create_directory(dir.file("dir.res"));
  const RunEnd dir_end = end_of([&] { read_model_file(dir.file("dir.res")); });
  EXPECT_EQ(dir_end.kind(), RunEnd::Kind::kAbnormal);
  EXPECT_NE(dir_end.text().find("dir.res"), std::string::npos);

  // More terms than a covariance matrix can be held for.
  const RunEnd big_end =
      end_of([&] { read_model_file(dir.write("big.res", std::string(kMaxTerms + 1, '\n'))); });
  EXPECT_EQ(big_end.kind(), RunEnd::Kind::kAbnormal);

  Model model;
  model.c = {1.0};
  model.terms.resize(1);
  const RunEnd cov_end = end_of([&] { read_covariance_file(dir.file("absent.cov"), model); });
  EXPECT_EQ(cov_end.kind(), RunEnd::Kind::kAbnormal);
  EXPECT_NE(cov_end.text().find("absent.cov"), std::string::npos);
}

Model model_of_size(int n) {
  Model model;
  model.c.assign(static_cast<std::size_t>(n), 0.0);
  model.terms.resize(static_cast<std::size_t>(n));
  return model;
}

TEST(CovarianceFile, ShortLinesGiveZerosAndLongRowsContinue) {
  ScratchDir dir;
  Model three = model_of_size(3);
  read_covariance_file(dir.write("c.cov",
                                 "          1.5          2.5          3.5\n"
                                 "      -2.5D0\n"
                                 "\n"),
                       three);
  EXPECT_EQ(three.cov, (std::vector<double>{1.5, 2.5, 3.5, -2.5, 0, 0, 0, 0, 0}));

  // 1000 terms: every row takes two lines, 999 values and then one.
  Model big = model_of_size(1000);
  std::string text;
  for (int j = 1; j <= 1000; ++j) {
    text += std::string(998 * 13, ' ') + format_d_field(j, 13, 6) + "\n";
    text += format_d_field(-j, 13, 6) + "\n";
  }
  read_covariance_file(dir.write("big.cov", text), big);
  EXPECT_EQ(big.covariance(1, 999), 1.0);
  EXPECT_EQ(big.covariance(1, 1000), -1.0);
  EXPECT_EQ(big.covariance(1000, 999), 1000.0);
  EXPECT_EQ(big.covariance(1000, 1000), -1000.0);
  EXPECT_EQ(big.covariance(500, 1), 0.0);
}

TEST(CovarianceFile, UnreadableValueEndsTheRunWithRowAndColumn) {
  ScratchDir dir;
  Model model = model_of_size(3);
  const std::string path = dir.write("c.cov", "1\n          1.0          2.0      3.0.0\n1\n");
  const RunEnd end = end_of([&] { read_covariance_file(path, model); });
  EXPECT_EQ(end.kind(), RunEnd::Kind::kMessage);
  EXPECT_EQ(end.text(), " ERROR READING COVARIANCE MATRIX AT   2   3\n");
}

TEST(CovarianceFile, FewerLinesThanTermsEndTheRunAbnormally) {
  ScratchDir dir;
  Model model = model_of_size(3);
  const std::string path = dir.write("c.cov", "1\n2\n");
  const RunEnd end = end_of([&] { read_covariance_file(path, model); });
  EXPECT_EQ(end.kind(), RunEnd::Kind::kAbnormal);
  EXPECT_NE(end.text().find("c.cov"), std::string::npos);
}

TEST(DField, WritesTheFractionFormWithItsExponent) {
  const struct Case {
    double value;
    int width;
    const char* text;
  } cases[] = {
      {1.2345678, 12, "0.123457D+01"},
      {-1.2345678, 12, "-.123457D+01"},  // no room for the leading zero
      {-1.2345678, 13, "-0.123457D+01"},
      {0.0, 12, "0.000000D+00"},
      {1.0, 13, " 0.100000D+01"},
      {999999.5, 13, " 0.100000D+07"},  // rounding carries into the exponent
      {-2.5e-3, 13, "-0.250000D-02"},
      {1.0e-300, 13, " 0.100000-299"},  // three-digit exponents drop the letter
      {1.0e300, 12, "0.100000+301"},
      {1.0, 10, "**********"},
  };
  for (const Case& c : cases) EXPECT_EQ(format_d_field(c.value, c.width, 6), c.text) << c.value;
}

TEST(ModelFile, WrittenFilesReadBackToTheDigitsTheyCarry) {
  Model model = model_of_size(3);
  model.c = {-1234.5678, 0.000123456789, 7.0};
  model.terms[0] = {{9, 0, 1}, {6, 24, 1}};
  model.terms[1] = {{11, 648, 2}};
  model.terms[2] = {{0, 0, 0}, {16, 0, 1}, {13, 0, 1}, {14, 0, 1}, {15, 0, 1},
                    {1, 1, 1}, {2, 2, 2},  {3, 3, 3},  {4, 4, 4}};
  model.cov = {1.0, -2.0, 3.0, 4.5e-20, 5.0, -6.0e20, 7.0, 8.0, 9.0};

  ScratchDir dir;
  const std::string res = dir.write("m.res", format_model_file(model));
  const std::string cov = dir.write("m.cov", format_covariance_file(model));
  Model back = read_model_file(res);
  read_covariance_file(cov, back);

  EXPECT_EQ(back.c, (std::vector<double>{-1234.57, 0.000123457, 7.0}));
  ASSERT_EQ(back.terms.size(), 3u);
  for (std::size_t j = 0; j < 3; ++j) {
    ASSERT_EQ(back.terms[j].size(), model.terms[j].size());
    for (std::size_t k = 0; k < model.terms[j].size(); ++k) {
      EXPECT_EQ(back.terms[j][k].input, model.terms[j][k].input);
      EXPECT_EQ(back.terms[j][k].lag, model.terms[j][k].lag);
      EXPECT_EQ(back.terms[j][k].power, model.terms[j][k].power);
    }
  }
  EXPECT_EQ(back.cov, model.cov);
  EXPECT_EQ(format_model_file(back), format_model_file(model));
}

TEST(ModelFile, WriterRefusesTermsTheLayoutCannotHold) {
  Model model = model_of_size(1);
  model.terms[0] = {{100, 0, 1}};
  EXPECT_THROW(format_model_file(model), std::invalid_argument);
  model.terms[0] = {{1, 1000, 1}};
  EXPECT_THROW(format_model_file(model), std::invalid_argument);
  model.terms[0] = {{1, 0, -1}};
  EXPECT_THROW(format_model_file(model), std::invalid_argument);
  model.terms[0] = Model::Term(10, Model::Factor{1, 0, 1});
  EXPECT_THROW(format_model_file(model), std::invalid_argument);
  model.terms[0].clear();
  EXPECT_THROW(format_covariance_file(model), std::invalid_argument);  // no matrix
}

}  // namespace
}  // namespace velk
