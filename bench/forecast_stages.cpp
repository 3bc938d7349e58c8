// bench_forecast_stages: times the forecaster's stages one by one, inside one
// process, on the velk_nrt.cfg of the current directory.
//
//   bench_forecast_stages [REPEATS]
//
// Prints one "stage milliseconds" line per stage (the median over REPEATS
// passes, default 5), summed over all models where a stage runs per model,
// then the sizes. Besides the library's own evaluation with standard errors
// ("evaluate") it times the forecasts alone, without them, as velk_nrt makes
// them ("forecasts_only"), to show what the covariance part costs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/program_info.h"
#include "forecast/format/run_end.h"
#include "forecast/model/forecast.h"
#include "forecast/model/model_file.h"
#include "forecast/model/scores.h"
#include "forecast/run/configuration.h"
#include "forecast/run/input_tables.h"
#include "forecast/run/table_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double elapsed_ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The number of base rows that get a forecast: those where every factor
// reads a value.
int rows_forecast(const velk::forecast::Model& model, const velk::forecast::ForecastSetup& setup,
                  const velk::forecast::HourlyTable& table, int rows_covered) {
  std::vector<double> p;
  velk::forecast::EvaluationPlan plan(model);
  int evaluated = 0;
  for (int b = setup.first_base_row(); b <= rows_covered; b += setup.cadence)
    if (plan.has_factors() && plan.products(table, setup.fill, b, p)) ++evaluated;
  return evaluated;
}

struct PassSizes {
  int rows = 0, rows_read = 0, models = 0, terms = 0, base_rows = 0, evaluated = 0;
};

// One pass over every stage; adds each stage's time to `times`.
PassSizes one_pass(std::map<std::string, std::vector<double>>& times) {
  PassSizes sizes;
  auto start = Clock::now();
  const velk::forecast::Configuration config =
      velk::forecast::read_configuration(velk::forecast::kConfigurationFile);
  const velk::forecast::RunShape shape =
      velk::forecast::run_shape(config, velk::forecast::validate_configuration(config));
  const int table_rows =
      velk::forecast::table_rows(shape.lead_time, velk::forecast::count_mag_records(config.FNMAG));
  times["configuration"].push_back(elapsed_ms(start));

  start = Clock::now();
  velk::forecast::HourlyTable table(table_rows);
  std::ostringstream messages;
  velk::forecast::read_input_tables(table, config.UF, velk::forecast::input_files(config),
                                    messages);
  times["read_inputs"].push_back(elapsed_ms(start));

  const velk::forecast::ForecastSetup setup = velk::forecast::ForecastSetup::of(shape);

  double model_io = 0, evaluate = 0, only = 0, scoring = 0;
  std::vector<std::vector<double>> forecasts;
  for (int i = 1; i <= shape.model_count; ++i) {
    const std::size_t m = static_cast<std::size_t>(i - 1);
    start = Clock::now();
    velk::forecast::Model model = velk::forecast::read_model_file(config.FNRES[m]);
    velk::forecast::read_covariance_file(config.FNCOV[m], model);
    model_io += elapsed_ms(start);

    start = Clock::now();
    velk::forecast::ForecastRows rows = velk::forecast::forecast(model, setup, table);
    evaluate += elapsed_ms(start);

    velk::forecast::ForecastSetup without_errors = setup;
    without_errors.standard_errors = false;
    start = Clock::now();
    velk::forecast::forecast(model, without_errors, table);
    only += elapsed_ms(start);
    sizes.evaluated += rows_forecast(model, setup, table, rows.rows_covered);

    start = Clock::now();
    velk::forecast::score_model(velk::forecast::ScoreSetup::of(shape, i, rows.rows_covered), table,
                                rows.y);
    scoring += elapsed_ms(start);

    sizes.terms += model.term_count();
    const int last = velk::forecast::last_base_row(setup, rows.rows_covered);
    if (last > 0) sizes.base_rows += (last - setup.max_lag - 1) / setup.cadence + 1;
    forecasts.push_back(std::move(rows.y));
  }
  times["read_models"].push_back(model_io);
  times["evaluate"].push_back(evaluate);
  times["forecasts_only"].push_back(only);
  times["score"].push_back(scoring);

  start = Clock::now();
  const velk::forecast::TableLayout layout = velk::forecast::TableLayout::of(config, shape);
  std::ostringstream table_text;
  velk::forecast::write_forecast_table(table_text, layout, table, forecasts);
  times["format_table"].push_back(elapsed_ms(start));

  sizes.rows = table_rows;
  sizes.rows_read = table.rows_read;
  sizes.models = shape.model_count;
  return sizes;
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = 5;
  if (argc == 2) repeats = std::atoi(argv[1]);
  if (argc > 2 || repeats < 1 || repeats > 1000) {
    std::cerr << "usage: bench_forecast_stages [REPEATS 1..1000]\n";
    return velk::kExitUsage;
  }
  std::map<std::string, std::vector<double>> times;
  PassSizes sizes;
  try {
    for (int r = 0; r < repeats; ++r) sizes = one_pass(times);
  } catch (const velk::forecast::RunEnd& end) {
    std::cerr << "bench_forecast_stages: the run ended early:\n" << end.text();
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "bench_forecast_stages: " << e.what() << "\n";
    return 1;
  }
  for (const char* stage : {"configuration", "read_inputs", "read_models", "evaluate",
                            "forecasts_only", "score", "format_table"}) {
    std::printf("%s %.3f\n", stage, median(times[stage]));
  }
  std::printf("rows %d\nnrec %d\nmodels %d\nterms %d\nbase_rows %d\nevaluated_rows %d\n",
              sizes.rows, sizes.rows_read, sizes.models, sizes.terms, sizes.base_rows,
              sizes.evaluated);
  return 0;
}
