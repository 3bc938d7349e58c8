// Live verification: the service's own forecasts, kept as they were issued,
// scored against the observations that have arrived since.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "status/cycle_facts.h"

namespace velk_status {

// Adds this cycle's forecasts for hours still to come (each lead's `ahead`)
// to the ledger file, keeping the first issue of a lead and hour, drops what
// is older than the longest window, and scores every lead over the last 24 h,
// 7 days and 30 days before `cycle_time` against `observations`:
// {"cycle_time", "forecasts_kept", "windows": [{"hours", "leads": [{"lead",
// "n", "mae", "rmse", "skill"}]}]}. n counts the forecasts with an observation
// and a persistence value (the observation lead hours before); skill is
// 1 - MSE / MSE of persistence, null when that is 0 or n is. Throws
// std::runtime_error when the ledger cannot be written.
nlohmann::ordered_json live_verification(const std::string& ledger_path,
                                         const std::string& cycle_time,
                                         const std::vector<NewestForecast>& leads,
                                         const TimedValues& observations);

}  // namespace velk_status
