// Evaluation of one model over the hourly table: a forecast and its standard
// error for every target row f = b + LT, b running over the base rows
// MAXLAG + 1, MAXLAG + 1 + DT(KY), ... up to NREC.
#pragma once

#include <cstddef>
#include <limits>
#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/model/model_file.h"
#include "forecast/run/configuration.h"

namespace velk::forecast {

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
  // Every forecast is kept within [lowest, highest]: the scale of the index it
  // forecasts. A polynomial in the field grows without end in a storm stronger
  // than its training years', while Kp ends at 9o and ap at 400.
  double lowest = -std::numeric_limits<double>::infinity();
  double highest = std::numeric_limits<double>::infinity();

  // The setup a validated configuration asks for, bounded to the target's scale.
  static ForecastSetup of(const Configuration& config, int maxlag);
};

// Per-row results, 1-based row t at index t - 1, nmax rows each.
struct ForecastRows {
  std::vector<double> y;    // forecast
  std::vector<double> dym;  // its standard error (all 0 when not asked for)
  std::vector<char> made;   // 1 where the model was evaluated, 0 where y is a fill or 0
};

// The scale of target input `ky`: Kp (input 10) 0..90 in tenths, ap (input
// 12) 2..400. ap's lowest step above 0 is 2, and 0 is ap's fill value: a
// forecast bounded to 0 would read as no forecast at all. Other inputs are
// left unbounded (Dst has no end to its scale).
void index_scale(int ky, double& lowest, double& highest);

// Last base row for `nrec` rows read, or 0 when there is none.
int last_base_row(const ForecastSetup& setup, int nrec);

// Ends the run with a message line when a factor names an input outside 0..16,
// when its lag would make some base row read a row outside 1..nmax, or when
// its lag reads a row newer than the model's lead step allows.
// Checked before anything is evaluated, so evaluation never leaves the table.
void check_model_reach(const Model& model, const ForecastSetup& setup, int nrec, int nmax);

// A model laid out for evaluation row after row: the values its factors
// read, each once; the powers taken of them, each once; and for every term
// the powers its factors multiply, in the factors' order. A power of a value
// is the same double however often it is taken, so every product comes out to
// the last bit as multiplying the factors term by term would form it, with
// each value read and raised only once per row. The forecaster and the fitter
// both evaluate through it, so a fitted model forecasts from the very products
// it was fitted on.
class EvaluationPlan {
 public:
  explicit EvaluationPlan(const Model& model);

  // Every factor of the model, input 0 included.
  int factor_count() const { return factor_count_; }
  bool has_factors() const { return factor_count_ != 0; }

  // Term products p(j) of one base row. Returns false, leaving p incomplete,
  // when a factor reads a value equal to its input's fill value. The model
  // must have passed check_model_reach for this table.
  bool products(const HourlyTable& table, const FillValues& uf, int base_row,
                std::vector<double>& p);

 private:
  struct Read {
    int input, lag;
  };
  struct Power {
    std::size_t read;
    int power;
  };
  std::vector<Read> reads_;
  std::vector<Power> powers_;
  std::vector<std::size_t> factor_powers_;  // the factors with an input, term after term
  std::vector<std::size_t> term_ends_;      // where each term's factors end in factor_powers_
  int factor_count_ = 0;
  std::vector<double> values_, raised_;  // of the row being evaluated
};

// Term products of one base row through a plan made for it; adds the model's
// factor count (input 0 included) to factor_count. For a single row; a loop
// over rows keeps one EvaluationPlan.
bool term_products(const Model& model, const HourlyTable& table, const FillValues& uf, int base_row,
                   std::vector<double>& p, int& factor_count);

// Evaluates the model on every base row. First lowers table.nrec to
// nmax - lt when the forecasts would otherwise leave the table; the caller's
// later steps use the lowered count. Rows that are neither target rows nor
// rows after nrec + lt hold 0; those after nrec + lt hold UF(KY).
ForecastRows forecast(const Model& model, const ForecastSetup& setup, HourlyTable& table);

}  // namespace velk::forecast
