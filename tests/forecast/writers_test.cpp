// Both output files are compared whole by the end-to-end cases; these tests
// cover what those cases cannot reach: fields that overflow or are cut, and
// cadences no case file would hold.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "forecast/run/metadata_writer.h"
#include "forecast/run/output_file.h"
#include "forecast/run/table_writer.h"
#include "tests/common/file_size_limit.h"
#include "tests/forecast/test_support.h"

namespace velk::forecast {
namespace {

// Rows t = 1..n of 29 February 2020 from hour 1 on, ap (input 12) of row t is t.
HourlyTable leap_day_table(int n, int nrec) {
  HourlyTable table(n);
  table.rows_read = nrec;
  table.yr.assign(n, 2020);
  table.mo.assign(n, 2);
  table.da.assign(n, 29);
  table.doy.assign(n, 60);
  for (int t = 1; t <= n; ++t) table.at(12, t) = table.hr[static_cast<std::size_t>(t - 1)] = t;
  return table;
}

// The exit status of `f` run in a child process, which may die or keep a
// file-size limit to itself.
template <typename F>
int exit_status_in_child(F f) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(f());
  int status = -1;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  return WEXITSTATUS(status);
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
  // A model with a gap file says how its rows were made, inside its own block.
  const GapCounts counts{700, 12, 3};
  const std::string bridged = metadata_model_block(1, s, &counts);
  EXPECT_NE(bridged.find("   <Model>\n    <Lead_Time> 1</Lead_Time>\n    <Gap_Bridging>\n"
                         "     <Rows_Forecast>700</Rows_Forecast>\n"
                         "     <Rows_With_Carried_Values>12</Rows_With_Carried_Values>\n"
                         "     <Rows_From_Fallback_Models>3</Rows_From_Fallback_Models>\n"
                         "    </Gap_Bridging>\n    <List_of_scores>\n"),
            std::string::npos)
      << bridged;
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

// Guards against writing an output in place: a planted link was written
// through, and a run that died or could not write left a cut file where the
// earlier one was. Each row runs in a child process, which may die.
TEST(OutputFile, ReplacesTheFileWholeOrLeavesTheEarlierOne) {
  enum class End { kCommit, kScopeEnd, kDies, kWriteFails };
  // How writing ends, whether a link is planted at the name, what the name holds then.
  const std::tuple<End, bool, const char*> cases[] = {
      {End::kCommit, true, "new\n"},
      {End::kScopeEnd, false, "new\n"},  // a run ending early keeps what it wrote
      {End::kDies, false, "old\n"},
      {End::kWriteFails, true, "old\n"},
  };
  for (const auto& [end, link, content] : cases) {
    testing::ScratchDir dir;
    const std::string victim = dir.write("victim", "old\n"), path = dir.file("out");
    if (link)
      std::filesystem::create_symlink("victim", path);
    else
      dir.write("out", "old\n");
    const int status = exit_status_in_child([&, end = end] {
      try {
        OutputFile file(path, "the output");
        std::optional<testing::FileSizeLimit> full_disk;
        if (end == End::kWriteFails) full_disk.emplace(2);
        file.stream() << "new\n";
        file.flush();
        if (end == End::kDies) ::_exit(0);  // no destructor runs, as when killed
        if (end == End::kCommit) file.commit();
      } catch (const RunEnd&) {
        return 1;
      }
      return 0;
    });
    EXPECT_EQ(status, end == End::kWriteFails ? 1 : 0);
    EXPECT_EQ(testing::read_file(path), content) << static_cast<int>(end);
    EXPECT_EQ(testing::read_file(victim), "old\n") << static_cast<int>(end);
  }
}

// Guards against a forecast table and its metadata of different runs side by
// side: a commit that failed for one of the two put the other in place all
// the same, and said nothing of it. A directory at a name makes its rename
// fail; a file-size limit makes the table's write fail. Each row runs in a
// child process, which keeps the limit to itself.
TEST(OutputGroup, ReplacesBothFilesOrNeitherAndSaysWhenItCannot) {
  enum class Fault { kNone, kMetadataRename, kTableRename, kTableWrite };
  // The fault; what the metadata and the table hold afterwards (nullptr: the
  // directory still stands there); a part of the diagnostic.
  const std::tuple<Fault, const char*, const char*, const char*> cases[] = {
      {Fault::kNone, "new\n", "new table\n", ""},
      {Fault::kMetadataRename, nullptr, "old\n", "cannot write the metadata file"},
      {Fault::kTableRename, "new\n", nullptr, "was already replaced and no longer matches it"},
      {Fault::kTableWrite, "old\n", "old\n", "cannot write the forecast table"},
  };
  for (const auto& [fault, metadata, table, diagnostic] : cases) {
    testing::ScratchDir dir;
    const std::string meta = dir.file("meta"), data = dir.file("table");
    for (const auto& [path, blocked] : {std::pair{meta, fault == Fault::kMetadataRename},
                                        std::pair{data, fault == Fault::kTableRename}}) {
      if (blocked)
        std::filesystem::create_directories(path + "/entry");
      else
        std::ofstream(path, std::ios::binary) << "old\n";
    }
    ASSERT_EQ(exit_status_in_child([&, fault = fault] {
                std::string said;
                try {
                  OutputGroup outputs;
                  OutputFile metadata_file(meta, "the metadata file", &outputs);
                  metadata_file.stream() << "new\n";
                  metadata_file.flush();
                  std::optional<testing::FileSizeLimit> full_disk;
                  if (fault == Fault::kTableWrite) full_disk.emplace(4);
                  OutputFile table_file(data, "the forecast table", &outputs);
                  table_file.stream() << "new table\n";
                  try {
                    outputs.commit();
                  } catch (const RunEnd& e) {
                    said = e.text();
                  }
                } catch (const RunEnd& e) {
                  said = e.text();
                }
                std::ofstream(dir.file("diagnostic"), std::ios::binary) << said;
                return 0;
              }),
              0);
    const int row = static_cast<int>(fault);
    for (const auto& [path, content] : {std::pair{meta, metadata}, std::pair{data, table}}) {
      if (content == nullptr)
        EXPECT_TRUE(std::filesystem::is_directory(path)) << row;
      else
        EXPECT_EQ(testing::read_file(path), content) << row << " " << path;
    }
    const std::string said = testing::read_file(dir.file("diagnostic"));
    EXPECT_EQ(said.empty(), *diagnostic == '\0') << row << ": " << said;
    EXPECT_NE(said.find(diagnostic), std::string::npos) << row << ": " << said;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file(".")))
      EXPECT_EQ(entry.path().filename().string().rfind(".velk_nrt-", 0), std::string::npos)
          << row << ": temporary file left behind";
  }
}

}  // namespace
}  // namespace velk::forecast
