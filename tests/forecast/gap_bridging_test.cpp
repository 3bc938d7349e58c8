#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "forecast/model/forecast.h"
#include "forecast/model/gap_bridging.h"
#include "forecast/model/gap_policy.h"
#include "forecast/run/configuration.h"
#include "tests/forecast/test_support.h"

namespace velk::forecast {
namespace {

constexpr double kBtFill = -999.9, kDensityFill = -9999.9, kDstFill = 9999.0;

FillValues fills() {
  FillValues uf{};
  uf.fill(kBtFill);
  uf[7] = kDensityFill;
  uf[10] = kDstFill;
  return uf;
}

// Bt (input 1), n (input 8) and Dst (input 11) of rows 1, 2, ...
HourlyTable table_of(const std::vector<double>& bt, const std::vector<double>& n,
                     const std::vector<double>& dst) {
  HourlyTable table(static_cast<int>(bt.size()));
  table.rows_read = table.row_count;
  for (int t = 1; t <= table.row_count; ++t) {
    table.at(1, t) = bt[static_cast<std::size_t>(t - 1)];
    table.at(8, t) = n[static_cast<std::size_t>(t - 1)];
    table.at(11, t) = dst[static_cast<std::size_t>(t - 1)];
  }
  return table;
}

std::vector<double> column(const HourlyTable& table, int input) {
  std::vector<double> values;
  for (int t = 1; t <= table.row_count; ++t) values.push_back(table.at(input, t));
  return values;
}

TEST(GapPolicy, GapFileNameReplacesTheModelFilesExtension) {
  const std::pair<const char*, const char*> names[] = {
      {"1101.res", "1101.gap"},
      {"models.v2/1101.res", "models.v2/1101.gap"},  // a dot in a directory is no extension
      {"models.v2/1101", "models.v2/1101.gap"},
      {"a.b.res", "a.b.gap"},
      {".res", ".res.gap"},  // a hidden file's leading dot starts no extension
  };
  for (const auto& [model, gap] : names) EXPECT_EQ(gap_file_name(model), gap) << model;
}

TEST(ForecastProduct, NamedAfterTheTableNeverAsTheTable) {
  const std::pair<const char*, const char*> names[] = {
      {"dst-fc-2017_251_08_30.asc", "dst-fc-2017_251_08_30.json"},
      {"out.d/fc", "out.d/fc.json"},
      // Fault guarded: a table named *.json replaced by its own product.
      {"fc.json", "fc.json.json"},
  };
  for (const auto& [table, product] : names)
    EXPECT_EQ(forecast_product_name(table), product) << table;
}

TEST(GapPolicy, ReadsTheGroupAndRefusesWhatCannotBeMeant) {
  testing::ScratchDir dir;
  const GapPolicy read = read_gap_file(
      dir.write("m.gap",
                "written by hand\n &GAPS CARRY=3, NMIN=0.5,\n FBRES='a.res','b.res',\n"
                " FBCOV='a.cov','b.cov' /\n"));
  EXPECT_EQ(read.carry_hours, 3);
  EXPECT_EQ(read.lowest_density, 0.5);
  EXPECT_EQ(read.fallback_models, (std::vector<std::string>{"a.res", "b.res"}));
  EXPECT_EQ(read.fallback_covariances, (std::vector<std::string>{"a.cov", "b.cov"}));

  const std::pair<const char*, const char*> refused[] = {
      {"&GAPS CARRY=25 /", " CARRY MUST BE WITHIN 0..24 IN GAP FILE"},
      {"&GAPS CARRY=-1 /", " CARRY MUST BE WITHIN 0..24 IN GAP FILE"},
      {"&GAPS NMIN=-0.1 /", " NMIN MUST BE 0 OR POSITIVE IN GAP FILE"},
      {"&GAPS FBRES='a.res' /", " FBRES AND FBCOV DO NOT PAIR UP IN GAP FILE"},
      // A hole would silently drop the fallbacks after it.
      {"&GAPS FBRES(2)='a.res' FBCOV(2)='a.cov' /", " FALLBACK MODELS MUST BE LISTED WITHOUT GAPS"},
      {"&GAPS LAG=1 /", "abnormal: velk_nrt: "},  // an unknown name
      {"no group here\n", "abnormal: velk_nrt: "},
  };
  for (const auto& [text, end] : refused) {
    const std::string path = dir.write("bad.gap", text);
    EXPECT_EQ(testing::run_end_of([&] { read_gap_file(path); }).rfind(end, 0), 0u) << text;
  }
  // No gap file: the model is evaluated as before; a directory in its place is no gap file.
  EXPECT_FALSE(read_gap_policy(dir.file("none.res")));
  std::filesystem::create_directory(dir.file("dir.gap"));
  EXPECT_TRUE(testing::abnormal_naming(
      testing::run_end_of([&] { read_gap_policy(dir.file("dir.res")); }), "dir.gap"));
}

TEST(GapPolicy, CarriesReadValuesForAtMostTheLimitAndScreensThinDensities) {
  const double F = kBtFill, N = kDensityFill;  // N: no density in rows 3, 5 and 6
  const HourlyTable table = table_of({F, 1, F, F, F, 2, F, 3}, {5, 0.4, N, 0.5, N, N, 7, 0.1},
                                     {kDstFill, 1, kDstFill, 3, 4, 5, 6, 7});
  GapPolicy policy;
  policy.carry_hours = 2;
  policy.lowest_density = 0.5;
  const HourlyTable bridged = bridged_table(table, fills(), policy);
  // Nothing before the first value; row 5 lies three hours after row 2.
  EXPECT_EQ(column(bridged, 1), (std::vector<double>{F, 1, 1, 1, F, 2, 2, 3}));
  // 0.4 and 0.1 are screened: missing, so the value before them is carried in
  // their place and they are never carried themselves; 0.5 is taken.
  EXPECT_EQ(column(bridged, 8), (std::vector<double>{5, 5, 5, 0.5, 0.5, 0.5, 7, 7}));
  // The indices are never carried.
  EXPECT_EQ(column(bridged, 11), column(table, 11));
  // Without carrying or screening the table stays as read.
  EXPECT_EQ(column(bridged_table(table, fills(), GapPolicy{}), 1), column(table, 1));
}

TEST(GapBridging, FallbacksTakeTheRowsTheModelsBeforeThemCannotEvaluateAndAreCounted) {
  const double F = kBtFill;
  HourlyTable table =
      table_of({1, F, F, F, 5, 6}, std::vector<double>(6, 5.0), {10, 20, 30, kDstFill, 50, 60});
  GapPolicy policy;
  policy.carry_hours = 1;
  HourlyTable bridged = bridged_table(table, fills(), policy);
  ForecastSetup setup{11, 1, 0, 1};
  setup.fill = fills();
  setup.lead_step = 1;
  auto model = [](double c, int input, double variance) {
    return Model{{c}, {{{input, 0, 1}}}, {variance}};
  };
  // Model: 100 Bt(b), standard error 0.1 Bt(b); fallback: Dst(b), 0.2 Dst(b).
  const BridgedForecast rows =
      forecast_bridging_gaps({model(100, 1, 0.01), model(1, 11, 0.04)}, setup, table, bridged);
  // Row 3 from the carried Bt of row 2 (read in row 1), row 4 from Dst of row
  // 3, row 5 from neither (no Bt, no Dst in row 4).
  EXPECT_EQ(rows.y, (std::vector<double>{0, 100, 100, 30, kDstFill, 500}));
  EXPECT_EQ(rows.counts.forecast_rows, 4);
  EXPECT_EQ(rows.counts.carried_rows, 1);
  EXPECT_EQ(rows.counts.fallback_rows, 1);
  // Fault guarded: a fallback's row given the model's standard error, or
  // counted as the model's in the product.
  EXPECT_EQ(rows.model, (std::vector<int>{-1, 0, 0, 1, -1, 0}));
  const std::vector<double> standard_error{0, 0.1, 0.1, 6, 0, 0.5};
  for (std::size_t f = 0; f < standard_error.size(); ++f)
    EXPECT_DOUBLE_EQ(rows.standard_error[f], standard_error[f]) << f;
  ASSERT_EQ(rows.y_of_model.size(), 2u);
  EXPECT_EQ(rows.y_of_model[1][4], kDstFill);  // Dst missing in row 4
  // Fault guarded: a bridged table of other rows than the table as read,
  // which the two passes would then walk differently.
  bridged.rows_read = 5;
  EXPECT_THROW(forecast_bridging_gaps({model(100, 1, 0.01)}, setup, table, bridged),
               std::invalid_argument);
}

TEST(IndexScale, ApAndKpForecastsStayOnTheirScaleDstDoesNot) {
  // Target input, the model's value, the forecast.
  const std::tuple<int, double, double> cases[] = {
      {10, -5.0, 0.0},
      {10, 0.0, 0.0},
      {10, 45.5, 45.5},
      {10, 90.0, 90.0},
      {10, 143.0, 90.0},
      // ap's fill value is 0: a forecast bounded to 0 would read as none.
      {12, -6.0, 2.0},
      {12, 1.9, 2.0},
      {12, 2.0, 2.0},
      {12, 400.0, 400.0},
      {12, 401.0, 400.0},
      {11, -1500.0, -1500.0},
      {11, 300.0, 300.0},
  };
  for (const auto& [ky, value, expected] : cases) {
    ForecastSetup setup{ky, 1, 0, 1};
    index_scale(ky, setup.lowest, setup.highest);
    setup.fill.fill(-1.0);
    HourlyTable table(3);
    table.rows_read = 2;
    const Model constant{{value}, {{{0, 0, 1}}}, {}};
    setup.standard_errors = false;
    EXPECT_EQ(forecast(constant, setup, table).y[1], expected) << ky << " " << value;
  }
}

}  // namespace
}  // namespace velk::forecast
