#include "fit/fit_run.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "fit/nrt_records.h"
#include "fit/regression_rows.h"
#include "fit/term_file.h"
#include "forecast/model/forecast.h"
#include "forecast/model/model_file.h"
#include "forecast/run/configuration.h"
#include "forecast/run/input_tables.h"
#include "tests/forecast/test_support.h"

namespace velk::fit {
namespace {

// Dst four hours ahead from Dst now and V*Bz now: the system the fit must recover.
constexpr double kC0 = -3.0, kC1 = 0.8, kC2 = 2.0e-3;

TEST(RegressionRows, UseTheForecastersPlacementAndLeaveOutMissingRows) {
  // Rows 1..30; LT = 2, MAXLAG = 3, cadence 2: base rows 4, 6, ..., 28.
  forecast::HourlyTable table(30);
  table.rows_read = 30;
  for (int t = 1; t <= 30; ++t) {
    table.at(9, t) = 100.0 + t;    // input 9 identifies its row
    table.at(11, t) = 1000.0 + t;  // the target too
  }
  table.at(9, 9) = -9999.9;   // a missing factor: base row 10 (lag 1) is left out
  table.at(11, 14) = 9999.0;  // a missing target: base row 12 is left out
  const forecast::FillValues uf{0, 0, 0, 0, 0, 0, 0, 0, -9999.9, 0, 9999.0};  // inputs 9 and 11
  const forecast::Model model{{0.0, 0.0, 0.0}, {{}, {{9, 1, 1}}, {{9, 0, 2}}}, {}};

  RegressionRows rows(3);
  EXPECT_EQ(rows.append(model, table, forecast::ForecastSetup{11, 2, 3, 2, uf}),
            11);  // 13 base rows - 2
  // Base row 4: the constant, row 3 (one row back), row 4 squared.
  EXPECT_EQ(rows.design().row(0), Eigen::RowVector3d(1.0, 103.0, 104.0 * 104.0));
  const Eigen::VectorXd y = rows.targets();
  EXPECT_EQ(y(0), 1006.0);   // row 4 + LT
  EXPECT_EQ(y(3), 1016.0);   // base rows 10 and 12 were skipped
  EXPECT_EQ(y(10), 1030.0);  // the last base row whose target lies within NREC
}

// A scratch working directory holding synthetic histories "a" and "b" in the
// four input layouts, their configurations and a term file.
class FitRun : public ::testing::Test {
 protected:
  void SetUp() override {
    write_history("a", 40, 17);
    write_history("b", 30, 23);
    std::ofstream("terms") << "keep const\n11:0\n9:0 6:0\n9:1 6:1\n8:0\n11:3\n";
  }

  // Days of hourly records from 1 January 2021, Dst following the true system
  // (rounded to whole nT as the Dst layout holds it).
  static void write_history(const std::string& name, int days, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> speed(3000, 8000), bz(-150, 150);
    std::ofstream mag(name + "-mag"), swepam(name + "-swepam"), kp(name + "-kp"),
        dst(name + "-dst");
    mag << mag_header();
    swepam << swepam_header();
    std::vector<double> v, b, d;
    std::array<int, 24> dst_day{};
    std::string line;
    const auto put = [&line](std::ofstream& out, bool made) {
      ASSERT_TRUE(made);
      out << line << "\n";
    };
    for (int t = 0; t < days * 24; ++t) {
      v.push_back(speed(rng) / 10.0);
      b.push_back(bz(rng) / 10.0);
      d.push_back(t < 4 ? -10.0 : std::round(kC0 + kC1 * d[t - 4] + kC2 * v[t - 4] * b[t - 4]));
      const CivilDate date{2021, 1 + t / 24 / 31, 1 + t / 24 % 31};
      put(mag, mag_line(date, t % 24, MagValues{1.0, 2.0, b.back(), 9.0, 10.0, 20.0}, line));
      put(swepam, swepam_line(date, t % 24, SwepamValues{5.0, v.back(), 1e5}, line));
      dst_day[static_cast<std::size_t>(t % 24)] = static_cast<int>(d.back());
      if (t % 24 < 23) continue;
      put(kp, kp_line(date, {10, 10, 10, 10, 10, 10, 10, 10}, {4, 4, 4, 4, 4, 4, 4, 4}, line));
      put(dst, dst_line(date, dst_day, line));
    }
    std::ofstream(name + ".cfg") << configuration(name, 4);
  }

  // The configuration of history `name`, with lead time `lt`.
  static std::string configuration(const std::string& name, int lt) {
    return "&VELK_FOR\n KY=11\n LT=" + std::to_string(lt) +
           "\n UFLAG=1,1,1,1,1,1,1,1,1,0,1,0,1,1,1,1\n LMAX=9*4,3*24,4*0\n DT=9*1,3,1,3,4*1\n"
           " UF=6*-999.9,-1.E5,2*-9999.9,99.,9999.,0.,4*9.\n"
           " UN='Bt','Btheta','Bphi','Bx','By','Bz','T','n','V','Kp','Dst','ap'\n"
           " UU=6*'nT','K','p/cc','km/s','*10',2*'nT'\n FNRES='m1.res','m2.res',10*''\n"
           " FNCOV='m1.cov','m2.cov',10*''\n FMDAT='(1X,F6.0)'\n FMDATH='(A11)'\n FNDAT='x.asc'\n"
           " FNMET='x.xml'\n FNMAG='" +
           name + "-mag'\n FNSWEPAM='" + name + "-swepam'\n FNKP='" + name + "-kp'\n FNDST='" +
           name + "-dst'\n/\n";
  }

