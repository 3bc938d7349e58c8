// velk_fit's term files, read against the ap block's inputs and lags. The
// first byte chooses the lead step's smallest lag (0 down to -7); the rest is
// the file. Every refusal must be a TermFileError.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "fit/term_file.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  velk::forecast::Configuration ap;
  ap.UFLAG = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1};
  ap.LMAX = {24, 24, 24, 24, 24, 24, 24, 24, 24, 648, 648, 648, 0, 0, 0, 0};
  const int smallest_lag = -(data[0] % 8);
  std::istringstream in(velk::fuzz::as_text(data + 1, size - 1));
  try {
    for (const auto& term : velk::fit::read_term_file(in, "fuzz.terms", ap, smallest_lag)) {
      velk::fit::describe_term(term.factors);
    }
  } catch (const velk::fit::TermFileError&) {
  }
  return 0;
}
