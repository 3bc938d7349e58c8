#include "status/status_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "status/failure_text.h"

namespace velk::status {

using nlohmann::ordered_json;

namespace {

// The page is made from a status that may carry parts of an older, perhaps
// hand-edited status.json: every read tolerates a missing or mistyped value.
const ordered_json& at(const ordered_json& object, const char* key) {
  static const ordered_json none;
  if (!object.is_object()) return none;
  const auto found = object.find(key);
  return found != object.end() ? *found : none;
}

std::string escaped(const std::string& text) {
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

std::string number_text(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string out = text;
  out.erase(out.find_last_not_of('0') + 1);
  if (out.back() == '.') out.pop_back();
  return out == "-0" ? "0" : out;
}

// Text of any value, HTML-escaped; "–" for a missing one.
std::string shown(const ordered_json& value) {
  if (value.is_string()) return escaped(value.get<std::string>());
  if (value.is_number()) return number_text(value.get<double>());
  if (value.is_null()) return "&ndash;";
  return escaped(value.dump());
}

std::string age_text(const ordered_json& hours) {
  if (!hours.is_number()) return "&ndash;";
  const double h = hours.get<double>();
  char text[64];
  std::snprintf(text, sizeof text, h >= 0 ? "%.1f h old" : "in %.1f h", std::fabs(h));
  return text;
}

std::string base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                       static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += {kDigits[v >> 18 & 63], kDigits[v >> 12 & 63], kDigits[v >> 6 & 63], kDigits[v & 63]};
  }
  if (i + 1 == bytes.size()) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    out += {kDigits[v >> 18 & 63], kDigits[v >> 12 & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    const unsigned v =
        static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += {kDigits[v >> 18 & 63], kDigits[v >> 12 & 63], kDigits[v >> 6 & 63], '='};
  }
  return out;
}

struct OutcomeText {
  const char* name;
  const char* tone;  // the badge's colour class
  const char* sentence;
};

const OutcomeText kOutcomes[] = {
    {"forecast", "good", "A forecast was made in this cycle."},
    {"sources-failed", "warn", "A source failed, so no forecast was made in this cycle."},
    {"order-file-invalid", "bad", "The order file is not well-formed XML; nothing was fetched."},
    {"no-report", "bad", "The preprocessor could write no report (disk full or no permission?)."},
    {"preprocessor-failed", "bad", "The preprocessor ended abnormally (missing or killed)."},
    {"forecaster-refused", "warn", "The forecaster refused this cycle's data."},
    {"forecaster-failed", "bad", "The forecaster ended abnormally."},
};

const OutcomeText& outcome_text(const std::string& outcome) {
  static const OutcomeText unknown = {"", "bad", "The cycle did not end as expected."};
  for (const OutcomeText& o : kOutcomes) {
    if (outcome == o.name) return o;
  }
  return unknown;
}

const char kStyle[] = R"(<style>
*{box-sizing:border-box}
body{font:15px/1.4 system-ui,sans-serif;margin:0;padding:12px;color:#1a1a1a;background:#f6f7f9}
h1{font-size:1.25em;margin:0 0 6px}h2{font-size:1.05em;margin:0 0 6px}
p{margin:4px 0}
.badge{display:inline-block;padding:2px 10px;border-radius:12px;font-weight:700;color:#fff}
.good{background:#1b7f3b}.warn{background:#b35c00}.bad{background:#b3001b}
.banner{padding:6px 10px;border-radius:6px;margin:6px 0;border:2px solid}
.banner.warn{background:#fff4e5;border-color:#b35c00;color:#1a1a1a}
.banner.bad{background:#fdecee;border-color:#b3001b;color:#1a1a1a}
.grid{display:grid;grid-template-columns:repeat(auto-fit,minmax(min(100%,520px),1fr));gap:10px;margin-top:8px}
.col{display:flex;flex-direction:column;gap:10px;min-width:0}
section{background:#fff;border:1px solid #d5d9e0;border-radius:6px;padding:8px;min-width:0}
.scroll{overflow-x:auto}
table{border-collapse:collapse;font-size:.9em}
th,td{padding:2px 6px;border-bottom:1px solid #e3e6ea;text-align:left;white-space:nowrap}
td.num{text-align:right}
.stale{color:#b35c00;font-weight:700}
code{font-size:.85em;color:#555;overflow-wrap:anywhere}
li,p{overflow-wrap:anywhere}
img{display:block;width:100%;height:auto;margin-top:6px}
.note{font-size:.85em;color:#555}
@media (max-width:600px){body{font-size:14px;padding:6px}th,td{white-space:normal;padding:2px 3px}}
</style>
)";

std::string freshness_row(const std::string& label, const ordered_json& item) {
  const bool stale = at(item, "stale").is_boolean() && at(item, "stale").get<bool>();
  return "<tr" + std::string(stale ? " class=\"stale\"" : "") + "><td>" + escaped(label) +
         "</td><td>" + shown(at(item, "newest")) + "</td><td class=\"num\">" +
         age_text(at(item, "age_hours")) + "</td><td class=\"num\">" +
         (at(item, "unchanged_hours").is_number()
              ? number_text(std::round(at(item, "unchanged_hours").get<double>() * 10) / 10) + " h"
              : "&ndash;") +
         (stale ? " stale" : "") + "</td></tr>\n";
}

std::string freshness_section(const ordered_json& freshness) {
  std::string page =
      "<section id=\"freshness\"><h2>Freshness</h2><div class=\"scroll\"><table>\n"
      "<tr><th>Newest row of</th><th>Time</th><th>Age at cycle time</th><th>Unchanged "
      "for</th></tr>\n";
  const ordered_json& inputs = at(freshness, "inputs");
  if (inputs.is_object()) {
    for (const auto& item : inputs.items()) {
      page += freshness_row("Input " + source_label(item.key()), item.value());
    }
  }
  const ordered_json& forecasts = at(freshness, "forecasts");
  if (forecasts.is_object()) {
    for (const auto& item : forecasts.items()) {
      page += freshness_row("Forecast " + item.key(), item.value());
    }
  }
  page += "</table></div><p class=\"note\">Stale: not advanced for " +
          shown(at(freshness, "stale_after_hours")) + " h or more.</p></section>\n";
  return page;
}

std::string stale_banner(const ordered_json& freshness) {
  // Grouped by the time they stopped, which is mostly one for all.
  std::vector<std::pair<std::string, std::string>> since_names;
  for (const char* group : {"inputs", "forecasts"}) {
    const ordered_json& items = at(freshness, group);
    if (!items.is_object()) continue;
    for (const auto& item : items.items()) {
      if (at(item.value(), "stale") != true) continue;
      const std::string label =
          std::string(group) == "inputs" ? source_label(item.key()) : item.key();
      const std::string since = shown(at(item.value(), "unchanged_since"));
      auto found = std::find_if(since_names.begin(), since_names.end(),
                                [&](const auto& entry) { return entry.first == since; });
      if (found == since_names.end()) found = since_names.insert(since_names.end(), {since, ""});
      found->second += (found->second.empty() ? "" : ", ") + escaped(label);
    }
  }
  if (since_names.empty()) return "";
  std::string page = "<p class=\"banner warn\" id=\"stale\"><b>Stale:</b> not advanced for " +
                     shown(at(freshness, "stale_after_hours")) + " h or more:";
  for (const auto& entry : since_names) {
    page += " " + entry.second + " (unchanged since " + entry.first + ").";
  }
  return page + "</p>\n";
}

// The storm levels of the last good forecast, above everything else but the
// outcome: after a failed cycle they still stand. One line per lead, with its
// highest level (status.json lists every forecast hour).
std::string alert_banner(const ordered_json& status) {
  const ordered_json& good = at(status, "last_good_forecast");
  const ordered_json& alerts = at(good, "alerts");
  if (!at(alerts, "level").is_number() || at(alerts, "level").get<double>() < 1) return "";
  std::vector<std::pair<const ordered_json*, int>> peaks;  // per lead: highest, hours
  const ordered_json& forecasts = at(alerts, "forecasts");
  if (forecasts.is_array()) {
    for (const auto& f : forecasts) {
      auto peak = std::find_if(peaks.begin(), peaks.end(), [&](const auto& entry) {
        return at(*entry.first, "lead") == at(f, "lead");
      });
      if (peak == peaks.end()) {
        peaks.push_back({&f, 1});
        continue;
      }
      ++peak->second;
      if (at(f, "level").is_number() && at(*peak->first, "level").is_number() &&
          at(f, "level").get<double>() > at(*peak->first, "level").get<double>()) {
        peak->first = &f;
      }
    }
  }
  std::string page = "<section class=\"banner bad\" id=\"alert\"><h2>Storm forecast: " +
                     shown(at(alerts, "label")) + "</h2>\n<p>The forecasts of the cycle of " +
                     shown(at(good, "cycle_time")) + " reach " + shown(at(alerts, "label")) +
                     ":</p>\n<ul>\n";
  for (const auto& peak : peaks) {
    const ordered_json& f = *peak.first;
    page += "<li>" + shown(at(f, "lead")) + ": " + shown(at(f, "value")) + " for " +
            shown(at(f, "valid_time")) + " (" + shown(at(f, "label")) + "); " +
            std::to_string(peak.second) + (peak.second == 1 ? " hour" : " hours") +
            " at a storm level</li>\n";
  }
  return page + "</ul></section>\n";
}

std::string failures_section(const ordered_json& status) {
  const ordered_json& failed = at(status, "failed_steps");
  const std::string message =
      at(status, "message").is_string() ? at(status, "message").get<std::string>() : "";
  if ((!failed.is_array() || failed.empty()) && message.empty()) return "";
  std::string page = "<section id=\"failures\" class=\"banner bad\"><h2>What went wrong</h2><ul>\n";
  if (!message.empty()) {
    page += "<li>Forecaster: " + escaped(message) + "</li>\n";
  }
  if (failed.is_array()) {
    for (const auto& step : failed) {
      page += "<li>" + shown(at(step, "text")) + " <code>" + shown(at(step, "step")) + " " +
              shown(at(step, "error")) + "</code></li>\n";
    }
  }
  return page + "</ul></section>\n";
}

// An interval as "low..high"; a dash when the forecast has none (too few
// recent errors to size it).
std::string range_text(const ordered_json& interval) {
  if (!interval.is_array() || interval.size() != 2) return "&ndash;";
  return shown(interval[0]) + ".." + shown(interval[1]);
}

std::string forecast_section(const ordered_json& status, const std::string& picture_png) {
  const ordered_json& good = at(status, "last_good_forecast");
  std::string page = "<section id=\"last-good\"><h2>Last good forecast</h2>\n";
  if (!good.is_object()) return page + "<p>No forecast has been made yet.</p></section>\n";
  const bool this_cycle = at(good, "cycle_time") == at(status, "cycle_time");
  page += std::string("<p class=\"") + (this_cycle ? "" : "banner warn") +
          "\" id=\"last-good-time\">From the cycle of <b>" + shown(at(good, "cycle_time")) +
          "</b>" + (this_cycle ? " (this cycle)" : ", not this cycle: it made no forecast") +
          ".</p>\n";
  const std::string units =
      at(at(good, "index"), "units").is_string()
          ? " [" + escaped(at(at(good, "index"), "units").get<std::string>()) + "]"
          : "";
  page += "<div class=\"scroll\"><table>\n<tr><th>Lead</th><th>Valid time</th><th>" +
          shown(at(at(good, "index"), "name")) + units +
          "</th><th>68 % range</th><th>95 % range</th></tr>\n";
  const ordered_json& newest = at(good, "newest_forecasts");
  if (newest.is_array()) {
    for (const auto& f : newest) {
      page += "<tr><td>" + shown(at(f, "lead")) + "</td><td>" +
              (at(f, "valid_time").is_null() ? std::string("no forecast")
                                             : shown(at(f, "valid_time"))) +
              "</td><td class=\"num\">" + shown(at(f, "value")) + "</td><td class=\"num\">" +
              range_text(at(f, "interval_68")) + "</td><td class=\"num\">" +
              range_text(at(f, "interval_95")) + "</td></tr>\n";
    }
  }
  page += "</table></div>\n";
  if (at(at(good, "alerts"), "level") == 0) page += "<p>No storm level reached.</p>\n";
  if (!picture_png.empty()) {
    page += "<img alt=\"observed index and forecasts of the cycle of " +
            shown(at(good, "cycle_time")) + "\" src=\"data:image/png;base64," +
            base64(picture_png) + "\">\n";
  }
  return page + "</section>\n";
}

std::string score_cell(const ordered_json& score) {
  std::string text = shown(at(score, "value"));
  if (at(score, "persistence").is_number()) {
    text += " <span class=\"note\">(" + shown(at(score, "persistence")) + ")</span>";
  }
  return "<td class=\"num\">" + text + "</td>";
}

std::string scores_section(const ordered_json& status) {
  const ordered_json& good = at(status, "last_good_forecast");
  const ordered_json& scores = at(good, "scores");
  std::string page = "<section id=\"scores\"><h2>Scores of the last good forecast</h2>\n";
  if (!scores.is_array() || scores.empty()) return page + "<p>No scores.</p></section>\n";
  page +=
      "<div class=\"scroll\"><table>\n<tr><th>Lead</th><th>N</th><th>RMSE</th><th>PE</th>"
      "<th>r</th><th>Skill</th></tr>\n";
  for (const auto& lead : scores) {
    // A model that made no forecast has placeholders for scores, not scores.
    if (at(lead, "forecast_rows") == 0) {
      page += "<tr><td>" + shown(at(lead, "lead_hours")) +
              " h</td><td class=\"num\">0</td><td colspan=\"4\">no forecast</td></tr>\n";
      continue;
    }
    page += "<tr><td>" + shown(at(lead, "lead_hours")) + " h</td><td class=\"num\">" +
            shown(at(lead, "sample_size")) + "</td>" + score_cell(at(lead, "rmse")) +
            score_cell(at(lead, "prediction_efficiency")) + score_cell(at(lead, "correlation")) +
            score_cell(at(lead, "skill_score")) + "</tr>\n";
  }
  return page +
         "</table></div><p class=\"note\">N: rows of the table with both an observation and a "
         "forecast. RMSE: root mean square error; PE: prediction efficiency; r: linear "
         "correlation; skill: 1 &minus; MSE / MSE of persistence. Persistence in brackets.</p>"
         "</section>\n";
}

// RMSE per lead as bars, one per window, drawn inline so that the page stays
// one file.
std::string verification_plot(const ordered_json& windows) {
  static const char* const kColours[] = {"#1b7f3b", "#1f5fa8", "#b35c00"};
  double highest = 0;
  std::size_t leads = 0;
  for (const auto& window : windows) {
    const ordered_json& per_lead = at(window, "leads");
    if (!per_lead.is_array()) continue;
    leads = std::max(leads, per_lead.size());
    for (const auto& lead : per_lead) {
      if (at(lead, "rmse").is_number()) highest = std::max(highest, at(lead, "rmse").get<double>());
    }
  }
  if (highest <= 0 || leads == 0) return "";
  const double group = 300.0 / static_cast<double>(leads), bar = group / 4, plot_height = 100;
  std::string svg =
      "<svg viewBox=\"0 0 320 150\" width=\"320\" style=\"max-width:100%;height:auto\" "
      "role=\"img\" "
      "aria-label=\"RMSE per lead over the last 24 h, 7 days and 30 days\">\n";
  char text[256];
  for (std::size_t w = 0; w < windows.size() && w < 3; ++w) {
    const ordered_json& per_lead = at(windows[w], "leads");
    if (!per_lead.is_array()) continue;
    for (std::size_t i = 0; i < per_lead.size(); ++i) {
      const ordered_json& rmse = at(per_lead[i], "rmse");
      if (!rmse.is_number()) continue;
      const double height = plot_height * rmse.get<double>() / highest;
      std::snprintf(text, sizeof text,
                    "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>\n",
                    10 + group * static_cast<double>(i) + bar * static_cast<double>(w),
                    10 + plot_height - height, bar * 0.9, height, kColours[w]);
      svg += text;
    }
  }
  const ordered_json& first = at(windows[0], "leads");
  for (std::size_t i = 0; first.is_array() && i < first.size(); ++i) {
    std::snprintf(text, sizeof text, "<text x=\"%.1f\" y=\"126\" font-size=\"10\">",
                  10 + group * static_cast<double>(i));
    svg += text + shown(at(first[i], "lead")) + "</text>\n";
  }
  std::snprintf(text, sizeof text, "%.3g", highest);
  svg += "<text x=\"10\" y=\"144\" font-size=\"10\">bars: RMSE over 24 h, 7 d, 30 d (tallest " +
         std::string(text) + ")</text>\n</svg>\n";
  return svg;
}

std::string verification_section(const ordered_json& status) {
  const ordered_json& verification = at(status, "verification");
  std::string page = "<section id=\"verification\"><h2>Live verification</h2>\n";
  if (!at(verification, "windows").is_array()) {
    return page + "<p>No forecasts verified yet.</p></section>\n";
  }
  page +=
      "<p class=\"note\">The service's own forecasts as issued, against the observations "
      "that came later (as of the cycle of " +
      shown(at(verification, "cycle_time")) +
      "). Skill: 1 &minus; MSE / MSE of persistence. In 68 % / 95 %: the share of the "
      "observations inside the forecast's interval, over the N with an interval (in "
      "brackets).</p>\n<div class=\"scroll\"><table>\n"
      "<tr><th>Last</th><th>Lead</th><th>N</th><th>MAE</th><th>RMSE</th><th>Skill</th>"
      "<th>In 68 %</th><th>In 95 %</th></tr>\n";
  for (const auto& window : at(verification, "windows")) {
    const double hours = at(window, "hours").is_number() ? at(window, "hours").get<double>() : 0;
    const std::string span =
        hours > 24 ? number_text(hours / 24) + " days" : number_text(hours) + " h";
    bool first = true;
    const ordered_json& leads = at(window, "leads");
    if (!leads.is_array()) continue;
    for (const auto& lead : leads) {
      page += "<tr><td>" + (first ? span : std::string()) + "</td><td>" + shown(at(lead, "lead")) +
              "</td><td class=\"num\">" + shown(at(lead, "n")) + "</td><td class=\"num\">" +
              shown(at(lead, "mae")) + "</td><td class=\"num\">" + shown(at(lead, "rmse")) +
              "</td><td class=\"num\">" + shown(at(lead, "skill")) + "</td><td class=\"num\">" +
              shown(at(lead, "coverage_68")) + "</td><td class=\"num\">" +
              shown(at(lead, "coverage_95")) + " <span class=\"note\">(" +
              shown(at(lead, "n_with_interval")) + ")</span></td></tr>\n";
      first = false;
    }
  }
  return page + "</table></div>" + verification_plot(at(verification, "windows")) + "</section>\n";
}

std::string sources_section(const ordered_json& status) {
  std::string page = "<section id=\"sources\"><h2>Sources</h2>\n";
  const ordered_json& sources = at(status, "sources");
  if (!sources.is_object()) {
    return page + "<p>Unknown: this cycle's report says nothing of the sources.</p></section>\n";
  }
  page += "<table>\n";
  for (const auto& source : sources.items()) {
    const bool ok = at(source.value(), "ok") == true;
    page += "<tr><td>" + escaped(source_label(source.key())) + "</td><td><span class=\"badge " +
            (ok ? "good\">ok" : "bad\">failed") + "</span></td></tr>\n";
  }
  return page + "</table></section>\n";
}

}  // namespace

std::string status_page(const ordered_json& status, const std::string& picture_png) {
  const std::string variant = shown(at(status, "variant"));
  const std::string outcome =
      at(status, "outcome").is_string() ? at(status, "outcome").get<std::string>() : "";
  const OutcomeText& text = outcome_text(outcome);
  const bool stale = at(at(status, "freshness"), "stale") == true;
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
      variant + " forecast cycle: " + escaped(outcome) + "</title>\n" + kStyle +
      "</head>\n<body>\n<header>\n<h1>" + variant + " forecast cycle of " +
      shown(at(status, "cycle_time")) + "</h1>\n<p><span class=\"badge " + text.tone +
      "\" id=\"outcome\">" + escaped(outcome) + "</span>" +
      (stale ? " <span class=\"badge warn\">stale</span>" : "") + " exit status " +
      shown(at(status, "exit_status")) + ". " + text.sentence + "</p>\n</header>\n";
  page += alert_banner(status);
  page += stale_banner(at(status, "freshness"));
  page += failures_section(status);
  page += "<div class=\"grid\">\n<div class=\"col\">\n" + forecast_section(status, picture_png) +
          "</div>\n<div class=\"col\">\n" + freshness_section(at(status, "freshness")) +
          scores_section(status) + "</div>\n<div class=\"col\">\n" + verification_section(status) +
          sources_section(status);
  // What could not be read is said on the page too, so that a missing table
  // row is not taken for a source that went well.
  const ordered_json& problems = at(status, "problems");
  if (problems.is_array() && !problems.empty()) {
    page += "<section id=\"problems\"><h2>Problems reading this cycle's files</h2><ul>\n";
    for (const auto& problem : problems) page += "<li>" + shown(problem) + "</li>\n";
    page += "</ul></section>\n";
  }
  return page + "</div>\n</div>\n</body>\n</html>\n";
}

}  // namespace velk::status
