// Live verification: the service's own forecasts, kept as they were issued,
// scored against the observations that have arrived since.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "status/cycle_facts.h"
#include "status/forecast_product.h"

namespace velk::status {

// Adds this cycle's forecasts for hours still to come (each lead's `ahead`,
// with its intervals from `intervals` where the product has them) to the
// ledger file, keeping the first issue of a lead and hour, drops what is
// older than the longest window, and scores every lead over the last 24 h,
// 7 days and 30 days before `cycle_time` against `observations`:
// {"cycle_time", "forecasts_kept", "windows": [{"hours", "leads": [{"lead",
// "n", "mae", "rmse", "skill", "n_with_interval", "coverage_68",
// "coverage_95"}]}]}. n counts the forecasts with an observation and a
// persistence value (the observation lead hours before); skill is
// 1 - MSE / MSE of persistence, null when that is 0 or n is. The coverages
// are the shares of those n that were issued with intervals
// (n_with_interval) whose observation lies inside the interval, bounds
// included; null without such rows. Throws std::runtime_error when the
// ledger cannot be written.
nlohmann::ordered_json live_verification(const std::string& ledger_path,
                                         const std::string& cycle_time,
                                         const std::vector<NewestForecast>& leads,
                                         const TimedValues& observations,
                                         const LeadIntervals& intervals);

}  // namespace velk::status
