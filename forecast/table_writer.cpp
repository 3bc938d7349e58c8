#include "forecast/table_writer.h"

#include <ostream>
#include <stdexcept>
#include <string>

#include "forecast/output_format.h"
#include "forecast/row_steps.h"

namespace velk {

TableLayout TableLayout::of(const Configuration& config, int maxlag) {
  const std::size_t ky = static_cast<std::size_t>(config.KY - 1);
  TableLayout layout;
  layout.fmdat = config.FMDAT;
  layout.fmdath = config.FMDATH;
  layout.name = config.UN[ky];
  layout.units = config.UU[ky];
  layout.ky = config.KY;
  layout.lt = config.LT;
  layout.step = config.DT[ky];
  layout.maxlag = maxlag;
  return layout;
}

namespace {

void format_table(std::string& text, const TableLayout& layout, const HourlyTable& table,
                  const std::vector<std::vector<double>>& yy) {
  const std::string units_label = "[" + layout.units + "]";
  const OutputFormat header = OutputFormat::parse(layout.fmdath);
  std::vector<FormatItem> items{layout.name + " " + units_label};
  // One lead label per step up to LT; with LT not a multiple of the cadence
  // this is one label more than there are models.
  for_each_stepped_row(1, layout.lt, layout.step, [&](int lead) {
    items.emplace_back(lead);
    items.emplace_back(units_label);
  });
  header.write(text, items);

  const OutputFormat row = OutputFormat::parse(layout.fmdat);
  const int first = layout.lt + layout.maxlag + 1;
  for_each_stepped_row(first, table.nmax, layout.step, [&](int t) {
    const std::size_t i = static_cast<std::size_t>(t - 1);
    items.clear();
    items.emplace_back((table.doy[i] - 1) * 24 + table.hr[i] + 1);
    items.emplace_back(table.nmax - t + 1);
    items.emplace_back(table.yr[i]);
    items.emplace_back(table.mo[i]);
    items.emplace_back(table.da[i]);
    items.emplace_back(table.doy[i]);
    items.emplace_back(table.hr[i]);
    items.emplace_back(table.at(layout.ky, t));
    for (const std::vector<double>& model : yy) items.emplace_back(model[i]);
    const std::size_t before = text.size();
    row.write(text, items);
    // The rows come out about equally long: room for the others at once.
    if (t == first) {
      const auto rows_left = static_cast<std::size_t>((table.nmax - t) / layout.step);
      text.reserve(text.size() + (text.size() - before) * rows_left);
    }
  });
}

}  // namespace

void write_forecast_table(std::ostream& out, const TableLayout& layout, const HourlyTable& table,
                          const std::vector<std::vector<double>>& yy) {
  if (layout.step < 1 || layout.lt < 0 || layout.maxlag < 0)
    throw std::invalid_argument("forecast table: cadence, lead time or lag out of range");

  // The whole table is laid out in one buffer and written at once; on a
  // format error the lines completed before it still reach `out`.
  std::string text;
  try {
    format_table(text, layout, table, yy);
  } catch (const FormatError&) {
    out << text;
    throw;
  }
  out << text;
}

}  // namespace velk
