// The forecaster's hourly table: one row per hour, the calendar of the hour and
// the 16 inputs. Rows and inputs are numbered from 1 as in the configuration
// file; the accessors translate to 0-based storage.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace velk::forecast {

constexpr int kInputCount = 16;  // inputs per row: 12 main inputs and 4 harmonic ones
constexpr int kMainInputCount = 12;

using FillValues = std::array<double, kInputCount>;  // UF(1..16) at index 0..15

struct HourlyTable {
  int row_count = 0;  // rows in all (NMAX)
  int rows_read = 0;  // rows filled from the input files (NREC)
  std::vector<int> yr, mo, da, doy, hr;
  std::vector<double> u;  // input j of row t at u[(t-1)*16 + (j-1)]: inputs vary fastest

  explicit HourlyTable(int rows = 0) { resize(rows); }

  void resize(int rows) {
    row_count = rows;
    const std::size_t n = rows > 0 ? static_cast<std::size_t>(rows) : 0;
    yr.assign(n, 0);
    mo.assign(n, 0);
    da.assign(n, 0);
    doy.assign(n, 0);
    hr.assign(n, 0);
    u.assign(n * kInputCount, 0.0);
  }

  // Input j (1..16) of row t (1..row_count).
  double& at(int j, int t) { return u[index(j, t)]; }
  double at(int j, int t) const { return u[index(j, t)]; }

 private:
  static std::size_t index(int j, int t) {
    return static_cast<std::size_t>(t - 1) * kInputCount + static_cast<std::size_t>(j - 1);
  }
};

}  // namespace velk::forecast
