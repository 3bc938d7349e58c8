#include "status/cycle_status.h"

#include <cctype>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "status/cycle_facts.h"
#include "status/failure_causes.h"
#include "status/failure_text.h"
#include "status/forecast_product.h"
#include "status/freshness.h"
#include "status/input_rows.h"
#include "status/storm_alerts.h"
#include "status/verification.h"

namespace velk::status {

using nlohmann::ordered_json;

namespace {

const char* const kSources[] = {"dst", "kp", "ace_mag", "ace_swepam"};

ordered_json sources_state(const std::vector<FailedStep>& failed) {
  ordered_json sources = ordered_json::object();
  for (const char* source : kSources) {
    ordered_json steps = ordered_json::array();
    for (const FailedStep& step : failed) {
      if (step.source == source) steps.push_back({{"step", step.step}, {"error", step.error}});
    }
    sources[source] = {{"ok", steps.empty()}, {"failed_steps", steps}};
  }
  return sources;
}

ordered_json number_or_null(const Number& value) {
  return value ? ordered_json(*value) : ordered_json(nullptr);
}

// Keys a program can use as they are: the metadata's score names hold blanks
// and apostrophes, and "Mean square error" holds the root of the mean square.
std::string score_key(const std::string& name) {
  if (name == "Mean square error") return "rmse";
  if (name == "Prediction efficiency") return "prediction_efficiency";
  if (name == "Pearson's linear correlation coefficient") return "correlation";
  if (name == "Skill score") return "skill_score";
  std::string key;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!key.empty() && key.back() != '_') {
      key += '_';
    }
  }
  while (!key.empty() && key.back() == '_') key.pop_back();
  return key.empty() ? "score" : key;
}

const ordered_json& member(const ordered_json& object, const char* key) {
  static const ordered_json none;
  if (!object.is_object()) return none;
  const auto found = object.find(key);
  return found != object.end() ? *found : none;
}

ordered_json freshness(const CycleRun& run, const ordered_json& status) {
  const ordered_json& before = member(run.previous, "freshness");
  ordered_json inputs = ordered_json::object();
  ordered_json problems = ordered_json::array();
  bool stale = false;
  for (const char* source : {"ace_mag", "ace_swepam", "dst", "kp"}) {
    std::string newest;
    const auto path = run.inputs.find(source);
    if (path != run.inputs.end() && !path->second.empty()) {
      const std::string name = source;
      const InputKind kind = name == "dst"  ? InputKind::kDst
                             : name == "kp" ? InputKind::kKp
                                            : InputKind::kAce;
      try {
        newest = newest_input_row(path->second, kind);
      } catch (const std::exception& e) {
        problems.push_back(e.what());
      }
    }
    inputs[source] =
        freshness_of(newest, member(member(before, "inputs"), source), run.time, run.stale_hours);
    stale = stale || inputs[source]["stale"].get<bool>();
  }
  // A failed cycle has no forecasts of its own: the leads seen before carry on.
  ordered_json forecasts = ordered_json::object();
  for (const auto& f : status["newest_forecasts"]) {
    forecasts[f["lead"].get<std::string>()] = f["valid_time"].is_string() ? f["valid_time"] : "";
  }
  const ordered_json& forecasts_before = member(before, "forecasts");
  if (forecasts_before.is_object()) {
    for (const auto& item : forecasts_before.items()) {
      if (!forecasts.contains(item.key())) forecasts[item.key()] = "";
    }
  }
  for (auto& item : forecasts.items()) {
    item.value() =
        freshness_of(item.value().get<std::string>(), member(forecasts_before, item.key().c_str()),
                     run.time, run.stale_hours);
    stale = stale || item.value()["stale"].get<bool>();
  }
  return {{"stale_after_hours", run.stale_hours},
          {"stale", stale},
          {"inputs", inputs},
          {"forecasts", forecasts},
          {"problems", problems}};
}

