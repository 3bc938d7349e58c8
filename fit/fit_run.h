// One run of velk_fit: read the configurations (one per stretch of history),
// build each stretch's hourly table with the forecaster's reader, form the
// regression rows of the requested lead step, optionally select terms, solve,
// and write the model and covariance files with a short summary.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velk::fit {

struct FitRequest {
  int step = 0;                             // lead step i, 1..LT/DT(KY)
  std::string term_file;                    // candidate terms
  int max_terms = 0;                        // > 0: forward selection of at most this many terms
  std::string model_path;                   // empty: FNRES(i) of the first configuration
  std::string covariance_path;              // empty: FNCOV(i) of the first configuration
  std::vector<std::string> configurations;  // at least one; all must share the model block
  std::string gap_file;                     // non-empty: screen and carry as this gap file says
};

// Exit status: 0 when both files were written, 1 when the fit could not be
// made (the reason goes to `err`, nothing is written).
int run_fit(const FitRequest& request, std::ostream& out, std::ostream& err);

}  // namespace velk::fit