  const velk::testing::ScratchDir dir_;  // the working directory
};

TEST_F(FitRun, SelectsTheTrueTermsAndWritesFilesTheForecasterEvaluatesAsFitted) {
  std::ostringstream out, err;
  ASSERT_EQ(run_fit(FitRequest{2, "terms", 3, "", "", {"a.cfg", "b.cfg"}, ""}, out, err), 0)
      << err.str();
  EXPECT_NE(out.str().find("selection: 3 of 6 candidate terms"), std::string::npos) << out.str();
  // Two histories of 40 and 30 days, base rows from MAXLAG + 1 = 25 with a target within NREC.
  EXPECT_NE(out.str().find("rows used: " + std::to_string(40 * 24 - 28 + 30 * 24 - 28)),
            std::string::npos)
      << out.str();

  forecast::Model model = forecast::read_model_file("m2.res");
  forecast::read_covariance_file("m2.cov", model);
  ASSERT_EQ(model.term_count(), 3);
  EXPECT_EQ(describe_term(model.terms[0]) + ", " + describe_term(model.terms[1]) + ", " +
                describe_term(model.terms[2]),
            "const, 11:0, 6:0 9:0");
  // Rounding Dst to whole nT is the only noise; the coefficients lie within it.
  EXPECT_NEAR(model.coefficients[0], kC0, 0.05);
  EXPECT_NEAR(model.coefficients[1], kC1, 0.002);
  EXPECT_NEAR(model.coefficients[2], kC2, 2e-5);
  for (int j = 1; j <= 3; ++j)
    for (int m = 1; m < j; ++m) EXPECT_EQ(model.covariance(j, m), model.covariance(m, j));
  // Standard errors consistent with the rounding noise (variance 1/12).
  EXPECT_NEAR(std::sqrt(model.covariance(2, 2)), 0.29 / std::sqrt(1344.0 * 600.0), 5e-4);

  // The forecaster, reading history "a" and the written model, forecasts
  // exactly c'p on every base row.
  const forecast::Configuration config = forecast::read_configuration("a.cfg");
  const int maxlag = forecast::validate_configuration(config);
  forecast::HourlyTable table(
      forecast::table_rows(config.LT, forecast::count_mag_records(config.FNMAG)));
  forecast::read_input_tables(table, config.UF, forecast::input_files(config), std::cout);
  const forecast::ForecastRows rows =
      forecast::forecast(model, forecast::ForecastSetup{11, 4, maxlag, 1, config.UF}, table);
  for (int b = maxlag + 1; b <= table.rows_read; b += 97) {
    const double implied = model.coefficients[0] + model.coefficients[1] * table.at(11, b) +
                           model.coefficients[2] * (table.at(6, b) * table.at(9, b));
    EXPECT_NEAR(rows.y[static_cast<std::size_t>(b + 4 - 1)], implied, 1e-9) << "base row " << b;
    EXPECT_NEAR(rows.y[static_cast<std::size_t>(b + 4 - 1)], table.at(11, b + 4), 1.0);
  }
}

TEST_F(FitRun, UnusableRequestsFailWithAMessageAndWriteNothing) {
  std::ofstream("c.cfg") << configuration("a", 5);
  std::ofstream("new.terms") << "11:-3\n";
  const struct {
    int step;
    const char* terms;
    std::vector<std::string> configs;
    const char* message;
  } cases[] = {
      {1, "none.terms", {"a.cfg"}, "none.terms: cannot open the term file"},
      {5, "terms", {"a.cfg"}, "lead step 5 is outside 1..4"},  // beyond LT / DT(KY)
      {1, "terms", {"a.cfg", "c.cfg"}, "c.cfg differs from a.cfg in LT"},
      // Fault guarded: a lag newer than lead step 2 of LT = 4 allows passed the
      // term file and was refused only later, naming a model line.
      {2, "new.terms", {"a.cfg"}, "new.terms:1: lag -3 in '11:-3' reads newer rows"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::ostringstream out, err;
    EXPECT_EQ(run_fit(FitRequest{c.step, c.terms, 0, "", "", c.configs, ""}, out, err), 1);
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists("m1.res"));
  }
}

// Fault guarded: a write past the file-size limit killed velk_fit by its signal
// in the middle of the model file, leaving the temporary file behind.
TEST_F(FitRun, AWritePastTheFileSizeLimitFailsAndLeavesNothing) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 100;  // bytes: less than the model file
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::ostringstream out, err;
  const int status = run_fit(FitRequest{2, "terms", 3, "", "", {"a.cfg"}, ""}, out, err);
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.str().find("cannot write the model file m2.res"), std::string::npos) << err.str();
  for (const auto& entry : std::filesystem::directory_iterator("."))
    EXPECT_EQ(entry.path().filename().string().rfind(".velk_nrt-", 0), std::string::npos)
        << entry.path();
  EXPECT_FALSE(std::filesystem::exists("m2.res"));
}

}  // namespace
}  // namespace velk::fit
