#include "fit/term_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace velk::fit {
namespace {

// Non-negative decimal number spanning all of `text`; false otherwise or when
// it exceeds `limit` (the value is then unusable anyway).
bool parse_count(const std::string& text, int limit, int& value) {
  if (text.empty() || text.size() > 6) return false;
  for (char ch : text)
    if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
  value = std::stoi(text);
  return value <= limit;
}

class LineParser {
 public:
  LineParser(const std::string& name, int line, const forecast::Configuration& config,
             int smallest_lag)
      : where_(name + ":" + std::to_string(line) + ": "),
        config_(config),
        smallest_lag_(smallest_lag) {}

  forecast::Model::Factor factor(const std::string& word) const {
    const std::size_t colon = word.find(':');
    if (colon == std::string::npos)
      fail("'" + word + "' is not a factor INPUT:LAG or INPUT:LAG^POWER");
    const std::size_t caret = word.find('^', colon);
    const std::string input_text = word.substr(0, colon);
    const std::string lag_text =
        word.substr(colon + 1, caret == std::string::npos ? std::string::npos : caret - colon - 1);
    const std::string power_text = caret == std::string::npos ? "1" : word.substr(caret + 1);

    forecast::Model::Factor f;
    if (!parse_count(input_text, 999, f.input) || f.input < 1 || f.input > forecast::kInputCount)
      fail("input '" + input_text + "' in '" + word + "' is not a number from 1 to 16");
    if (config_.UFLAG[static_cast<std::size_t>(f.input - 1)] == 0)
      fail("input " + input_text + " is not in use in the configuration (UFLAG(" + input_text +
           ") = 0)");
    const int lmax = config_.LMAX[static_cast<std::size_t>(f.input - 1)];
    // The model file holds a lag in three columns, sign included.
    const bool negative = !lag_text.empty() && lag_text[0] == '-';
    if (!parse_count(lag_text.substr(negative ? 1 : 0), negative ? 99 : 999, f.lag) || f.lag > lmax)
      fail("lag '" + lag_text + "' in '" + word + "' is not a number from " +
           std::to_string(std::min(smallest_lag_, 0)) + " to LMAX(" + input_text +
           ") = " + std::to_string(std::min(lmax, 999)));
    if (negative) f.lag = -f.lag;
    // A newer row than target - step would not yet be known when the forecast
    // for the target is made.
    if (f.lag < smallest_lag_)
      fail("lag " + lag_text + " in '" + word +
           "' reads newer rows than the lead step allows; the smallest allowed lag is " +
           std::to_string(smallest_lag_));
    if (!parse_count(power_text, 9, f.power) || f.power < 1)
      fail("power '" + power_text + "' in '" + word + "' is not a number from 1 to 9");
    return f;
  }

  [[noreturn]] void fail(const std::string& problem) const {
    throw TermFileError(where_ + problem);
  }

 private:
  std::string where_;
  const forecast::Configuration& config_;
  int smallest_lag_;
};

// Factors in a fixed order, so that "9:0 6:0" and "6:0 9:0" compare equal.
forecast::Model::Term canonical(forecast::Model::Term factors) {
  std::sort(factors.begin(), factors.end(),
            [](const forecast::Model::Factor& a, const forecast::Model::Factor& b) {
              if (a.input != b.input) return a.input < b.input;
              if (a.lag != b.lag) return a.lag < b.lag;
              return a.power < b.power;
            });
  return factors;
}

bool same_term(const forecast::Model::Term& a, const forecast::Model::Term& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (a[k].input != b[k].input || a[k].lag != b[k].lag || a[k].power != b[k].power) return false;
  return true;
}

}  // namespace

std::vector<CandidateTerm> read_term_file(std::istream& in, const std::string& name,
                                          const forecast::Configuration& config, int smallest_lag) {
  std::vector<CandidateTerm> terms;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    const std::size_t hash = text.find('#');
    if (hash != std::string::npos) text.erase(hash);
    std::istringstream words(text);
    std::vector<std::string> list;
    for (std::string w; words >> w;) list.push_back(w);
    if (list.empty()) continue;

    LineParser parser(name, line, config, smallest_lag);
    CandidateTerm term;
    term.line = line;
    std::size_t first = 0;
    if (list[0] == "keep") {
      term.keep = true;
      first = 1;
      if (list.size() == 1) parser.fail("'keep' without a term");
    }
    if (list[first] == "const") {
      if (list.size() > first + 1)
        parser.fail("'const' stands alone: it is the term without factors");
    } else {
      for (std::size_t k = first; k < list.size(); ++k)
        term.factors.push_back(parser.factor(list[k]));
      if (term.factors.size() > static_cast<std::size_t>(forecast::kMaxFactorsPerTerm))
        parser.fail("a term has at most " + std::to_string(forecast::kMaxFactorsPerTerm) +
                    " factors");
    }
    term.factors = canonical(term.factors);
    for (const CandidateTerm& earlier : terms)
      if (same_term(earlier.factors, term.factors))
        parser.fail("the term repeats the term of line " + std::to_string(earlier.line));
    terms.push_back(term);
  }
  if (in.bad()) throw TermFileError(name + ": read error");
  if (terms.empty()) throw TermFileError(name + ": no term given");
  bool any_factor = false;
  for (const CandidateTerm& t : terms) any_factor = any_factor || !t.factors.empty();
  // The forecaster gives the fill value for a model without any factor.
  if (!any_factor) throw TermFileError(name + ": every term is constant; a model needs a factor");
  return terms;
}

std::vector<CandidateTerm> read_term_file(const std::string& path,
                                          const forecast::Configuration& config, int smallest_lag) {
  std::ifstream in(path);
  if (!in) throw TermFileError(path + ": cannot open the term file");
  return read_term_file(in, path, config, smallest_lag);
}

std::string describe_term(const forecast::Model::Term& factors) {
  if (factors.empty()) return "const";
  std::string text;
  for (const forecast::Model::Factor& f : factors) {
    if (!text.empty()) text += ' ';
    text += std::to_string(f.input) + ":" + std::to_string(f.lag);
    if (f.power != 1) text += "^" + std::to_string(f.power);
  }
  return text;
}

}  // namespace velk::fit
