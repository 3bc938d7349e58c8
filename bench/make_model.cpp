// bench_make_model: writes a synthetic model file and its covariance file of a
// chosen size, for timing the forecaster on models larger than the fitted ones.
//
//   bench_make_model OUT_PREFIX TERMS INPUTS MAX_LAG SEED
//
// INPUTS is a comma-separated list of input numbers (1..16). Each term is a
// product of one to three factors, each an input from the list at a lag in
// 0..MAX_LAG raised to the power 1 or 2, as fitted models are. The covariance
// matrix is symmetric with a dominant diagonal. The same arguments always
// give the same files.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/program_info.h"
#include "forecast/model/model_file.h"
#include "forecast/run/output_file.h"

namespace {

// A small generator of our own, so that every machine makes the same model.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)

 private:
  std::uint64_t state_;
};

int parse_int(const std::string& text, const char* what, int low, int high) {
  std::size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || value < low || value > high) {
    throw std::invalid_argument(std::string(what) + " must be an integer in " +
                                std::to_string(low) + ".." + std::to_string(high) + ", not '" +
                                text + "'");
  }
  return value;
}

std::vector<int> parse_inputs(const std::string& list) {
  std::vector<int> inputs;
  std::istringstream in(list);
  std::string item;
  while (std::getline(in, item, ',')) inputs.push_back(parse_int(item, "an input number", 1, 16));
  if (inputs.empty()) throw std::invalid_argument("no input numbers given");
  return inputs;
}

velk::forecast::Model make_model(int terms, const std::vector<int>& inputs, int max_lag,
                                 std::uint64_t seed) {
  SplitMix64 random(seed);
  velk::forecast::Model model;
  for (int j = 0; j < terms; ++j) {
    velk::forecast::Model::Term term;
    const int factors = 1 + random.below(3);
    for (int k = 0; k < factors; ++k) {
      velk::forecast::Model::Factor f;
      f.input = inputs[static_cast<std::size_t>(random.below(static_cast<int>(inputs.size())))];
      f.lag = random.below(max_lag + 1);
      f.power = random.below(4) == 0 ? 2 : 1;
      term.push_back(f);
    }
    model.terms.push_back(term);
    model.coefficients.push_back((random.unit() - 0.5) * 1e-3);
  }
  const std::size_t n = static_cast<std::size_t>(terms);
  model.covariance_matrix.assign(n * n, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    model.covariance_matrix[j * n + j] = 1e-6 * (1.0 + random.unit());
    for (std::size_t m = 0; m < j; ++m) {
      const double off = 1e-8 * (random.unit() - 0.5);
      model.covariance_matrix[j * n + m] = off;
      model.covariance_matrix[m * n + j] = off;
    }
  }
  return model;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: bench_make_model OUT_PREFIX TERMS INPUTS MAX_LAG SEED\n";
    return velk::kExitUsage;
  }
  try {
    const std::string prefix = argv[1];
    const int terms = parse_int(argv[2], "TERMS", 1, velk::forecast::kMaxTerms);
    const std::vector<int> inputs = parse_inputs(argv[3]);
    const int max_lag = parse_int(argv[4], "MAX_LAG", 0, 999);
    const int seed = parse_int(argv[5], "SEED", 0, 1 << 30);
    const velk::forecast::Model model =
        make_model(terms, inputs, max_lag, static_cast<std::uint64_t>(seed));
    velk::forecast::write_whole_file(prefix + ".res", velk::forecast::format_model_file(model),
                                     "the model file");
    velk::forecast::write_whole_file(prefix + ".cov", velk::forecast::format_covariance_file(model),
                                     "the covariance file");
  } catch (const std::exception& e) {
    std::cerr << "bench_make_model: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
