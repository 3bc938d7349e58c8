#include "status/verification.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "common/atomic_file.h"
#include "common/whole_file.h"
#include "status/freshness.h"

namespace velk::status {

using nlohmann::ordered_json;

namespace {

constexpr long long kHour = 3600;
const int kWindowHours[] = {24, 7 * 24, 30 * 24};

struct Issued {
  std::string valid_time;
  std::string lead;
  double value;
  std::optional<Intervals> intervals;
};

std::optional<Intervals> intervals_in(std::istringstream& fields) {
  std::string text[4];
  Intervals read;
  double* bounds[4] = {&read.low_68, &read.high_68, &read.low_95, &read.high_95};
  for (int i = 0; i < 4; ++i) {
    if (!(fields >> text[i])) return std::nullopt;
    const Number bound = number_in(text[i]);
    if (!bound) return std::nullopt;
    *bounds[i] = *bound;
  }
  // A line whose bounds are out of order was not written by this program.
  if (read.low_68 > read.high_68 || read.low_95 > read.high_95) return std::nullopt;
  return read;
}

std::string number_text(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

std::vector<Issued> read_ledger(const std::string& path) {
  std::vector<Issued> ledger;
  std::string text;
  if (!velk::read_whole_file(path, velk::kMaxTextBytes, text)) return ledger;  // none yet
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    Issued issued;
    std::string value;
    // A damaged line is dropped rather than scored.
    if (!(fields >> issued.valid_time >> issued.lead >> value)) continue;
    const Number parsed = number_in(value);
    if (!parsed || !utc_seconds(issued.valid_time) || issued.lead.rfind("FC+", 0) != 0) continue;
    issued.value = *parsed;
    // (Lines of a ledger kept before intervals were recorded have none.)
    issued.intervals = intervals_in(fields);
    ledger.push_back(issued);
  }
  return ledger;
}

ordered_json rounded(double value) {
  return std::round(value * 1000) / 1000;
}

}  // namespace

ordered_json live_verification(const std::string& ledger_path, const std::string& cycle_time,
                               const std::vector<NewestForecast>& leads,
                               const TimedValues& observations, const LeadIntervals& intervals) {
  const auto now = utc_seconds(cycle_time);
  if (!now) throw std::runtime_error("no cycle time to verify against: " + cycle_time);
  const long long oldest = *now - kWindowHours[2] * kHour;

  std::vector<Issued> ledger;
  std::set<std::pair<std::string, std::string>> known;  // lead, valid time
  for (const Issued& issued : read_ledger(ledger_path)) {
    if (*utc_seconds(issued.valid_time) <= oldest) continue;
    if (known.insert({issued.lead, issued.valid_time}).second) ledger.push_back(issued);
  }
  for (std::size_t i = 0; i < leads.size(); ++i) {
    const NewestForecast& lead = leads[i];
    for (const auto& forecast : lead.ahead) {
      if (!known.insert({lead.lead, forecast.first}).second) continue;
      ledger.push_back(
          {forecast.first, lead.lead, forecast.second, intervals_at(intervals, i, forecast.first)});
    }
  }
  std::string text;
  for (const Issued& issued : ledger) {
    text += issued.valid_time + " " + issued.lead + " " + number_text(issued.value);
    if (issued.intervals) {
      const Intervals& in = *issued.intervals;
      for (double bound : {in.low_68, in.high_68, in.low_95, in.high_95}) {
        text += " " + number_text(bound);
      }
    }
    text += "\n";
  }
  if (!velk::write_file_atomically(text, ledger_path)) {
    throw std::runtime_error("cannot write the forecast ledger " + ledger_path);
  }

  std::map<long long, double> observed;
  for (const auto& row : observations) {
    if (const auto when = utc_seconds(row.first)) observed[*when] = row.second;
  }
  ordered_json windows = ordered_json::array();
  for (int hours : kWindowHours) {
    ordered_json per_lead = ordered_json::array();
    for (const NewestForecast& lead : leads) {
      const long long lead_hours = std::atol(lead.lead.c_str() + 3);
      int n = 0, with_interval = 0, inside_68 = 0, inside_95 = 0;
      double absolute = 0, square = 0, persistence_square = 0;
      for (const Issued& issued : ledger) {
        const long long when = *utc_seconds(issued.valid_time);
        if (issued.lead != lead.lead || when <= *now - hours * kHour || when > *now) continue;
        const auto truth = observed.find(when);
        const auto before = observed.find(when - lead_hours * kHour);
        if (truth == observed.end() || before == observed.end()) continue;
        ++n;
        absolute += std::fabs(issued.value - truth->second);
        square += (issued.value - truth->second) * (issued.value - truth->second);
        persistence_square += (before->second - truth->second) * (before->second - truth->second);
        if (issued.intervals) {
          const Intervals& in = *issued.intervals;
          ++with_interval;
          inside_68 += in.low_68 <= truth->second && truth->second <= in.high_68;
          inside_95 += in.low_95 <= truth->second && truth->second <= in.high_95;
        }
      }
      const auto share = [&](int inside) -> ordered_json {
        return with_interval > 0 ? rounded(static_cast<double>(inside) / with_interval) : nullptr;
      };
      per_lead.push_back(
          {{"lead", lead.lead},
           {"n", n},
           {"mae", n > 0 ? rounded(absolute / n) : nullptr},
           {"rmse", n > 0 ? rounded(std::sqrt(square / n)) : nullptr},
           {"skill",
            n > 0 && persistence_square > 0 ? rounded(1 - square / persistence_square) : nullptr},
           {"n_with_interval", with_interval},
           {"coverage_68", share(inside_68)},
           {"coverage_95", share(inside_95)}});
    }
    windows.push_back({{"hours", hours}, {"leads", per_lead}});
  }
  return {{"cycle_time", cycle_time}, {"forecasts_kept", ledger.size()}, {"windows", windows}};
}

}  // namespace velk::status
