// The regression rows of one model over one hourly table, formed exactly as
// the forecaster evaluates that model: base rows from MAXLAG + 1 in steps of
// DT(KY), term products from the forecaster's own evaluation, the target
// u(KY, b + LT). A base row is left out when any factor of any term or the
// target holds its fill value, or when the target lies past the rows read.
#pragma once

#include <Eigen/Dense>
#include <vector>

#include "forecast/model/forecast.h"
#include "forecast/model/hourly_table.h"
#include "forecast/model/model_file.h"

namespace velk::fit {

// Rows from several tables stack: append each table in turn, then take the matrices.
class RegressionRows {
 public:
  explicit RegressionRows(int terms) : terms_(terms) {}

  // Appends the rows of `table` for the terms of `model` (its coefficients
  // are not used). Returns the number of rows added. Ends the run (RunEnd)
  // when a term reaches outside the table, as the forecaster would.
  int append(const forecast::Model& model, const forecast::HourlyTable& table,
             const forecast::ForecastSetup& setup);

  int rows() const { return static_cast<int>(targets_.size()); }
  Eigen::MatrixXd design() const;  // rows x terms
  Eigen::VectorXd targets() const;

 private:
  int terms_;
  std::vector<double> products_;  // row-major, terms_ per row
  std::vector<double> targets_;
};

}  // namespace velk::fit
