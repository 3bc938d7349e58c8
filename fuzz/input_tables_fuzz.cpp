// The hourly table reader over its four input files. The input holds the
// ACE MAG, ACE SWEPAM, Kp and Dst files in that order, separated by
// kPartSeparator lines. Every refusal must be a RunEnd.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "forecast/format/run_end.h"
#include "forecast/model/hourly_table.h"
#include "forecast/run/configuration.h"
#include "forecast/run/input_tables.h"
#include "fuzz/fuzz_input.h"

namespace {

// The fill values of the production configurations.
const velk::forecast::FillValues kFill = {-999.9, -999.9,  -999.9,  -999.9, -999.9, -999.9,
                                          -1.e5,  -9999.9, -9999.9, 99.,    9999.,  0.,
                                          9.,     9.,      9.,      9.};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& dir = velk::fuzz::scratch();
  const std::vector<std::string> parts =
      velk::fuzz::split_parts(velk::fuzz::as_text(data, size), 4);
  const std::string mag = dir.write("ace-mag-rt.asc", parts[0]);
  const std::string swepam = dir.write("ace-swepam-rt.asc", parts[1]);
  const std::string kp = dir.write("kp-rt.asc", parts[2]);
  const std::string dst = dir.write("dst-rt.asc", parts[3]);
  try {
    // A lead time of 3 hours, as the ap and Kp blocks use.
    velk::forecast::HourlyTable table(
        velk::forecast::table_rows(3, velk::forecast::count_mag_records(mag)));
    std::ostringstream messages;
    velk::forecast::read_input_tables(table, kFill, {mag, swepam, kp, dst}, messages);
  } catch (const velk::forecast::RunEnd&) {
  }
  return 0;
}
