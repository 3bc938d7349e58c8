// How a model bridges the gaps of the real-time solar wind. The real-time
// lists miss hours often, most of all in storms, and a model that reads three
// hours of the solar wind would fall silent for four hours after each missing
// one. A model file may therefore come with a gap file beside it, named like
// the model file with ".gap" for its extension (1101.res -> 1101.gap), which
// holds one namelist group:
//
//   &GAPS  CARRY = 2,  NMIN = 0.5,
//          FBRES = '1101-fb1.res', '1101-fb2.res',
//          FBCOV = '1101-fb1.cov', '1101-fb2.cov'  /
//
//   CARRY  a missing solar-wind value (inputs 1-9) is replaced by the newest
//          value of the CARRY hours before it (0..24; 0: none is carried);
//   NMIN   a proton density (input 8) below NMIN per cm3 counts as missing
//          (0: every density is taken); real-time densities of a few tenths
//          come from particle contamination, not from the solar wind;
//   FBRES, FBCOV  up to four fallback models with their covariance files,
//          tried in turn on a row where the models before them cannot be
//          evaluated.
//
// Screening and carrying apply to the model and its fallbacks alike, and
// velk_fit applies the same ones when it fits them. A model without a gap
// file is evaluated on the table as read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "forecast/model/hourly_table.h"

namespace velk::forecast {

constexpr int kMaxCarryHours = 24;
constexpr int kMaxFallbackModels = 4;

struct GapPolicy {
  int carry_hours = 0;
  double lowest_density = 0.0;
  std::vector<std::string> fallback_models;       // in the order they are tried
  std::vector<std::string> fallback_covariances;  // one for each fallback model
};

// The gap file that belongs to a model file: its name with the extension
// after the last dot of the file name replaced by "gap", or ".gap" added.
std::string gap_file_name(const std::string& model_file);

// The policy of the model file's gap file, or nothing when there is none.
// A gap file that cannot be read or parsed ends the run abnormally; values
// outside their ranges end it with a message line.
std::optional<GapPolicy> read_gap_policy(const std::string& model_file);
// The policy of the gap file at `path`, with the same checks.
GapPolicy read_gap_file(const std::string& path);

// The table a model with this policy reads: densities below the policy's
// lowest set to the fill value, then each missing solar-wind value carried
// from the newest of the carry_hours rows before it that holds one. Only
// values read from the files are carried, never carried ones again, so no
// value travels further than carry_hours.
HourlyTable bridged_table(const HourlyTable& table, const FillValues& uf, const GapPolicy& policy);

}  // namespace velk::forecast
