// Evaluation of one model over the hourly table: a forecast and its standard
// error for every target row f = b + LT, b running over the base rows
// MAXLAG + 1, MAXLAG + 1 + DT(KY), ... up to NREC.
#pragma once

#include <vector>

#include "forecast/configuration.h"
#include "forecast/hourly_table.h"
#include "forecast/model_file.h"

namespace velk {

struct ForecastSetup {
  int ky = 1;      // target input, 1..12
  int lt = 0;      // lead time in rows: the target row lies lt rows after the base row
  int maxlag = 0;  // the first base row is maxlag + 1
  int step = 1;    // DT(KY), rows between base rows
  FillValues uf{};
  // The standard errors cost a sum over term pairs on every row, the square
  // of the model's size; a caller that writes none of them can skip them.
  bool standard_errors = true;
  // Model i of the block is the forecast made i rows before its target row,
  // so it may read rows up to target - i: lags from i - lt on. 0: no such rule.
  int lead_step = 0;

  // The setup a validated configuration asks for.
  static ForecastSetup of(const Configuration& config, int maxlag);
};

// Per-row results, 1-based row t at index t - 1, nmax rows each.
struct ForecastRows {
  std::vector<double> y;    // forecast
  std::vector<double> dym;  // its standard error (all 0 when not asked for)
};

// Last base row for `nrec` rows read, or 0 when there is none.
int last_base_row(const ForecastSetup& setup, int nrec);

// Ends the run with a message line when a factor names an input outside 0..16,
// when its lag would make some base row read a row outside 1..nmax, or when
// its lag reads a row newer than the model's lead step allows.
// Checked before anything is evaluated, so evaluation never leaves the table.
void check_model_reach(const Model& model, const ForecastSetup& setup, int nrec, int nmax);

// Term products p(j) of one base row. Returns false, leaving p incomplete, as
// soon as a factor reads a value equal to its input's fill value. Adds every
// factor visited (input 0 included) to factor_count. The model must have passed
// check_model_reach for this table.
bool term_products(const Model& model, const HourlyTable& table, const FillValues& uf, int base_row,
                   std::vector<double>& p, int& factor_count);

// Evaluates the model on every base row. First lowers table.nrec to
// nmax - lt when the forecasts would otherwise leave the table; the caller's
// later steps use the lowered count. Rows that are neither target rows nor
// rows after nrec + lt hold 0; those after nrec + lt hold UF(KY).
ForecastRows forecast(const Model& model, const ForecastSetup& setup, HourlyTable& table);

}  // namespace velk
