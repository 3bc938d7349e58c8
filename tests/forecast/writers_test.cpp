#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

#include "forecast/metadata_writer.h"
#include "forecast/output_format.h"
#include "forecast/table_writer.h"

namespace velk {
namespace {

// Rows t = 1..n of 29 February 2020 from hour 1 on, ap (input 12) of row t is t.
HourlyTable leap_day_table(int n, int nrec) {
  HourlyTable table(n);
  table.nrec = nrec;
  for (int t = 1; t <= n; ++t) {
    const std::size_t i = static_cast<std::size_t>(t - 1);
    table.yr[i] = 2020;
    table.mo[i] = 2;
    table.da[i] = 29;
    table.doy[i] = 60;
    table.hr[i] = t;
    table.at(12, t) = t <= nrec ? t : 0.0;
  }
  return table;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(MetadataWriter, HeadCarriesTimesAndTheTargetInFixedFields) {
  const HourlyTable table = leap_day_table(5, 4);
  const DateTime created{2024, 3, 5, 7, 8, 9};
  const std::vector<std::string> head =
      lines_of(metadata_head(created, table, 2, {"ap", "nT", 3, 0.0}));
  ASSERT_EQ(head.size(), 26u);
  EXPECT_EQ(head[0], R"(<?xml version="1.0" encoding="ISO-8859-1"?>)");
  EXPECT_EQ(head[6], " <product_creation_time>2024-03-05T07:08:09</product_creation_time>");
  EXPECT_EQ(head[8], " <startTime>2020-02-29T02:00:00</startTime>");
  EXPECT_EQ(head[9], " <stopTime>2020-02-29T04:59:59</stopTime>");
  EXPECT_EQ(head[13], "");
  EXPECT_EQ(head[14].rfind(" <description>Lorem ipsum dolor sit amet", 0), 0u);
  EXPECT_EQ(head[15], "");
  EXPECT_EQ(head[18], " <Processing_software_version>0.1</Processing_software_version>");
  EXPECT_EQ(head[19], "");
  EXPECT_EQ(head[20], " <Predictand>");
  EXPECT_EQ(head[21], "  <Name>    ap</Name>");
  EXPECT_EQ(head[22], "  <Units>    nT</Units>");
  EXPECT_EQ(head[23], "  <Cadence> 3</Cadence>");
  EXPECT_EQ(head[24], "  <Fill_Value>    0.0</Fill_Value>");
  EXPECT_EQ(head[25], "  <List_of_Models>");
}

TEST(MetadataWriter, TargetFieldsAlignCutAndOverflow) {
  const HourlyTable table = leap_day_table(5, 4);
  const struct Case {
    TargetDescription target;
    const char* name_line;
    const char* fill_line;
  } cases[] = {
      {{"Dst", "nT", 1, 9999.0}, "  <Name>   Dst</Name>", "  <Fill_Value> 9999.0</Fill_Value>"},
      {{"Temperature", "K", 1, -1.0e5},
       "  <Name>Temper</Name>",
       "  <Fill_Value>*******</Fill_Value>"},
      {{"Kp", "*10", 3, 99.0}, "  <Name>    Kp</Name>", "  <Fill_Value>   99.0</Fill_Value>"},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> head = lines_of(metadata_head({}, table, 1, c.target));
    EXPECT_EQ(head[21], c.name_line);
    EXPECT_EQ(head[24], c.fill_line);
  }
}

TEST(MetadataWriter, ModelBlockWritesTheScoresInOrder) {
  Scores s;
  s.e_f = 100.5;  // too wide for F6.3
  s.e_p = 1.23456;
  s.pe_f = Scores::kNoEfficiency;
  s.pe_p = 0.0005;
  s.r_f = -0.0004;  // rounds to zero and keeps its sign
  s.r_p = 1.0;
  s.skill = 0.85;
  const std::string expected =
      "   <Model>\n"
      "    <Lead_Time> 4</Lead_Time>\n"
      "    <List_of_scores>\n"
      "     <Performance_Score>\n"
      "      <Name>Mean square error</Name>\n"
      "      <Value>******</Value>\n"
      "      <Persistence_Value> 1.235</Persistence_Value>\n"
      "     </Performance_Score>\n"
      "     <Performance_Score>\n"
      "      <Name>Prediction efficiency</Name>\n"
      "      <Value>-0.999</Value>\n"
      "      <Persistence_Value> 0.001</Persistence_Value>\n"
      "     </Performance_Score>\n"
      "     <Performance_Score>\n"
      "      <Name>Pearson's linear correlation coefficient</Name>\n"
      "      <Value>-0.000</Value>\n"
      "      <Persistence_Value> 1.000</Persistence_Value>\n"
      "     </Performance_Score>\n"
      "     <Performance_Score>\n"
      "      <Name>Skill score</Name>\n"
      "      <Value> 0.850</Value>\n"
      "     </Performance_Score>\n"
      "    </List_of_scores>\n"
      "   </Model>\n";
  EXPECT_EQ(metadata_model_block(4, s), expected);
  EXPECT_EQ(metadata_closing(), "  </List_of_Models>\n </Predictand>\n</Zuv_metadata>\n");
}

TableLayout ap_layout(int lt) {
  TableLayout layout;
  layout.fmdat = "(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,1(1X,7X,F6.0))";
  layout.fmdath =
      R"((4X,"HOY",3X,"HTND",1X,"YYYY",1X,"MM",1X,"DD",1X,"DOY",1X,"HH",1X,A11,1(1X,"FC+",I2.2,"H",A7)))";
  layout.name = "ap";
  layout.units = "nT";
  layout.ky = 12;
  layout.lt = lt;
  layout.step = 3;
  layout.maxlag = 0;
  return layout;
}

TEST(TableWriter, ProductionLayoutOfTheApVariant) {
  const HourlyTable table = leap_day_table(9, 6);
  std::vector<double> y(9, 0.0);
  y[3] = 12.4;  // row 4
  y[6] = -0.4;  // row 7: a negative value rounding to zero keeps its sign
  std::ostringstream out;
  write_forecast_table(out, ap_layout(3), table, {y});
  EXPECT_EQ(out.str(),
            "    HOY   HTND YYYY MM DD DOY HH     ap [nT] FC+01H   [nT]\n"
            "   1421      6 2020  2 29  60  4          4.           12.\n"
            "   1424      3 2020  2 29  60  7          0.           -0.\n");
}

TEST(TableWriter, LeadTimeZeroHasNoLeadLabelAndNoForecast) {
  const HourlyTable table = leap_day_table(3, 2);
  std::ostringstream out;
  write_forecast_table(out, ap_layout(0), table, {});
  const std::vector<std::string> lines = lines_of(out.str());
  ASSERT_EQ(lines.size(), 2u);  // rows 1 and 4 > NMAX = 3
  EXPECT_EQ(lines[0], "    HOY   HTND YYYY MM DD DOY HH     ap [nT] FC+");
  EXPECT_EQ(lines[1].substr(0, 44), "   1418      3 2020  2 29  60  1          1.");
}

// Guards against the row and label walks overflowing an int when DT(KY) is
// as large as the configuration can hold: one label, one row, then the end.
TEST(TableWriter, CadenceAsLargeAsAnIntGivesOneLabelAndOneRow) {
  const HourlyTable table = leap_day_table(3, 2);
  TableLayout layout = ap_layout(1);
  layout.step = INT_MAX;
  std::ostringstream out;
  write_forecast_table(out, layout, table, {});
  const std::vector<std::string> lines = lines_of(out.str());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "    HOY   HTND YYYY MM DD DOY HH     ap [nT] FC+01H   [nT]");
  EXPECT_EQ(lines[1].substr(0, 14), "   1419      2");
}

TEST(TableWriter, BadRowFormatLeavesTheHeaderWritten) {
  const HourlyTable table = leap_day_table(9, 6);
  TableLayout layout = ap_layout(3);
  layout.fmdat = "(2(1X,I6),1X,Q4)";
  std::ostringstream out;
  EXPECT_THROW(write_forecast_table(out, layout, table, {std::vector<double>(9, 0.0)}),
               FormatError);
  EXPECT_EQ(out.str(), "    HOY   HTND YYYY MM DD DOY HH     ap [nT] FC+01H   [nT]\n");

  layout.fmdat = "(2(1X,I6),1X,F4.0)";  // the year is an integer
  std::ostringstream second;
  EXPECT_THROW(write_forecast_table(second, layout, table, {std::vector<double>(9, 0.0)}),
               FormatError);
}

}  // namespace
}  // namespace velk
