#include "fit/term_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace velk::fit {
namespace {

// Reads `text` with the ap variant's model block: inputs 1-9, 12 and 13-16 in
// use, lead step 1 of LT = 3, so lags from -2 on.
std::vector<CandidateTerm> parse(const std::string& text) {
  forecast::Configuration ap;
  ap.UFLAG = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1};
  ap.LMAX = {24, 24, 24, 24, 24, 24, 24, 24, 24, 648, 648, 648, 0, 0, 0, 0};
  std::istringstream in(text);
  return read_term_file(in, "ap.terms", ap, -2);
}

TEST(TermFile, ReadsFactorsKeepMarksAndComments) {
  std::string read;  // "[keep ]TERM@LINE" per term, factors in the order of their input
  for (const CandidateTerm& term : parse("# candidates\n"
                                         "keep const   # the constant\n"
                                         "\n"
                                         "12:0\n"
                                         "9:-2 6:2\n"
                                         "9:0^2 1:0\n"
                                         // Fault guarded: a lag of exactly LMAX refused.
                                         "12:648 13:0\n"))
    read += (term.keep ? "keep " : "") + describe_term(term.factors) + "@" +
            std::to_string(term.line) + ", ";
  EXPECT_EQ(read, "keep const@2, 12:0@4, 6:2 9:-2@5, 1:0 9:0^2@6, 12:648 13:0@7, ");
}

TEST(TermFile, MalformedFilesNameTheLineAndTheProblem) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"12:0\n9\n", "ap.terms:2: '9' is not a factor"},
      {"17:0\n", "ap.terms:1: input '17' in '17:0' is not a number from 1 to 16"},
      {"0:0\n", "input '0'"},
      {"10:0\n", "input 10 is not in use in the configuration (UFLAG(10) = 0)"},
      {"13:1\n", "lag '1' in '13:1' is not a number from -2 to LMAX(13) = 0"},
      // Guards against fitting a model on rows newer than its forecast may see.
      {"9:0\n12:-3\n",
       "ap.terms:2: lag -3 in '12:-3' reads newer rows than the lead step allows; the smallest "
       "allowed lag is -2"},
      {"9:--1\n", "lag '--1'"},
      {"12:649\n", "LMAX(12) = 648"},
      {"9:\n", "lag ''"},
      {"9:0^0\n", "power '0' in '9:0^0' is not a number from 1 to 9"},
      {"9:0^10\n", "power '10'"},
      {"9:0 6:0\n\n6:0 9:0\n", "ap.terms:3: the term repeats the term of line 1"},
      {"1:0 2:0 3:0 4:0 5:0 6:0 7:0 8:0 9:0 1:1\n", "at most 9 factors"},
      {"const 9:0\n", "'const' stands alone"},
      {"keep\n", "'keep' without a term"},
      {"# nothing\n\n", "ap.terms: no term given"},
      {"keep const\n", "every term is constant"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      parse(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const TermFileError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace velk::fit
