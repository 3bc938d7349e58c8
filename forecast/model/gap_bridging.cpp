#include "forecast/model/gap_bridging.h"

#include <cstddef>
#include <stdexcept>
#include <utility>

namespace velk::forecast {

BridgedForecast forecast_bridging_gaps(const std::vector<Model>& models, const ForecastSetup& setup,
                                       const HourlyTable& table, const HourlyTable& bridged) {
  if (models.empty()) throw std::invalid_argument("forecast_bridging_gaps: no model");
  if (bridged.rows_read != table.rows_read || bridged.row_count != table.row_count)
    throw std::invalid_argument("forecast_bridging_gaps: the bridged table has other rows");
  // Each model once on the table as read and once on the bridged one: a row
  // that only the bridged table lets a model evaluate read a carried value.
  // The pass on the table as read only tells which rows it can evaluate.
  ForecastSetup as_read_setup = setup;
  as_read_setup.standard_errors = false;
  std::vector<ForecastRows> as_read, on_bridged;
  for (const Model& model : models) {
    as_read.push_back(forecast(model, as_read_setup, table));
    on_bridged.push_back(forecast(model, setup, bridged));
  }
  BridgedForecast out;
  out.y = on_bridged.front().y;
  out.standard_error = on_bridged.front().standard_error;
  out.rows_covered = on_bridged.front().rows_covered;
  out.model.assign(out.y.size(), -1);
  for (std::size_t f = 0; f < out.y.size(); ++f) {
    for (std::size_t k = 0; k < models.size(); ++k) {
      if (!on_bridged[k].made[f]) continue;
      out.y[f] = on_bridged[k].y[f];
      out.standard_error[f] = on_bridged[k].standard_error[f];
      out.model[f] = static_cast<int>(k);
      ++out.counts.forecast_rows;
      if (k > 0) ++out.counts.fallback_rows;
      if (!as_read[k].made[f]) ++out.counts.carried_rows;
      break;
    }
  }
  for (ForecastRows& rows : on_bridged) out.y_of_model.push_back(std::move(rows.y));
  return out;
}

}  // namespace velk::forecast
