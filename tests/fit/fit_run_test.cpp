#include "fit/fit_run.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "fit/least_squares.h"
#include "fit/nrt_records.h"
#include "fit/regression_rows.h"
#include "forecast/configuration.h"
#include "forecast/forecast.h"
#include "forecast/model_file.h"
#include "forecast/readnrtd.h"

namespace velk::fit {
namespace {

// Dst four hours ahead from Dst now and V*Bz now: the system the fits must recover.
constexpr double kC0 = -3.0, kC1 = 0.8, kC2 = 2.0e-3;

FillValues fills() {
  FillValues uf{};
  for (int j = 0; j < 6; ++j) uf[static_cast<std::size_t>(j)] = -999.9;
  uf[6] = -1.E5;
  uf[7] = uf[8] = -9999.9;
  uf[9] = 99.;
  uf[10] = 9999.;
  uf[11] = 0.;
  for (int j = 12; j < 16; ++j) uf[static_cast<std::size_t>(j)] = 9.;
  return uf;
}

TEST(RegressionRows, UseTheForecastersPlacementAndLeaveOutMissingRows) {
  // Rows 1..30; LT = 2, MAXLAG = 3, cadence 2: base rows 4, 6, ..., 28.
  HourlyTable table(30);
  table.nrec = 30;
  for (int t = 1; t <= 30; ++t) {
    table.at(9, t) = 100.0 + t;    // input 9 identifies its row
    table.at(11, t) = 1000.0 + t;  // the target too
  }
  table.at(9, 9) = -9999.9;   // a missing factor: base row 10 (lag 1) is left out
  table.at(11, 14) = 9999.0;  // a missing target: base row 12 is left out
  ForecastSetup setup{11, 2, 3, 2, fills()};
  Model model;
  model.terms = {{}, {{9, 1, 1}}, {{9, 0, 2}}};
  model.c.assign(3, 0.0);
  model.cov.assign(9, 0.0);

  RegressionRows rows(3);
  EXPECT_EQ(rows.append(model, table, setup), 11);  // 13 base rows minus two
  const Eigen::MatrixXd x = rows.design();
  const Eigen::VectorXd y = rows.targets();
  EXPECT_EQ(x(0, 0), 1.0);
  EXPECT_EQ(x(0, 1), 103.0);          // base row 4, one row back
  EXPECT_EQ(x(0, 2), 104.0 * 104.0);  // base row 4, squared
  EXPECT_EQ(y(0), 1006.0);            // row 4 + LT
  EXPECT_EQ(y(3), 1016.0);            // base rows 10 and 12 were skipped
  EXPECT_EQ(y(10), 1030.0);           // the last base row whose target lies within NREC
}

TEST(RegressionRows, ExactSystemIsRecovered) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> speed(300, 800), bz(-15, 15);
  HourlyTable table(2000);
  table.nrec = 2000;
  for (int t = 1; t <= 2000; ++t) {
    table.at(9, t) = speed(rng);
    table.at(6, t) = bz(rng);
    table.at(11, t) =
        t <= 4 ? -20.0
               : kC0 + kC1 * table.at(11, t - 4) + kC2 * table.at(9, t - 4) * table.at(6, t - 4);
  }
  ForecastSetup setup{11, 4, 24, 1, fills()};
  Model model;
  model.terms = {{}, {{11, 0, 1}}, {{9, 0, 1}, {6, 0, 1}}};
  model.c.assign(3, 0.0);
  model.cov.assign(9, 0.0);
  RegressionRows rows(3);
  rows.append(model, table, setup);
  const LeastSquaresFit fit = solve_least_squares(rows.design(), rows.targets());
  EXPECT_NEAR(fit.coefficients(0), kC0, 1e-9);
  EXPECT_NEAR(fit.coefficients(1), kC1, 1e-12);
  EXPECT_NEAR(fit.coefficients(2), kC2, 1e-14);
}

// A scratch directory holding a synthetic history in the four input layouts.
class FitRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("fit_run_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    write_history("a", 40, 17);
    write_history("b", 30, 23);
    write("terms", "keep const\n11:0\n9:0 6:0\n9:1 6:1\n8:0\n11:3\n");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(path(name)) << text;
  }

