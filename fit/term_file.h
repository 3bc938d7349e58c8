// Term files: the candidate terms of one model in plain text.
//
//   # comment (from "#" to the end of the line); blank lines are ignored
//   const                 the constant term (a term without factors)
//   12:0                  input 12 (ap) at the base row
//   9:0 6:0               V times Bz, both at the base row
//   9:2^2 1:2             V squared times Bt, both two rows before the base row
//   keep 11:0             "keep": always in the model, even under selection
//
// A factor is INPUT:LAG or INPUT:LAG^POWER: input 1..16 (an input the
// configuration uses, UFLAG non-zero), lag smallest_lag..LMAX(input) rows back
// from the base row, power 1..9 (default 1). Model i of a block forecasts its
// target row i rows ahead of the newest row it may read, which is target - i =
// base + LT - i: its smallest lag is i - LT, negative when i < LT. A term has at most nine factors;
// the same term (factors in any order) may appear only once.
#pragma once

#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

#include "forecast/model/model_file.h"
#include "forecast/run/configuration.h"

namespace velk::fit {

struct CandidateTerm {
  forecast::Model::Term factors;  // empty for the constant term
  bool keep = false;
  int line = 0;  // line of the term file, for messages
};

// A term file that cannot be used; what() is "NAME:LINE: problem".
class TermFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::vector<CandidateTerm> read_term_file(std::istream& in, const std::string& name,
                                          const forecast::Configuration& config, int smallest_lag);
std::vector<CandidateTerm> read_term_file(const std::string& path,
                                          const forecast::Configuration& config, int smallest_lag);

// The term in the notation above ("9:0 6:0", "const"), for summaries.
std::string describe_term(const forecast::Model::Term& factors);

}  // namespace velk::fit
