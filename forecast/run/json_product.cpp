#include "forecast/run/json_product.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <ostream>

#include "forecast/model/forecast.h"
#include "forecast/model/intervals.h"
#include "forecast/model/row_steps.h"

namespace velk::forecast {
namespace {

// The product is laid out in one buffer that goes to the stream whenever it
// holds this much, as the forecast table is.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

// Names of the configuration are printable text without quotes as a rule;
// anything else is escaped so that the product stays valid JSON.
std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u >= 0x7f) {
      // Configuration texts carry no character set; bytes above ASCII are
      // written as the Latin-1 characters they would be.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string iso_time(const HourlyTable& table, std::size_t i) {
  char text[32];
  std::snprintf(text, sizeof text, "\"%04d-%02d-%02dT%02d:00:00Z\"", table.yr[i], table.mo[i],
                table.da[i], table.hr[i]);
  return text;
}

std::string interval(double y, double error, double half_width, const ProductLayout& layout) {
  if (std::isnan(error)) return "null";
  const Interval range = central_interval(y, error, half_width, layout.lowest, layout.highest);
  return "[" + json_number(range.lower) + "," + json_number(range.upper) + "]";
}

void write_forecast(std::string& text, const LeadForecast& lead, std::size_t i,
                    const ProductLayout& layout) {
  const double y = i < lead.y.size() ? lead.y[i] : layout.fill;
  const int model = i < lead.model.size() ? lead.model[i] : -1;
  if (y == layout.fill || model < 0) {
    text += R"({"value":null,"model":null,"interval_68":null,"interval_95":null})";
    return;
  }
  const double error = i < lead.error.size() ? lead.error[i] : kNoError;
  text += "{\"value\":" + json_number(y) + ",\"model\":" + std::to_string(model) +
          ",\"interval_68\":" + interval(y, error, kHalfWidth68, layout) +
          ",\"interval_95\":" + interval(y, error, kHalfWidth95, layout) + "}";
}

}  // namespace

ProductLayout ProductLayout::of(const Configuration& config, const RunShape& shape) {
  ProductLayout layout;
  layout.table = TableLayout::of(config, shape);
  layout.fill = shape.target_fill();
  index_scale(shape.target, layout.lowest, layout.highest);
  return layout;
}

std::string json_number(double value) {
  if (!std::isfinite(value)) return "null";
  char text[64];
  const std::to_chars_result end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
  if (end.ec != std::errc()) return "null";  // beyond 60 digits: no index reaches that
  std::string number(text, end.ptr);
  number.erase(number.find_last_not_of('0') + 1);
  if (number.back() == '.') number.pop_back();
  return number == "-0" ? "0" : number;
}

void write_forecast_product(std::ostream& out, const ProductLayout& layout,
                            const HourlyTable& table, const std::vector<LeadForecast>& leads) {
  std::string text = "{\"index\":" + json_string(layout.table.name) +
                     ",\"units\":" + json_string(layout.table.units) + ",\n\"leads\":[";
  for (std::size_t k = 0; k < leads.size(); ++k) {
    text += k ? "," : "";
    text += "{\"lead_hours\":" + std::to_string(leads[k].lead_step) + ",\"models\":[";
    for (std::size_t m = 0; m < leads[k].models.size(); ++m)
      text += (m ? "," : "") + json_string(leads[k].models[m]);
    text += "]}";
  }
  text += "],\n\"rows\":[";
  bool first_row = true;
  for_each_stepped_row(
      layout.table.lead_time + layout.table.max_lag + 1, table.row_count, layout.table.cadence,
      [&](int t) {
        const std::size_t i = static_cast<std::size_t>(t - 1);
        text += first_row ? "\n" : ",\n";
        first_row = false;
        const double observed = table.at(layout.table.target, t);
        // Rows past those read hold no observation yet, only forecasts.
        const bool has_observation = t <= table.rows_read && observed != layout.fill;
        text += "{\"valid_time\":" + iso_time(table, i) +
                ",\"observed\":" + (has_observation ? json_number(observed) : "null") +
                ",\"forecasts\":[";
        for (std::size_t k = 0; k < leads.size(); ++k) {
          if (k) text += ",";
          write_forecast(text, leads[k], i, layout);
        }
        text += "]}";
        if (text.size() >= kBufferSize) {
          out << text;
          text.clear();
        }
      });
  out << text << "\n]}\n";
}

}  // namespace velk::forecast
