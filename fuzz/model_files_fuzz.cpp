// The model and covariance readers. The input holds a model file and its
// covariance file, separated by a kPartSeparator line. Every refusal must be
// a RunEnd, and a model that was read must write back to a text that reads
// back to the same model.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "forecast/format/run_end.h"
#include "forecast/model/model_file.h"
#include "fuzz/fuzz_input.h"

namespace {

// A model as written is the model file's canonical text: writing what was
// read back from it must change nothing.
void check_written_form_reads_back(const velk::forecast::Model& model) {
  std::string written;
  try {
    written = velk::forecast::format_model_file(model);
  } catch (const std::invalid_argument&) {
    return;  // a term the layout cannot hold; the reader may still take it
  }
  const std::string path = velk::fuzz::scratch().write("written.res", written);
  if (velk::forecast::format_model_file(velk::forecast::read_model_file(path)) != written)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& dir = velk::fuzz::scratch();
  const std::vector<std::string> parts =
      velk::fuzz::split_parts(velk::fuzz::as_text(data, size), 2);
  const std::string model_path = dir.write("model.res", parts[0]);
  const std::string covariance_path = dir.write("model.cov", parts[1]);
  try {
    velk::forecast::Model model = velk::forecast::read_model_file(model_path);
    check_written_form_reads_back(model);
    velk::forecast::check_covariance_file(covariance_path, model.term_count());
    velk::forecast::read_covariance_file(covariance_path, model);
    velk::forecast::format_covariance_file(model);
  } catch (const velk::forecast::RunEnd&) {
  }
  return 0;
}
