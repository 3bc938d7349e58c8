#include "forecast/run/velk_run.h"

#include <csignal>
#include <ctime>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "forecast/format/output_format.h"
#include "forecast/format/run_end.h"
#include "forecast/model/forecast.h"
#include "forecast/model/gap_bridging.h"
#include "forecast/model/gap_policy.h"
#include "forecast/model/intervals.h"
#include "forecast/model/model_file.h"
#include "forecast/model/scores.h"
#include "forecast/run/configuration.h"
#include "forecast/run/input_tables.h"
#include "forecast/run/json_product.h"
#include "forecast/run/output_file.h"
#include "forecast/run/table_writer.h"

namespace velk::forecast {
namespace {

DateTime creation_time(const Clock& clock) {
  DateTime now;
  now.year = now.month = now.day = now.hour = now.minute = now.second = -1;
  if (!clock(now) || now.year < 0 || now.month < 0 || now.day < 0 || now.hour < 0 ||
      now.minute < 0 || now.second < 0)
    throw RunEnd::message("ERROR GETTING SYSTEM TIME");
  return now;
}

// The gap policy of each model, read before anything is written, so that a
// broken gap file ends the run while the outputs are still the old ones.
std::vector<std::optional<GapPolicy>> read_gap_policies(const Configuration& config,
                                                        const RunShape& shape) {
  std::vector<std::optional<GapPolicy>> policies;
  for (int i = 0; i < shape.model_count; ++i)
    policies.push_back(read_gap_policy(config.FNRES[static_cast<std::size_t>(i)]));
  return policies;
}

// The files the gap policies make the run read, which no output may replace.
std::vector<NamedInput> files_of(const std::vector<std::optional<GapPolicy>>& policies,
                                 const Configuration& config) {
  std::vector<NamedInput> files;
  for (std::size_t m = 0; m < policies.size(); ++m) {
    if (!policies[m]) continue;
    files.emplace_back("A GAP FILE", gap_file_name(config.FNRES[m]));
    for (const std::string& name : policies[m]->fallback_models) files.emplace_back("FBRES", name);
    for (const std::string& name : policies[m]->fallback_covariances)
      files.emplace_back("FBCOV", name);
  }
  return files;
}

bool has_covariance(const Model& model) {
  return model.covariance_matrix.size() == model.coefficients.size() * model.coefficients.size();
}

// A model with a gap file: its fallbacks read and checked like the model, then
// all of them evaluated on the table the policy makes.
BridgedForecast forecast_with_policy(const Model& model, const GapPolicy& policy,
                                     ForecastSetup setup, const HourlyTable& table) {
  std::vector<Model> models{model};
  for (std::size_t k = 0; k < policy.fallback_models.size(); ++k) {
    models.push_back(read_model_file(policy.fallback_models[k]));
    load_covariance(policy.fallback_covariances[k], models.back());
    setup.standard_errors = setup.standard_errors && has_covariance(models.back());
  }
  const HourlyTable bridged = bridged_table(table, setup.fill, policy);
  return forecast_bridging_gaps(models, setup, table, bridged);
}

// One lead step's forecast as the product shows it, and its metadata block.
struct LeadStepResult {
  LeadForecast lead;
  std::string metadata_block;
};

// Lead step `lead_step` (1..model_count) with model file `model_name`, on its
// own or with its gap policy.
LeadStepResult forecast_lead_step(int lead_step, const std::string& model_name,
                                  const std::string& covariance_name,
                                  const std::optional<GapPolicy>& policy, const RunShape& shape,
                                  const HourlyTable& table) {
  Model model = read_model_file(model_name);
  load_covariance(covariance_name, model);
  ForecastSetup setup = ForecastSetup::of(shape);
  setup.lead_step = lead_step;
  setup.standard_errors = has_covariance(model);
  if (!policy) {
    ForecastRows rows = forecast(model, setup, table);
    const ScoreSetup scoring = ScoreSetup::of(shape, lead_step, rows.rows_covered);
    const Scores scores = score_model(scoring, table, rows.y);
    std::vector<int> made(rows.made.begin(), rows.made.end());
    for (int& k : made) k = k ? 0 : -1;
    std::vector<double> error =
        forecast_errors(scoring, table, rows.standard_error, made, {rows.y});
    return {{lead_step, {model_name}, std::move(rows.y), std::move(made), std::move(error)},
            metadata_model_block(lead_step, scores)};
  }
  BridgedForecast rows = forecast_with_policy(model, *policy, setup, table);
  const ScoreSetup scoring = ScoreSetup::of(shape, lead_step, rows.rows_covered);
  const Scores scores = score_model(scoring, table, rows.y);
  std::vector<std::string> names{model_name};
  names.insert(names.end(), policy->fallback_models.begin(), policy->fallback_models.end());
  std::vector<double> error =
      forecast_errors(scoring, table, rows.standard_error, rows.model, rows.y_of_model);
  return {{lead_step, std::move(names), std::move(rows.y), std::move(rows.model), std::move(error)},
          metadata_model_block(lead_step, scores, &rows.counts)};
}

void run(std::ostream& out, const Clock& clock) {
  const Configuration config = read_configuration(kConfigurationFile);
  const RunShape shape = run_shape(config, validate_configuration(config));
  const std::vector<std::optional<GapPolicy>> policies = read_gap_policies(config, shape);
  check_output_names(config, files_of(policies, config));
  HourlyTable table(table_rows(shape.lead_time, count_mag_records(config.FNMAG)));
  // The checks above bound it; the model names below rely on that.
  if (shape.model_count < 0 || shape.model_count > kMaxModels)
    throw std::logic_error("model count out of range");

  read_input_tables(table, shape.fill, input_files(config), out);
  if (table.rows_read <= shape.max_lag)
    throw RunEnd::message("NOT ENOUGH DATA IN VALIDATION SAMPLE");
  const DateTime created = creation_time(clock);
  const TargetDescription target{config.UN[shape.target_index()], config.UU[shape.target_index()],
                                 shape.cadence, shape.target_fill()};

  // Each file is put in place when it goes out of scope, also when the run
  // ends early, with what it holds by then: the metadata with the blocks of
  // the models scored so far, the table with the lines written before a
  // format error. A failed write of any keeps all three earlier files.
  OutputGroup outputs;
  OutputFile metadata(config.FNMET, "the metadata file", &outputs);
  metadata.stream() << metadata_head(created, table, shape.first_forecast_row(), target);
  metadata.flush();
  MetadataClosing closing(metadata.stream());

  std::vector<std::vector<double>> forecasts;  // per lead step, as the table shows them
  std::vector<LeadForecast> leads;
  for (int lead_step = 1; lead_step <= shape.model_count; ++lead_step) {
    const std::size_t m = static_cast<std::size_t>(lead_step - 1);
    LeadStepResult result =
        forecast_lead_step(lead_step, config.FNRES[m], config.FNCOV[m], policies[m], shape, table);
    forecasts.push_back(result.lead.y);
    leads.push_back(std::move(result.lead));
    metadata.stream() << result.metadata_block;
    metadata.flush();
  }
  closing.close();
  metadata.flush();

  OutputFile data(config.FNDAT, "the forecast table", &outputs);
  try {
    write_forecast_table(data.stream(), TableLayout::of(config, shape), table, forecasts);
  } catch (const FormatError& e) {
    throw RunEnd::abnormal("velk_nrt: cannot write forecast table " + config.FNDAT + ": " +
                           e.what());
  }
  // Created once the table is whole, so that a run ending early leaves the
  // earlier product rather than one that does not describe the table beside it.
  OutputFile product(forecast_product_name(config.FNDAT), "the forecast product", &outputs);
  write_forecast_product(product.stream(), ProductLayout::of(config, shape), table, leads);
  // The table before the product, which never shares a name with it, and
  // after the metadata: it wins should those two names be one.
  outputs.commit();
}

}  // namespace

bool local_clock(DateTime& now) {
  const std::time_t seconds = std::time(nullptr);
  std::tm local{};
  if (seconds == static_cast<std::time_t>(-1) || localtime_r(&seconds, &local) == nullptr)
    return false;
  now.year = local.tm_year + 1900;
  now.month = local.tm_mon + 1;
  now.day = local.tm_mday;
  now.hour = local.tm_hour;
  now.minute = local.tm_min;
  now.second = local.tm_sec;
  return true;
}

int run_velk_nrt(std::ostream& out, std::ostream& err, const Clock& clock) {
  // Past a file-size limit the signal would end the run in the middle of a
  // write and leave the temporary output file behind; ignored, the write
  // fails, the temporary file is removed and the earlier file stays.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    run(out, clock);
    out.flush();
    return kRunFinished;
  } catch (const RunEnd& end) {
    std::ostream& to = end.kind() == RunEnd::Kind::kMessage ? out : err;
    to << end.text();
    if (end.text().empty() || end.text().back() != '\n') to << '\n';
    to.flush();
    return end.kind() == RunEnd::Kind::kMessage ? kRunFinished : kRunAbnormal;
  } catch (const std::bad_alloc&) {
    err << "velk_nrt: not enough memory for the table or a model\n";
  } catch (const std::exception& e) {
    err << "velk_nrt: " << e.what() << '\n';
  }
  return kRunAbnormal;
}

}  // namespace velk::forecast
