#include "status/freshness.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace velk::status {

using nlohmann::ordered_json;

std::optional<long long> utc_seconds(const std::string& time) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  const int n = std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d%n", &year, &month, &day, &hour,
                            &minute, &used);
  if (n != 5) return std::nullopt;
  std::string rest = time.substr(static_cast<std::size_t>(used));
  if (rest.size() == 4 && rest[0] == ':' && std::sscanf(rest.c_str(), ":%2d", &second) == 1) {
    rest = rest.substr(3);
  }
  if (rest != "Z" || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 60) {
    return std::nullopt;
  }
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  return static_cast<long long>(timegm(&fields));
}

namespace {

std::string text_at(const ordered_json& object, const char* key) {
  if (!object.is_object()) return "";
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

// Hours between two times, to a hundredth; absent when either is no time.
ordered_json hours_between(const std::string& from, const std::string& to) {
  const auto a = utc_seconds(from), b = utc_seconds(to);
  if (!a || !b) return nullptr;
  return std::round(static_cast<double>(*b - *a) / 36.0) / 100.0;
}

}  // namespace

ordered_json freshness_of(const std::string& newest, const ordered_json& before,
                          const std::string& cycle_time, double stale_hours) {
  const std::string newest_before = text_at(before, "newest");
  const std::string seen = newest.empty() ? newest_before : newest;
  std::string since = cycle_time;
  if (seen == newest_before && utc_seconds(text_at(before, "unchanged_since"))) {
    since = text_at(before, "unchanged_since");
  }
  const ordered_json unchanged = hours_between(since, cycle_time);
  return {{"newest", seen.empty() ? ordered_json(nullptr) : ordered_json(seen)},
          {"age_hours", hours_between(seen, cycle_time)},
          {"unchanged_since", since},
          {"unchanged_hours", unchanged},
          {"stale", unchanged.is_number() && unchanged.get<double>() >= stale_hours}};
}

}  // namespace velk::status
