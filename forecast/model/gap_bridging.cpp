#include "forecast/model/gap_bridging.h"

#include <cstddef>
#include <stdexcept>
#include <utility>

namespace velk::forecast {

BridgedForecast forecast_bridging_gaps(const std::vector<Model>& models, const ForecastSetup& setup,
                                       HourlyTable& table, HourlyTable& bridged) {
  if (models.empty()) throw std::invalid_argument("forecast_bridging_gaps: no model");
  // Each model once on the table as read and once on the bridged one: a row
  // that only the bridged table lets a model evaluate read a carried value.
  // The pass on the table as read only tells which rows it can evaluate.
  ForecastSetup as_read_setup = setup;
  as_read_setup.standard_errors = false;
  std::vector<ForecastRows> as_read, on_bridged;
  for (const Model& model : models) {
    as_read.push_back(forecast(model, as_read_setup, table));
    bridged.nrec = table.nrec;
    on_bridged.push_back(forecast(model, setup, bridged));
  }
  BridgedForecast out;
  out.y = on_bridged.front().y;
  out.dym = on_bridged.front().dym;
  out.model.assign(out.y.size(), -1);
  for (std::size_t f = 0; f < out.y.size(); ++f) {
    for (std::size_t k = 0; k < models.size(); ++k) {
      if (!on_bridged[k].made[f]) continue;
      out.y[f] = on_bridged[k].y[f];
      out.dym[f] = on_bridged[k].dym[f];
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