  // Days of hourly records from 1 January 2021, Dst following the true system
  // (rounded to whole nT as the Dst layout holds it).
  void write_history(const std::string& name, int days, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> speed(3000, 8000), bz(-150, 150), density(10, 200);
    std::string mag = mag_header(), swepam = swepam_header(), kp, dst;
    std::vector<double> v, b, d;
    for (int t = 0; t < days * 24; ++t) {
      v.push_back(speed(rng) / 10.0);
      b.push_back(bz(rng) / 10.0);
      d.push_back(t < 4 ? -10.0 : std::round(kC0 + kC1 * d[t - 4] + kC2 * v[t - 4] * b[t - 4]));
    }
    std::string line;
    for (int day = 0; day < days; ++day) {
      CivilDate date{2021, 1 + day / 31, 1 + day % 31};
      std::array<int, 24> dst_day{};
      for (int h = 0; h < 24; ++h) {
        const std::size_t t = static_cast<std::size_t>(day * 24 + h);
        ASSERT_TRUE(mag_line(date, h, MagValues{1.0, 2.0, b[t], 9.0, 10.0, 20.0}, line));
        mag += line + "\n";
        ASSERT_TRUE(swepam_line(date, h, SwepamValues{density(rng) / 10.0, v[t], 1.0e5}, line));
        swepam += line + "\n";
        dst_day[static_cast<std::size_t>(h)] = static_cast<int>(d[t]);
      }
      ASSERT_TRUE(kp_line(date, {10, 10, 10, 10, 10, 10, 10, 10}, {4, 4, 4, 4, 4, 4, 4, 4}, line));
      kp += line + "\n";
      ASSERT_TRUE(dst_line(date, dst_day, line));
      dst += line + "\n";
    }
    write(name + "-mag", mag);
    write(name + "-swepam", swepam);
    write(name + "-kp", kp);
    write(name + "-dst", dst);
    write(name + ".cfg",
          "&VELK_FOR\n KY=11\n LT=4\n UFLAG=1,1,1,1,1,1,1,1,1,0,1,0,1,1,1,1\n"
          " LMAX=9*4,3*24,4*0\n DT=9*1,3,1,3,4*1\n"
          " UF=6*-999.9,-1.E5,2*-9999.9,99.,9999.,0.,4*9.\n"
          " UN='Bt','Btheta','Bphi','Bx','By','Bz','T','n','V','Kp','Dst','ap'\n"
          " UU=6*'nT','K','p/cc','km/s','*10',2*'nT'\n"
          " FNRES='" +
              path("m1.res") + "','" + path("m2.res") +
              "',10*''\n"
              " FNCOV='" +
              path("m1.cov") + "','" + path("m2.cov") +
              "',10*''\n"
              " FMDAT='(1X,F6.0)'\n FMDATH='(A11)'\n"
              " FNMAG='" +
              path(name + "-mag") + "'\n FNSWEPAM='" + path(name + "-swepam") +
              "'\n"
              " FNKP='" +
              path(name + "-kp") + "'\n FNDST='" + path(name + "-dst") +
              "'\n"
              " FNDAT='x.asc'\n FNMET='x.xml'\n/\n");
  }

  int run(FitRequest request, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int status = run_fit(request, o, e);
    out = o.str();
    err = e.str();
    return status;
  }

  std::filesystem::path dir_;
};

