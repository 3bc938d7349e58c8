// How fresh a cycle's inputs and forecasts are, and whether they stopped
// advancing. Whether a newest row moved can only be told against the cycle
// before, so each cycle carries what it saw into its status.json and reads
// the previous cycle's back from there.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace velk::status {

// Seconds since the epoch of "YYYY-MM-DDTHH:MM[:SS]Z"; absent for any other text.
std::optional<long long> utc_seconds(const std::string& time);

// One item's freshness: {"newest": time or null, "age_hours", "unchanged_since",
// "unchanged_hours", "stale"}. `newest` empty means this cycle did not see the
// item (a failed cycle): the previous cycle's newest row is carried over, and
// still counts as not advancing. An item is stale once its newest row has not
// moved for `stale_hours`.
nlohmann::ordered_json freshness_of(const std::string& newest, const nlohmann::ordered_json& before,
                                    const std::string& cycle_time, double stale_hours);

}  // namespace velk::status
