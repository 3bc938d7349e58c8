#include "forecast/run/table_writer.h"

#include <ostream>
#include <stdexcept>
#include <string>

#include "forecast/format/output_format.h"
#include "forecast/model/row_steps.h"

namespace velk::forecast {

TableLayout TableLayout::of(const Configuration& config, const RunShape& shape) {
  TableLayout layout;
  layout.fmdat = config.FMDAT;
  layout.fmdath = config.FMDATH;
  layout.name = config.UN[shape.target_index()];
  layout.units = config.UU[shape.target_index()];
  layout.target = shape.target;
  layout.lead_time = shape.lead_time;
  layout.cadence = shape.cadence;
  layout.max_lag = shape.max_lag;
  return layout;
}

namespace {

// The table is laid out in one buffer that goes to the stream whenever it
// holds this much: few writes, and memory that does not grow with the table.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

void format_table(std::ostream& out, std::string& text, const TableLayout& layout,
                  const HourlyTable& table, const std::vector<std::vector<double>>& forecasts) {
  const std::string units_label = "[" + layout.units + "]";
  const OutputFormat header = OutputFormat::parse(layout.fmdath);
  std::vector<FormatItem> items{layout.name + " " + units_label};
  // One lead label per step up to the lead time; with a lead time not a
  // multiple of the cadence this is one label more than there are models.
  for_each_stepped_row(1, layout.lead_time, layout.cadence, [&](int lead) {
    items.emplace_back(lead);
    items.emplace_back(units_label);
  });
  header.write(text, items);

  const OutputFormat row = OutputFormat::parse(layout.fmdat);
  for_each_stepped_row(layout.lead_time + layout.max_lag + 1, table.row_count, layout.cadence,
                       [&](int t) {
                         const std::size_t i = static_cast<std::size_t>(t - 1);
                         items.clear();
                         items.emplace_back((table.doy[i] - 1) * 24 + table.hr[i] + 1);
                         items.emplace_back(table.row_count - t + 1);
                         items.emplace_back(table.yr[i]);
                         items.emplace_back(table.mo[i]);
                         items.emplace_back(table.da[i]);
                         items.emplace_back(table.doy[i]);
                         items.emplace_back(table.hr[i]);
                         items.emplace_back(table.at(layout.target, t));
                         for (const std::vector<double>& model : forecasts)
                           items.emplace_back(model[i]);
                         row.write(text, items);
                         if (text.size() >= kBufferSize) {
                           out << text;
                           text.clear();
                         }
                       });
}

}  // namespace

void write_forecast_table(std::ostream& out, const TableLayout& layout, const HourlyTable& table,
                          const std::vector<std::vector<double>>& forecasts) {
  if (layout.cadence < 1 || layout.lead_time < 0 || layout.max_lag < 0)
    throw std::invalid_argument("forecast table: cadence, lead time or lag out of range");

  // On a format error the lines completed before it still reach `out`.
  std::string text;
  text.reserve(kBufferSize + kBufferSize / 8);
  try {
    format_table(out, text, layout, table, forecasts);
  } catch (const FormatError&) {
    out << text;
    throw;
  }
  out << text;
}

}  // namespace velk::forecast
