#include "status/storm_alerts.h"

#include <algorithm>
#include <cctype>

namespace velk::status {

using nlohmann::ordered_json;

namespace {

struct Level {
  double threshold;
  const char* label;
};

struct Scale {
  const char* index;  // lower case
  bool downward;      // Dst storms are negative
  std::vector<Level> levels;
};

const std::vector<Scale>& scales() {
  static const std::vector<Scale> kScales = {
      {"kp", false, {{50, "G1"}, {60, "G2"}, {70, "G3"}, {80, "G4"}, {90, "G5"}}},
      {"ap", false, {{48, "G1"}, {80, "G2"}, {140, "G3"}, {240, "G4"}, {400, "G5"}}},
      {"dst", true, {{-50, "Dst <= -50 nT"}, {-100, "Dst <= -100 nT"}, {-200, "Dst <= -200 nT"}}},
  };
  return kScales;
}

const Scale* scale_of(const std::string& index_name) {
  std::string name;
  for (char c : index_name) {
    if (!std::isspace(static_cast<unsigned char>(c))) {
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  for (const Scale& scale : scales()) {
    if (name == scale.index) return &scale;
  }
  return nullptr;
}

// 0 when the value reaches no level.
std::size_t level_of(const Scale& scale, double value) {
  std::size_t level = 0;
  for (std::size_t i = 0; i < scale.levels.size(); ++i) {
    const double threshold = scale.levels[i].threshold;
    if (scale.downward ? value <= threshold : value >= threshold) level = i + 1;
  }
  return level;
}

}  // namespace

ordered_json storm_alerts(const std::string& index_name, const std::vector<NewestForecast>& leads) {
  const Scale* scale = scale_of(index_name);
  std::size_t highest = 0;
  ordered_json reached = ordered_json::array();
  for (const NewestForecast& lead : leads) {
    std::vector<std::pair<std::string, double>> forecasts = lead.ahead;
    if (forecasts.empty() && !lead.valid_time.empty())
      forecasts.emplace_back(lead.valid_time, lead.value);
    for (const auto& forecast : forecasts) {
      const std::size_t level = scale != nullptr ? level_of(*scale, forecast.second) : 0;
      if (level == 0) continue;
      highest = std::max(highest, level);
      reached.push_back({{"lead", lead.lead},
                         {"valid_time", forecast.first},
                         {"value", forecast.second},
                         {"level", level},
                         {"label", scale->levels[level - 1].label}});
    }
  }
  ordered_json alerts = {{"level", highest}, {"index", index_name}};
  alerts["label"] = highest > 0 ? ordered_json(scale->levels[highest - 1].label) : nullptr;
  alerts["threshold"] = highest > 0 ? ordered_json(scale->levels[highest - 1].threshold) : nullptr;
  alerts["forecasts"] = reached;
  return alerts;
}

}  // namespace velk::status
