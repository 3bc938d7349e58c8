// Both output files are compared whole by the end-to-end cases; these tests
// cover what those cases cannot reach: fields that overflow or are cut, and
// cadences no case file would hold.
#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>

#include "forecast/metadata_writer.h"
#include "forecast/table_writer.h"

namespace velk {
namespace {

// Rows t = 1..n of 29 February 2020 from hour 1 on, ap (input 12) of row t is t.
HourlyTable leap_day_table(int n, int nrec) {
  HourlyTable table(n);
  table.nrec = nrec;
  table.yr.assign(n, 2020);
  table.mo.assign(n, 2);
  table.da.assign(n, 29);
  table.doy.assign(n, 60);
  for (int t = 1; t <= n; ++t) table.at(12, t) = table.hr[static_cast<std::size_t>(t - 1)] = t;
  return table;
}

TEST(MetadataWriter, FieldsTooWideAreCutOrOverflow) {
  const std::string head =
      metadata_head({}, leap_day_table(5, 4), 1, {"Temperature", "p/cc", 1, -1.0e5});
  EXPECT_NE(head.find(" <Predictand>\n  <Name>Temper</Name>\n  <Units>  p/cc</Units>\n"
                      "  <Cadence> 1</Cadence>\n  <Fill_Value>*******</Fill_Value>\n"
                      "  <List_of_Models>\n"),
            std::string::npos)
      << head;

  // A Dst error of 100 nT does not fit F6.3; -0.0004 rounds to zero and keeps its sign.
  const Scores s{100.5, 1.23456, Scores::kNoEfficiency, 0.0005, -0.0004, 1.0, 0.85};
  std::istringstream block(metadata_model_block(4, s));
  std::string fields;
  for (std::string line; std::getline(block, line);)
    if (line.find("Value>") != std::string::npos || line.find("Lead") != std::string::npos)
      fields += line.substr(line.find('<')) + "\n";
  EXPECT_EQ(fields,
            "<Lead_Time> 4</Lead_Time>\n"
            "<Value>******</Value>\n<Persistence_Value> 1.235</Persistence_Value>\n"
            "<Value>-0.999</Value>\n<Persistence_Value> 0.001</Persistence_Value>\n"
            "<Value>-0.000</Value>\n<Persistence_Value> 1.000</Persistence_Value>\n"
            "<Value> 0.850</Value>\n");
}

// Guards against the row and label walks overflowing an int when DT(KY) is
// as large as the configuration can hold: one label, one row, then the end.
TEST(TableWriter, CadenceAsLargeAsAnIntGivesOneLabelAndOneRow) {
  const char row[] = "(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,1(1X,7X,F6.0))";
  const TableLayout layout{
      row, R"((4X,"HOY",1X,A11,1(1X,"FC+",I2.2,"H",A7)))", "ap", "nT", 12, 1, INT_MAX};
  std::ostringstream out;
  write_forecast_table(out, layout, leap_day_table(3, 2), {{0, 7.0, 0}});
  EXPECT_EQ(out.str(),
            "    HOY     ap [nT] FC+01H   [nT]\n"
            "   1419      2 2020  2 29  60  2          2.            7.\n");
}

}  // namespace
}  // namespace velk