// The forecast an operator can still use after a failed cycle: this cycle's,
// or the one the previous status carried.
ordered_json last_good_forecast(const CycleRun& run, const ordered_json& status) {
  if (run.outcome == "forecast") {
    return {{"cycle_time", run.time},           {"forecast_table", run.table},
            {"metadata", run.metadata},         {"picture", run.picture},
            {"index", member(status, "index")}, {"newest_forecasts", status["newest_forecasts"]},
            {"scores", status["scores"]},       {"alerts", status["alerts"]}};
  }
  const ordered_json& before = member(run.previous, "last_good_forecast");
  if (!member(before, "cycle_time").is_string() || !member(before, "picture").is_string() ||
      !member(before, "newest_forecasts").is_array() || !member(before, "scores").is_array()) {
    return nullptr;
  }
  return before;
}

}  // namespace

std::string one_line(const std::string& message) {
  std::string joined, line;
  std::istringstream in(message);
  while (std::getline(in, line)) {
    std::string words;
    std::istringstream split(line);
    for (std::string word; split >> word;) words += (words.empty() ? "" : " ") + word;
    if (!words.empty()) joined += (joined.empty() ? "" : " | ") + words;
  }
  return joined;
}

ordered_json cycle_status(const CycleRun& run) {
  ordered_json status = {{"cycle_time", run.time},
                         {"variant", run.variant},
                         {"outcome", run.outcome},
                         {"exit_status", run.exit_status},
                         {"message", one_line(run.message)},
                         {"report", run.report},
                         {"forecast_table", run.table},
                         {"metadata", run.metadata},
                         {"picture", run.picture}};
  ordered_json problems = ordered_json::array();
  ordered_json failed_all = ordered_json::array();
  ReportFacts report;
  bool report_read = false;
  if (!run.report.empty()) {
    try {
      report = read_report(run.report, run.order_file_given);
      report_read = true;
      attach_causes_from(run.causes, report.failed);
    } catch (const std::exception& e) {
      problems.push_back(e.what());
    }
  }
  for (const FailedStep& step : report.failed) {
    failed_all.push_back(
        {{"source", step.source},
         {"step", step.step},
         {"error", step.error},
         {"cause", step.cause.empty() ? ordered_json(nullptr) : ordered_json(step.cause)},
         {"text", failure_sentence(step)}});
  }
  status["failed_steps"] = failed_all;
  // A report that could not be read, or that stopped before any source, says
  // nothing of the sources, not that all went well.
  status["sources"] =
      report_read && report.sources_tried ? sources_state(report.failed) : ordered_json(nullptr);

  ordered_json forecasts = ordered_json::array();
  ordered_json scores = ordered_json::array();
  ordered_json alerts = nullptr;
  // A cycle without a forecast keeps the figures of the last one.
  ordered_json verification = member(run.previous, "verification");
  if (!verification.is_object()) verification = nullptr;
  if (!run.metadata.empty()) {
    try {
      const Metadata metadata = read_metadata(run.metadata);
      status["index"] = {{"name", metadata.index_name},
                         {"units", metadata.units},
                         {"fill_value", number_or_null(number_in(metadata.fill_value))}};
      std::vector<NewestForecast> newest;
      LeadIntervals intervals;
      if (!run.product.empty()) {
        try {
          intervals = read_product_intervals(run.product);
        } catch (const std::exception& e) {
          problems.push_back(e.what());  // the forecasts stand without their intervals
        }
      }
      if (!run.table.empty()) {
        TimedValues observed;
        // The scores stand without the table.
        try {
          newest = newest_forecasts(run.table, metadata.fill_value, &observed);
        } catch (const std::exception& e) {
          problems.push_back(e.what());
        }
        alerts = storm_alerts(metadata.index_name, newest);
        try {
          if (!run.ledger.empty()) {
            verification = live_verification(run.ledger, run.time, newest, observed, intervals);
          }
        } catch (const std::exception& e) {
          problems.push_back(e.what());  // the forecast itself still counts
        }
      }
      for (std::size_t i = 0; i < newest.size(); ++i) {
        const NewestForecast& f = newest[i];
        const bool any = !f.valid_time.empty();
        ordered_json interval_68 = nullptr, interval_95 = nullptr;
        if (const auto found = any ? intervals_at(intervals, i, f.valid_time) : std::nullopt) {
          interval_68 = {found->low_68, found->high_68};
          interval_95 = {found->low_95, found->high_95};
        }
        forecasts.push_back(
            {{"lead", f.lead},
             {"valid_time", any ? ordered_json(f.valid_time) : ordered_json(nullptr)},
             {"value", any ? ordered_json(f.value) : ordered_json(nullptr)},
             {"sample_size", f.sample_size},
             {"interval_68", interval_68},
             {"interval_95", interval_95}});
      }
      for (std::size_t i = 0; i < metadata.models.size(); ++i) {
        const LeadScores& lead = metadata.models[i];
        ordered_json entry = {{"lead_hours", lead.lead}};
        // The table's columns follow the models in order.
        const bool counted = i < newest.size();
        entry["sample_size"] = counted ? ordered_json(newest[i].sample_size) : nullptr;
        if (counted) entry["forecast_rows"] = newest[i].rows;
        // A model without a single forecast row has nothing to score: its
        // written scores are placeholders, which must not read as a perfect
        // error of 0.000, so they are null and the page says "no forecast".
        const bool none = counted && newest[i].rows == 0;
        for (const Score& score : lead.scores) {
          ordered_json one = {
              {"value", none ? ordered_json(nullptr) : number_or_null(score.value)}};
          if (score.has_persistence)
            one["persistence"] = none ? ordered_json(nullptr) : number_or_null(score.persistence);
          entry[score_key(score.name)] = one;
        }
        scores.push_back(entry);
      }
    } catch (const std::exception& e) {
      problems.push_back(e.what());
    }
  }
  status["newest_forecasts"] = forecasts;
  status["scores"] = scores;
  status["alerts"] = alerts;
  status["verification"] = verification;
  status["freshness"] = freshness(run, status);
  for (const auto& problem : status["freshness"]["problems"]) problems.push_back(problem);
  status["freshness"].erase("problems");
  status["last_good_forecast"] = last_good_forecast(run, status);
  status["problems"] = problems;
  // The report is ISO-8859-1 and messages and file names are bytes: any byte
  // that is not UTF-8 becomes U+FFFD, so the status stays valid JSON and the
  // page valid UTF-8 instead of the serializer throwing.
  return ordered_json::parse(status.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

std::string log_line(const ordered_json& status) {
  std::string steps;
  for (const auto& step : status["failed_steps"]) {
    steps += (steps.empty() ? "" : ",") + step["step"].get<std::string>();
    if (step["source"] != "general") steps += "(" + step["source"].get<std::string>() + ")";
  }
  std::string newest;
  for (const auto& f : status["newest_forecasts"]) {
    newest +=
        (newest.empty() ? "" : ",") + f["lead"].get<std::string>() + "@" +
        (f["valid_time"].is_null() ? "none"
                                   : f["valid_time"].get<std::string>() + "=" + f["value"].dump());
  }
  const std::string message = status["message"].get<std::string>();
  // Last, since it may hold blanks: under cron the log is all an operator has.
  return status["cycle_time"].get<std::string>() + " " + status["variant"].get<std::string>() +
         " " + status["outcome"].get<std::string>() +
         " exit=" + std::to_string(status["exit_status"].get<int>()) +
         " failed=" + (steps.empty() ? "-" : steps) + " newest=" + (newest.empty() ? "-" : newest) +
         (message.empty() ? "" : " message=" + message);
}

void replace_file(const std::string& path, const std::string& content) {
  if (!velk::write_file_atomically(content, path)) throw std::runtime_error("cannot write " + path);
}

}  // namespace velk::status
