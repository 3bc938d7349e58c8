// Evaluation of one model over the hourly table: a forecast and its standard
// error for every target row f = b + lead_time, b running over the base rows
// max_lag + 1, max_lag + 1 + cadence, ... up to the last row read.
#pragma once

#include <cstddef>
#include <limits>
#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/model/model_file.h"
#include "forecast/model/run_shape.h"

namespace velk::forecast {

struct ForecastSetup {
  int target = 1;     // target input, 1..12
  int lead_time = 0;  // in rows: the target row lies lead_time rows after the base row
  int max_lag = 0;    // the first base row is max_lag + 1
  int cadence = 1;    // rows between base rows
  FillValues fill{};
  // The standard errors cost a sum over term pairs on every row, the square
  // of the model's size; a caller that writes none of them can skip them.
  bool standard_errors = true;
  // Model i of the block is the forecast made i rows before its target row,
  // so it may read rows up to that row - i: lags from i - lead_time on. 0: no
  // such rule.
  int lead_step = 0;
  // Every forecast is kept within [lowest, highest]: the scale of the index it
  // forecasts. A polynomial in the field grows without end in a storm stronger
  // than its training years', while Kp ends at 9o and ap at 400.
  double lowest = -std::numeric_limits<double>::infinity();
  double highest = std::numeric_limits<double>::infinity();

  // The setup of a run of this shape, bounded to the target's scale.
  static ForecastSetup of(const RunShape& shape);

  // The first base row: every lag of the inputs in use reaches back into the table.
  int first_base_row() const { return max_lag + 1; }
};

// Per-row results, 1-based row t at index t - 1, one per row of the table.
struct ForecastRows {
  std::vector<double> y;               // forecast
  std::vector<double> standard_error;  // of the forecast (all 0 when not asked for)
  std::vector<char> made;              // 1 where the model was evaluated, 0 where y is a fill or 0
  // The rows read whose forecasts the table holds (covered_rows), the last
  // base row of the walk and the last row the scores and intervals compare.
  int rows_covered = 0;
};

// The scale of target input `ky`: Kp (input 10) 0..90 in tenths, ap (input
// 12) 2..400. ap's lowest step above 0 is 2, and 0 is ap's fill value: a
// forecast bounded to 0 would read as no forecast at all. Other inputs are
// left unbounded (Dst has no end to its scale).
void index_scale(int ky, double& lowest, double& highest);

// Last base row for `rows_read` rows read, or 0 when there is none.
int last_base_row(const ForecastSetup& setup, int rows_read);

// Ends the run with a message line when a factor names an input outside 0..16,
// when its lag would make some base row read a row outside 1..table_rows, or when
// its lag reads a row newer than the model's lead step allows.
// Checked before anything is evaluated, so evaluation never leaves the table.
void check_model_reach(const Model& model, const ForecastSetup& setup, int rows_read,
                       int table_rows);

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
  bool products(const HourlyTable& table, const FillValues& fill, int base_row,
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
bool term_products(const Model& model, const HourlyTable& table, const FillValues& fill,
                   int base_row, std::vector<double>& p, int& factor_count);

// The rows read whose target rows lie inside the table: table.rows_read, less any
// whose forecast would fall past the table's end. A run sizes its table so
// that this is every row read (table_rows); a table of another size loses
// its last rows read from the walk and from the scores.
int covered_rows(const HourlyTable& table, int lead_time);

// Evaluates the model on every base row up to covered_rows(table, lead_time)
// and returns that count with the forecasts. Rows that are neither target
// rows nor rows after rows_covered + lead_time hold 0; those after it hold the
// target's fill value.
ForecastRows forecast(const Model& model, const ForecastSetup& setup, const HourlyTable& table);

}  // namespace velk::forecast
