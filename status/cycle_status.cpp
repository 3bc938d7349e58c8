#include "status/cycle_status.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "prep/common/file_helpers.h"
#include "status/cycle_facts.h"

namespace velk_status {

using nlohmann::ordered_json;

namespace {

const char* const kSources[] = {"dst", "kp", "ace_mag", "ace_swepam"};
const std::string kNoForecast = "no forecast";

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

std::string html_escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string text_of(const ordered_json& value) {
  return value.is_string() ? value.get<std::string>() : value.dump();
}

std::string cell(const ordered_json& value, const char* tag = "td") {
  return std::string("<") + tag + ">" + html_escaped(text_of(value)) + "</" + tag + ">";
}

}  // namespace

ordered_json cycle_status(const CycleRun& run) {
  ordered_json status = {
      {"cycle_time", run.time},         {"variant", run.variant},   {"outcome", run.outcome},
      {"exit_status", run.exit_status}, {"message", run.message},   {"report", run.report},
      {"forecast_table", run.table},    {"metadata", run.metadata}, {"picture", run.picture}};
  ordered_json problems = ordered_json::array();
  ordered_json failed_all = ordered_json::array();
  std::vector<FailedStep> failed;
  bool report_read = false;
  if (!run.report.empty()) {
    try {
      failed = failed_steps(run.report, run.order_file_given);
      report_read = true;
    } catch (const std::exception& e) {
      problems.push_back(e.what());
    }
  }
  for (const FailedStep& step : failed) {
    failed_all.push_back({{"source", step.source}, {"step", step.step}, {"error", step.error}});
  }
  status["failed_steps"] = failed_all;
  // A report that could not be read says nothing of the sources, not that all went well.
  status["sources"] = report_read ? sources_state(failed) : ordered_json(nullptr);

  ordered_json forecasts = ordered_json::array();
  ordered_json scores = ordered_json::array();
  if (!run.metadata.empty()) {
    try {
      const Metadata metadata = read_metadata(run.metadata);
      status["index"] = {{"name", metadata.index_name},
                         {"units", metadata.units},
                         {"fill_value", metadata.fill_value}};
      std::vector<NewestForecast> newest;
      if (!run.table.empty()) {
        // The scores stand without the table.
        try {
          newest = newest_forecasts(run.table, metadata.fill_value);
        } catch (const std::exception& e) {
          problems.push_back(e.what());
        }
      }
      for (const NewestForecast& f : newest) {
        forecasts.push_back(
            {{"lead", f.lead},
             {"valid_time",
              f.valid_time.empty() ? ordered_json(nullptr) : ordered_json(f.valid_time)},
             {"value", f.value.empty() ? ordered_json(nullptr) : ordered_json(f.value)}});
      }
      // The table's columns stand in the order of the models. A model without
      // a single forecast row has nothing to score: its written scores are
      // placeholders, which must not read as a perfect error of 0.000.
      for (std::size_t k = 0; k < metadata.models.size(); ++k) {
        const LeadScores& lead = metadata.models[k];
        ordered_json entry = {{"lead_hours", lead.lead}};
        const bool counted = k < newest.size();
        if (counted) entry["forecast_rows"] = newest[k].rows;
        for (const Score& score : lead.scores) {
          ordered_json one = {
              {"value", counted && newest[k].rows == 0 ? kNoForecast : score.value}};
          if (!score.persistence.empty()) one["persistence"] = score.persistence;
          entry[score.name] = one;
        }
        scores.push_back(entry);
      }
    } catch (const std::exception& e) {
      problems.push_back(e.what());
    }
  }
  status["newest_forecasts"] = forecasts;
  status["scores"] = scores;
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
    newest += (newest.empty() ? "" : ",") + f["lead"].get<std::string>() + "@" +
              (f["valid_time"].is_null()
                   ? "none"
                   : f["valid_time"].get<std::string>() + "=" + f["value"].get<std::string>());
  }
  return status["cycle_time"].get<std::string>() + " " + status["variant"].get<std::string>() +
         " " + status["outcome"].get<std::string>() +
         " exit=" + std::to_string(status["exit_status"].get<int>()) +
         " failed=" + (steps.empty() ? "-" : steps) + " newest=" + (newest.empty() ? "-" : newest);
}

std::string status_page(const ordered_json& status) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>" +
      html_escaped(status["variant"].get<std::string>()) +
      " forecast cycle</title>\n</head>\n<body>\n<h1>" +
      html_escaped(status["variant"].get<std::string>()) + " forecast cycle of " +
      html_escaped(status["cycle_time"].get<std::string>()) + "</h1>\n<p>Outcome: <b>" +
      html_escaped(status["outcome"].get<std::string>()) + "</b> (exit status " +
      std::to_string(status["exit_status"].get<int>()) + ")";
  if (!status["message"].get<std::string>().empty())
    page += ": " + html_escaped(text_of(status["message"]));
  page += "</p>\n";
  if (!status["picture"].get<std::string>().empty()) {
    page += "<p><img src=\"" + html_escaped(status["picture"].get<std::string>()) +
            "\" alt=\"forecast picture\"></p>\n";
  }
  page +=
      "<h2>Newest forecasts</h2>\n<table>\n<tr><th>Lead</th><th>Valid "
      "time</th><th>Value</th></tr>\n";
  for (const auto& f : status["newest_forecasts"]) {
    page += "<tr>" + cell(f["lead"]) + cell(f["valid_time"]) + cell(f["value"]) + "</tr>\n";
  }
  page +=
      "</table>\n<h2>Scores</h2>\n<table>\n<tr><th>Lead "
      "(h)</th><th>Score</th><th>Model</th><th>Persistence</th></tr>\n";
  for (const auto& lead : status["scores"]) {
    if (lead.contains("forecast_rows")) {
      page += "<tr>" + cell(lead["lead_hours"]) + cell("Forecast rows (N)") +
              cell(lead["forecast_rows"]) + cell("") + "</tr>\n";
    }
    for (const auto& item : lead.items()) {
      if (item.key() == "lead_hours" || item.key() == "forecast_rows") continue;
      page += "<tr>" + cell(lead["lead_hours"]) + cell(item.key()) + cell(item.value()["value"]) +
              cell(item.value().value("persistence", std::string())) + "</tr>\n";
    }
  }
  page +=
      "</table>\n<h2>Sources</h2>\n<table>\n<tr><th>Source</th><th>State</th><th>Failed "
      "steps</th></tr>\n";
  if (status["sources"].is_object()) {
    for (const auto& source : status["sources"].items()) {
      std::string steps;
      for (const auto& step : source.value()["failed_steps"]) {
        steps += (steps.empty() ? "" : "; ") + step["step"].get<std::string>() + " " +
                 step["error"].get<std::string>();
      }
      page += "<tr>" + cell(source.key()) +
              cell(source.value()["ok"].get<bool>() ? "ok" : "failed") + cell(steps) + "</tr>\n";
    }
  }
  page += "</table>\n";
  // What could not be read is said on the page too, so that a missing table
  // row is not taken for a source that went well.
  if (!status["problems"].empty()) {
    page += "<h2>Problems</h2>\n<ul>\n";
    for (const auto& problem : status["problems"]) page += cell(problem, "li") + "\n";
    page += "</ul>\n";
  }
  page += "</body>\n</html>\n";
  return page;
}

void replace_file(const std::string& path, const std::string& content) {
  if (!file_wright(content, path)) throw std::runtime_error("cannot write " + path);
}

}  // namespace velk_status
