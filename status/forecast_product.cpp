#include "status/forecast_product.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "common/whole_file.h"
#include "status/freshness.h"

namespace velk::status {

namespace {

bool read_pair(const nlohmann::json& interval, double& low, double& high) {
  if (!interval.is_array() || interval.size() != 2 || !interval[0].is_number() ||
      !interval[1].is_number()) {
    return false;
  }
  low = interval[0].get<double>();
  high = interval[1].get<double>();
  return low <= high;
}

}  // namespace

LeadIntervals read_product_intervals(const std::string& path) {
  std::string text;
  if (!velk::read_whole_file(path, velk::kMaxTextBytes, text)) {
    throw std::runtime_error("cannot read " + path + ": not a readable regular file of at most " +
                             std::to_string(velk::kMaxTextBytes) + " bytes");
  }
  const auto product = nlohmann::json::parse(text, nullptr, false);
  if (!product.is_object() || !product.contains("leads") || !product["leads"].is_array() ||
      !product.contains("rows") || !product["rows"].is_array()) {
    throw std::runtime_error(path + " is not a forecast product (no leads and rows)");
  }
  LeadIntervals leads(product["leads"].size());
  for (const auto& row : product["rows"]) {
    if (!row.is_object() || !row.contains("valid_time") || !row["valid_time"].is_string() ||
        !row.contains("forecasts") || !row["forecasts"].is_array()) {
      continue;
    }
    const auto when = utc_seconds(row["valid_time"].get<std::string>());
    if (!when) continue;
    const auto& forecasts = row["forecasts"];
    for (std::size_t i = 0; i < forecasts.size() && i < leads.size(); ++i) {
      const auto& forecast = forecasts[i];
      if (!forecast.is_object() || !forecast.contains("interval_68") ||
          !forecast.contains("interval_95")) {
        continue;
      }
      Intervals intervals;
      if (read_pair(forecast["interval_68"], intervals.low_68, intervals.high_68) &&
          read_pair(forecast["interval_95"], intervals.low_95, intervals.high_95)) {
        leads[i][*when] = intervals;
      }
    }
  }
  return leads;
}

std::optional<Intervals> intervals_at(const LeadIntervals& leads, std::size_t lead,
                                      const std::string& valid_time) {
  const auto when = utc_seconds(valid_time);
  if (lead >= leads.size() || !when) return std::nullopt;
  const auto found = leads[lead].find(*when);
  if (found == leads[lead].end()) return std::nullopt;
  return found->second;
}

}  // namespace velk::status