TEST_F(FitRun, SelectsTheTrueTermsAndWritesFilesTheForecasterEvaluatesAsFitted) {
  FitRequest request;
  request.step = 2;
  request.term_file = path("terms");
  request.max_terms = 3;
  request.configurations = {path("a.cfg"), path("b.cfg")};
  std::string out, err;
  ASSERT_EQ(run(request, out, err), 0) << err;
  EXPECT_NE(out.find("selection: 3 of 6 candidate terms"), std::string::npos) << out;
  // Two histories of 40 and 30 days, base rows from MAXLAG + 1 = 25 with a target within NREC.
  EXPECT_NE(out.find("rows used: " + std::to_string(40 * 24 - 28 + 30 * 24 - 28)),
            std::string::npos)
      << out;

  Model model = read_model_file(path("m2.res"));
  read_covariance_file(path("m2.cov"), model);
  ASSERT_EQ(model.nterm(), 3);
  EXPECT_TRUE(model.terms[0].empty());
  ASSERT_EQ(model.terms[1].size(), 1u);
  EXPECT_EQ(model.terms[1][0].input, 11);
  ASSERT_EQ(model.terms[2].size(), 2u);
  // Rounding Dst to whole nT is the only noise; the coefficients lie within it.
  EXPECT_NEAR(model.c[0], kC0, 0.05);
  EXPECT_NEAR(model.c[1], kC1, 0.002);
  EXPECT_NEAR(model.c[2], kC2, 2e-5);
  for (int j = 1; j <= 3; ++j) {
    EXPECT_GT(model.covariance(j, j), 0.0);
    for (int m = 1; m < j; ++m) EXPECT_EQ(model.covariance(j, m), model.covariance(m, j));
  }
  // Standard errors consistent with the rounding noise (variance 1/12).
  EXPECT_NEAR(std::sqrt(model.covariance(2, 2)), 0.29 / std::sqrt(1344.0 * 600.0), 5e-4);

  // The forecaster, reading history "a" and the written model, forecasts
  // exactly c'p on every base row.
  const Configuration config = read_configuration(path("a.cfg"));
  const int maxlag = validate_configuration(config);
  HourlyTable table(table_rows(config.LT, count_mag_records(config.FNMAG)));
  readnrtd(table, config.UF, config.FNMAG, config.FNSWEPAM, config.FNKP, config.FNDST, std::cout);
  const ForecastSetup setup{11, 4, maxlag, 1, config.UF};
  const ForecastRows rows = forecast(model, setup, table);
  for (int b = maxlag + 1; b <= table.nrec; b += 97) {
    const double implied =
        model.c[0] + model.c[1] * table.at(11, b) + model.c[2] * (table.at(6, b) * table.at(9, b));
    EXPECT_NEAR(rows.y[static_cast<std::size_t>(b + 4 - 1)], implied, 1e-9) << "base row " << b;
    EXPECT_NEAR(rows.y[static_cast<std::size_t>(b + 4 - 1)], table.at(11, b + 4), 1.0);
  }
}

TEST_F(FitRun, UnusableRequestsFailWithAMessageAndWriteNothing) {
  write("bad.terms", "keep const\n11:0\n9:0 6:0^x\n");
  write("c.cfg", [&] {
    std::ifstream in(path("a.cfg"));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.replace(text.find("LT=4"), 4, "LT=5");
  }());
  const struct {
    const char* what;
    int step;
    const char* terms;
    std::vector<std::string> configs;
    const char* message;
  } cases[] = {
      {"malformed term file", 1, "bad.terms", {"a.cfg"}, "bad.terms:3: power 'x'"},
      {"missing term file", 1, "none.terms", {"a.cfg"}, "cannot open the term file"},
      {"step beyond LT / DT(KY)", 5, "terms", {"a.cfg"}, "lead step 5 is outside 1..4"},
      {"histories of different blocks", 1, "terms", {"a.cfg", "c.cfg"}, "differs from"},
      {"missing configuration", 1, "terms", {"none.cfg"}, "none.cfg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FitRequest request;
    request.step = c.step;
    request.term_file = path(c.terms);
    for (const std::string& name : c.configs) request.configurations.push_back(path(name));
    std::string out, err;
    EXPECT_EQ(run(request, out, err), 1);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(path("m1.res")));
  }
}

}  // namespace
}  // namespace velk::fit
