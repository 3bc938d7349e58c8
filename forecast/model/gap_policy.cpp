#include "forecast/model/gap_policy.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "forecast/format/run_end.h"
#include "forecast/text/file_name.h"
#include "forecast/text/namelist.h"
#include "forecast/text/text_record.h"

namespace velk::forecast {
namespace {

constexpr const char* kGapGroup = "GAPS";
constexpr int kFirstSolarWindInput = 1;
constexpr int kLastSolarWindInput = 9;
constexpr int kDensityInput = 8;
// A gap file is a few lines; anything larger is not one.
constexpr std::uint64_t kMaxGapFileBytes = std::uint64_t{64} << 10;

bool exists(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) return true;
  if (errno == ENOENT) return false;
  throw RunEnd::abnormal("velk_nrt: cannot look for gap file " + path + ": " +
                         std::strerror(errno) + "\n");
}

}  // namespace

GapPolicy read_gap_file(const std::string& path) {
  RecordFile file(path, "the gap file", kMaxGapFileBytes);
  std::string text;
  for (std::string line; file.next(line);) text += line + "\n";
  std::istringstream in(text);

  GapPolicy policy;
  std::string models[kMaxFallbackModels], covariances[kMaxFallbackModels];
  NamelistBinder binder;
  binder.bind("CARRY", &policy.carry_hours, 1);
  binder.bind("NMIN", &policy.lowest_density, 1);
  binder.bind("FBRES", models, kMaxFallbackModels, kTextLength);
  binder.bind("FBCOV", covariances, kMaxFallbackModels, kTextLength);
  try {
    binder.assign(read_namelist_group(in, kGapGroup));
  } catch (const NamelistError& e) {
    throw RunEnd::abnormal("velk_nrt: " + path + ": " + e.what() + "\n");
  }
  if (policy.carry_hours < 0 || policy.carry_hours > kMaxCarryHours)
    throw RunEnd::message("CARRY MUST BE WITHIN 0..24 IN GAP FILE " + path);
  if (!(policy.lowest_density >= 0.0))
    throw RunEnd::message("NMIN MUST BE 0 OR POSITIVE IN GAP FILE " + path);
  for (int k = 0; k < kMaxFallbackModels; ++k) {
    if (models[k].empty() != covariances[k].empty())
      throw RunEnd::message("FBRES AND FBCOV DO NOT PAIR UP IN GAP FILE " + path);
    if (models[k].empty()) continue;
    // Fallbacks are tried in order; a hole in the list is a mistake, not a wish.
    if (static_cast<int>(policy.fallback_models.size()) != k)
      throw RunEnd::message("FALLBACK MODELS MUST BE LISTED WITHOUT GAPS IN GAP FILE " + path);
    policy.fallback_models.push_back(models[k]);
    policy.fallback_covariances.push_back(covariances[k]);
  }
  return policy;
}

std::string gap_file_name(const std::string& model_file) {
  return with_extension(model_file, "gap");
}

std::optional<GapPolicy> read_gap_policy(const std::string& model_file) {
  const std::string path = gap_file_name(model_file);
  if (!exists(path)) return std::nullopt;
  return read_gap_file(path);
}

HourlyTable bridged_table(const HourlyTable& table, const FillValues& uf, const GapPolicy& policy) {
  HourlyTable bridged = table;
  const double density_fill = uf[kDensityInput - 1];
  if (policy.lowest_density > 0.0) {
    for (int t = 1; t <= bridged.row_count; ++t) {
      double& n = bridged.at(kDensityInput, t);
      if (n != density_fill && n < policy.lowest_density) n = density_fill;
    }
  }
  if (policy.carry_hours == 0) return bridged;
  const HourlyTable screened = bridged;  // carried only from values that were read
  for (int j = kFirstSolarWindInput; j <= kLastSolarWindInput; ++j) {
    const double fill = uf[static_cast<std::size_t>(j - 1)];
    int newest = 0;  // newest row holding a value read from the files
    for (int t = 1; t <= bridged.row_count; ++t) {
      if (screened.at(j, t) != fill) {
        newest = t;
      } else if (newest > 0 && t - newest <= policy.carry_hours) {
        bridged.at(j, t) = screened.at(j, newest);
      }
    }
  }
  return bridged;
}

}  // namespace velk::forecast
