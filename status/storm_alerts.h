// Storm levels that a cycle's forecasts reach, for status.json, the page and
// the cycle script's alert command.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "status/cycle_facts.h"

namespace velk::status {

// {"index", "level" (0: none reached), "label", "threshold", "forecasts": [
// {"lead", "valid_time", "value", "level", "label"}, ...]}: every forecast
// for an hour after the table's last observation (a lead's newest when it
// has none) that reaches a level. Kp (tenths) 50..90 and ap 48..400 are the
// G1..G5 levels; Dst -50, -100 and -200 nT levels 1..3. An index of another
// name reaches none.
nlohmann::ordered_json storm_alerts(const std::string& index_name,
                                    const std::vector<NewestForecast>& leads);

}  // namespace velk::status
