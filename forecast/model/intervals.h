// The uncertainty of a forecast: the model's own standard error, from the
// covariance of its coefficients, combined with its recent residual error,
// the root mean square of its errors over the rows whose observation had
// arrived when the forecast was made. The standard error says how well the
// coefficients are known and is small for a model fitted on years of hours;
// the residual error says how far the index strays from any such model, and
// follows quiet and stormy weeks.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/model/model_file.h"
#include "forecast/model/scores.h"

namespace velk::forecast {

// Standard errors cost a sum over term pairs on every row and the whole
// covariance matrix in memory. A model with more terms gets none, and its
// intervals rest on its residual error alone.
constexpr int kMaxTermsWithStandardErrors = 400;
// Residuals of the 30 days before a forecast's base hour make its residual error.
constexpr int kResidualWindowHours = 30 * 24;
// Fewer residuals than this give no interval at all.
constexpr int kMinResiduals = 10;
// Half-widths of the central 68 % and 95 % intervals in units of the
// combined error. The errors of every index have heavier tails than a normal
// distribution's: its 95 % half-width (1.96) held 94.6-94.9 % of the
// observations on the training years, but its 68 % one (0.994) held 71-83 %.
// 0.85 holds 64-79 % there (Dst 68-69 %).
constexpr double kHalfWidth68 = 0.85;
constexpr double kHalfWidth95 = 1.959964;

constexpr double kNoError = std::numeric_limits<double>::quiet_NaN();

// Reads the covariance matrix into `model` when the model is small enough for
// standard errors (kMaxTermsWithStandardErrors), else only checks the file.
void load_covariance(const std::string& path, Model& model);

// The residual error of forecasts y for lead step setup.lead_step at every
// row f (index f - 1): the root mean square of y - observation over the
// scored rows t with f - lead_step - window_hours < t <= f - lead_step that
// the forecast covered (setup.rows_covered) and hold both values; kNoError where fewer than
// kMinResiduals.
std::vector<double> trailing_residual_error(const ScoreSetup& setup, const HourlyTable& table,
                                            const std::vector<double>& y,
                                            int window_hours = kResidualWindowHours);

// The error of each row's forecast, that of the model that made it:
// sqrt(standard_error[f]^2 + residual_error^2), with the residual error of
// y_of_model[model[f]]. kNoError where model[f] is -1 (no forecast) or that
// model has too few residuals.
std::vector<double> forecast_errors(const ScoreSetup& setup, const HourlyTable& table,
                                    const std::vector<double>& standard_error,
                                    const std::vector<int>& model,
                                    const std::vector<std::vector<double>>& y_of_model);

struct Interval {
  double lower = 0.0;
  double upper = 0.0;
};

// y +- half_width * error, kept within the index's scale [lowest, highest].
Interval central_interval(double y, double error, double half_width, double lowest, double highest);

}  // namespace velk::forecast
