#include "fit/fit_run.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "fit/forward_selection.h"
#include "fit/least_squares.h"
#include "fit/regression_rows.h"
#include "fit/term_file.h"
#include "forecast/format/run_end.h"
#include "forecast/model/forecast.h"
#include "forecast/model/gap_policy.h"
#include "forecast/model/model_file.h"
#include "forecast/run/configuration.h"
#include "forecast/run/input_tables.h"
#include "forecast/run/output_file.h"

namespace velk::fit {
namespace {

class FitError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The forecaster's own message lines carry a leading blank and a line feed.
std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \n");
  const std::size_t last = text.find_last_not_of(" \n");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

struct History {
  std::string name;
  std::unique_ptr<forecast::HourlyTable> table;
};

// Everything that places a model and decides which values are missing must
// agree between the stretches, or the stacked rows would mean different things.
void check_same_block(const forecast::Configuration& a, const forecast::Configuration& b,
                      const std::string& name_a, const std::string& name_b) {
  auto differ = [&](const char* what) {
    throw FitError(name_b + " differs from " + name_a + " in " + what +
                   "; every history must use the same model block");
  };
  if (a.KY != b.KY) differ("KY");
  if (a.LT != b.LT) differ("LT");
  if (a.UFLAG != b.UFLAG) differ("UFLAG");
  if (a.LMAX != b.LMAX) differ("LMAX");
  if (a.DT != b.DT) differ("DT");
  if (a.UF != b.UF) differ("UF");
}

History load_history(const std::string& name, const forecast::Configuration& config,
                     std::ostream& out) {
  History h{name, nullptr};
  const int mag_records = forecast::count_mag_records(config.FNMAG);
  h.table = std::make_unique<forecast::HourlyTable>(forecast::table_rows(config.LT, mag_records));
  forecast::read_input_tables(*h.table, config.UF, forecast::input_files(config), out);
  return h;
}

forecast::Model model_of(const std::vector<CandidateTerm>& candidates,
                         const std::vector<int>& columns) {
  forecast::Model m;
  for (int k : columns) {
    m.terms.push_back(candidates[static_cast<std::size_t>(k)].factors);
    m.coefficients.push_back(0.0);
  }
  m.covariance_matrix.assign(m.coefficients.size() * m.coefficients.size(), 0.0);
  return m;
}

RegressionRows rows_for(const forecast::Model& model, const std::vector<History>& histories,
                        const forecast::ForecastSetup& setup) {
  RegressionRows rows(model.term_count());
  for (const History& h : histories) rows.append(model, *h.table, setup);
  return rows;
}

std::string number(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}
std::string number(const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The configurations, read and checked to share one model block; `maxlag`
// receives the first one's greatest lag.
std::vector<forecast::Configuration> read_configurations(const FitRequest& request, int& maxlag) {
  if (request.configurations.empty()) throw FitError("no configuration given");
  std::vector<forecast::Configuration> configs;
  for (const std::string& path : request.configurations)
    configs.push_back(forecast::read_configuration(path));
  const forecast::Configuration& config = configs.front();
  maxlag = forecast::validate_configuration(config);
  for (std::size_t k = 1; k < configs.size(); ++k)
    check_same_block(config, configs[k], request.configurations[0], request.configurations[k]);
  return configs;
}

struct OutputPaths {
  std::string model, covariance;
};

// Where the lead step's model and covariance go: as requested, else as the
// configuration names them.
OutputPaths output_paths(const FitRequest& request, const forecast::Configuration& config) {
  const int models = forecast::model_count(config);
  if (request.step < 1 || request.step > models)
    throw FitError("lead step " + std::to_string(request.step) + " is outside 1.." +
                   std::to_string(models) + " (LT / DT(KY) of the configuration)");
  const std::size_t step_index = static_cast<std::size_t>(request.step - 1);
  const std::string model_path =
      request.model_path.empty() ? config.FNRES[step_index] : request.model_path;
  const std::string covariance_path =
      request.covariance_path.empty() ? config.FNCOV[step_index] : request.covariance_path;
  if (model_path.empty() || covariance_path.empty())
    throw FitError("FNRES(" + std::to_string(request.step) + ") or FNCOV(" +
                   std::to_string(request.step) + ") is blank; name the output files");
  return {model_path, covariance_path};
}

// Each configuration's hourly table, read the forecaster's way; each must
// reach past the first base row.
std::vector<History> load_histories(const FitRequest& request,
                                    const std::vector<forecast::Configuration>& configs, int maxlag,
                                    std::ostream& out) {
  std::vector<History> histories;
  for (std::size_t k = 0; k < configs.size(); ++k) {
    histories.push_back(load_history(request.configurations[k], configs[k], out));
    // The model will be evaluated on the table its gap file makes; fitted on
    // that table, it learns from the very values it will read.
    if (!request.gap_file.empty()) {
      forecast::HourlyTable& table = *histories.back().table;
      table =
          forecast::bridged_table(table, configs[k].UF, forecast::read_gap_file(request.gap_file));
    }
    if (histories.back().table->rows_read <= maxlag)
      throw FitError(request.configurations[k] + ": " +
                     std::to_string(histories.back().table->rows_read) +
                     " rows read, the first base row is " + std::to_string(maxlag + 1));
  }
  return histories;
}

// Term selection on the rows where every candidate can be evaluated: the
// candidates' columns to fit, all of them without --max-terms.
// `error_reduction` receives each selected candidate's ratio (-1 for the rest).
std::vector<int> select_columns(const FitRequest& request,
                                const std::vector<CandidateTerm>& candidates,
                                const std::vector<History>& histories,
                                const forecast::ForecastSetup& setup,
                                std::vector<double>& error_reduction, std::ostream& out) {
  std::vector<int> columns(candidates.size());
  for (std::size_t k = 0; k < candidates.size(); ++k) columns[k] = static_cast<int>(k);
  error_reduction.assign(candidates.size(), -1.0);
  const int all = static_cast<int>(candidates.size());
  if (request.max_terms > 0 && request.max_terms < all) {
    const RegressionRows candidate_rows = rows_for(model_of(candidates, columns), histories, setup);
    std::vector<int> forced;
    for (int k = 0; k < all; ++k)
      if (candidates[static_cast<std::size_t>(k)].keep) forced.push_back(k);
    if (static_cast<int>(forced.size()) > request.max_terms)
      throw FitError(std::to_string(forced.size()) +
                     " terms are marked keep, more than --max-terms " +
                     std::to_string(request.max_terms));
    const std::vector<SelectedTerm> chosen =
        select_terms(candidate_rows.design(), candidate_rows.targets(), request.max_terms, forced);
    std::vector<int> selected;
    for (const SelectedTerm& s : chosen) {
      selected.push_back(s.column);
      error_reduction[static_cast<std::size_t>(s.column)] = s.error_reduction;
    }
    for (int k : forced)
      if (error_reduction[static_cast<std::size_t>(k)] < 0.0)
        throw FitError(
            request.term_file + ":" + std::to_string(candidates[static_cast<std::size_t>(k)].line) +
            ": the kept term is zero or depends on the other kept terms on the " + "training rows");
    out << "selection: " << selected.size() << " of " << all
        << " candidate terms by error reduction ratio on " << candidate_rows.rows() << " rows\n";
    columns = selected;
  }
  return columns;
}

// Sets the model's coefficients and covariance from the least-squares solution.
void solve_into(forecast::Model& model, const Eigen::MatrixXd& x, const Eigen::VectorXd& y) {
  const LeastSquaresFit solution = solve_least_squares(x, y);
  const int n = model.term_count();
  for (int j = 0; j < n; ++j)
    model.coefficients[static_cast<std::size_t>(j)] = solution.coefficients(j);
  for (int j = 0; j < n; ++j)
    for (int m = 0; m < n; ++m)
      model.covariance_matrix[static_cast<std::size_t>(j * n + m)] = solution.covariance(j, m);
}

// The summary of a written fit: a line per term, per history, and the scores
// of what was written.
void write_summary(const forecast::Model& model, const forecast::Model& written,
                   const std::vector<int>& columns, const std::vector<double>& error_reduction,
                   const std::vector<History>& histories, const forecast::ForecastSetup& setup,
                   const RegressionRows& rows, const FitQuality& quality, const OutputPaths& paths,
                   std::ostream& out) {
  const int n = model.term_count();
  out << " term  coefficient    std.error  err.red.  factors (input:lag^power)\n";
  for (int j = 0; j < n; ++j) {
    const int k = columns[static_cast<std::size_t>(j)];
    const double err = error_reduction[static_cast<std::size_t>(k)];
    out << number("%5d", j + 1)
        << number("  %12.5e", written.coefficients[static_cast<std::size_t>(j)])
        << number("  %11.4e", std::sqrt(std::max(0.0, written.covariance(j + 1, j + 1))))
        << (err >= 0.0 ? number("  %8.5f", err) : std::string("         -")) << "  "
        << describe_term(written.terms[static_cast<std::size_t>(j)]) << "\n";
  }
  for (const History& h : histories) {
    RegressionRows own(n);
    own.append(model, *h.table, setup);
    out << "history " << h.name << ": " << h.table->rows_read << " rows read, " << own.rows()
        << " regression rows\n";
  }
  out << "rows used: " << rows.rows() << ", terms: " << n << "\n"
      << "residual RMS error: " << number("%.4f", quality.rms_error) << "\n"
      << "prediction efficiency (training rows): " << number("%.4f", quality.prediction_efficiency)
      << "\n"
      << "wrote " << paths.model << " and " << paths.covariance << "\n";
}

int fit(const FitRequest& request, std::ostream& out) {
  int maxlag = 0;
  const std::vector<forecast::Configuration> configs = read_configurations(request, maxlag);
  const forecast::Configuration& config = configs.front();
  const OutputPaths paths = output_paths(request, config);
  const std::vector<CandidateTerm> candidates =
      read_term_file(request.term_file, config, request.step - config.LT);
  const forecast::RunShape shape = forecast::run_shape(config, maxlag);
  forecast::ForecastSetup setup = forecast::ForecastSetup::of(shape);
  setup.lead_step = request.step;
  const std::vector<History> histories = load_histories(request, configs, maxlag, out);

  const std::string target_name = config.UN[shape.target_index()];
  out << "velk_fit: lead step " << request.step << " of " << target_name << " (KY=" << config.KY
      << ", LT=" << config.LT << ", DT(KY)=" << setup.cadence << ", MAXLAG=" << maxlag
      << "), target row = base row + " << config.LT << "\n";

  std::vector<double> error_reduction;
  const std::vector<int> columns =
      select_columns(request, candidates, histories, setup, error_reduction, out);

  forecast::Model model = model_of(candidates, columns);
  bool any_factor = false;
  for (const forecast::Model::Term& t : model.terms) any_factor = any_factor || !t.empty();
  if (!any_factor)
    throw FitError(
        "the selected terms are all constant; the forecaster gives no forecast for such "
        "a model");

  // The final fit uses every row on which the chosen terms can be evaluated,
  // which is exactly where the forecaster will give a forecast.
  const RegressionRows rows = rows_for(model, histories, setup);
  const Eigen::MatrixXd x = rows.design();
  const Eigen::VectorXd y = rows.targets();
  solve_into(model, x, y);

  // Put in place whole or not at all, as the forecaster's own outputs are: the
  // forecaster reads these files next.
  forecast::write_whole_file(paths.model, forecast::format_model_file(model), "the model file");
  forecast::write_whole_file(paths.covariance, forecast::format_covariance_file(model),
                             "the covariance file");

  // Score what was written, read back the forecaster's way: the files carry
  // six significant digits, and that is what the forecasts will use.
  forecast::Model written = forecast::read_model_file(paths.model);
  forecast::read_covariance_file(paths.covariance, written);
  const int n = model.term_count();
  Eigen::VectorXd c(n);
  for (int j = 0; j < n; ++j) c(j) = written.coefficients[static_cast<std::size_t>(j)];
  const FitQuality quality = fit_quality(y, x * c);

  write_summary(model, written, columns, error_reduction, histories, setup, rows, quality, paths,
                out);
  return 0;
}

}  // namespace

int run_fit(const FitRequest& request, std::ostream& out, std::ostream& err) {
  // Past a file-size limit the signal would end the fit in the middle of a
  // write and leave the temporary file behind; ignored, the write fails
  // cleanly and the earlier model stays.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return fit(request, out);
  } catch (const forecast::RunEnd& end) {
    err << "velk_fit: " << trimmed(end.text()) << "\n";
  } catch (const TermFileError& e) {
    err << "velk_fit: " << e.what() << "\n";
  } catch (const RankDeficientError& e) {
    err << "velk_fit: cannot fit: " << e.what() << "\n";
  } catch (const FitError& e) {
    err << "velk_fit: " << e.what() << "\n";
  } catch (const std::invalid_argument& e) {
    err << "velk_fit: " << e.what() << "\n";
  }
  return 1;
}

}  // namespace velk::fit
