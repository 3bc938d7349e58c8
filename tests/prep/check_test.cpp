// The checks of fetched texts and existing input files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>

#include "prep/check/input_file_check.h"
#include "prep/check/month_check.h"
#include "prep/common/report.h"
#include "tests/prep/test_support.h"

namespace velk::prep {
namespace {

// The clock stands in January 2013: current month 2013-01, previous month
// 2012-12.
TEST(RecordCheck, ClassifiesBySourceAndMonth) {
  // A record line of `length` characters (line feed not counted) of the source
  // whose year, month and day fields start at `at`: "YYYY MM DD  HHMM" (ACE),
  // "DSTYYMM*DD" (Dst) or "YYMMDD" (Kp) with `year` and `month` put in.
  const auto record = [](std::size_t length, char source, const std::string& year,
                         const std::string& month) {
    std::string line(length, '0');
    if (source == 'A') line.replace(0, 16, year + " " + month + " 05  0700");
    if (source == 'D') line.replace(0, 10, "DST" + year + month + "*05");
    if (source == 'K') line.replace(0, 6, year + month + " 5");
    return line + "\n";
  };
  const auto mag = [&](const std::string& year, const std::string& month) {
    return record(85, 'A', year, month);
  };
  const std::string structure_ok = "FileAnalysis FileStructure 0",
                    date_ok = "FileAnalysis FileDate 0", date_bad = "FileAnalysis FileDate 1";
  const std::vector<std::string> good{structure_ok, date_ok}, bad{"FileAnalysis FileStructure 1"};
  const auto bad_line = [&](const std::string& line_and_kind) {
    return std::vector<std::string>{structure_ok, date_ok,
                                    "FileAnalysis FileRecord'" + line_and_kind + " 1"};
  };
  const std::optional<MonthRole> none;
  const MonthRole swepam_current{Source::ace_swepam, Month::current},
      mag_previous{Source::ace_mag, Month::previous}, dst_current{Source::dst, Month::current},
      dst_previous{Source::dst, Month::previous}, kp_current{Source::kp, Month::current},
      kp_previous{Source::kp, Month::previous};
  const struct {
    std::string text;
    std::optional<MonthRole> role;
    std::vector<std::string> pairs;
  } cases[] = {
      {record(72, 'A', "2013", "01") + record(72, 'A', "2013", "01"), swepam_current, good},
      {mag("2012", "12") + "\n" + mag("2012", "12") + "\n", mag_previous,
       good},  // empty lines pass
      {mag("2013", "06"), none, {structure_ok, date_bad}},
      {record(86, 'A', "2013", "01"), none, bad},
      {record(120, 'D', "13", "01"), dst_current, good},
      {record(123, 'D', "12", "12"), dst_previous, good},
      {record(124, 'D', "13", "01"), none, bad},
      {record(70, 'A', "2013", "01"), none, bad},
      // Fault guarded: a record one character longer than its source writes
      // passed as one of it, as the first line or a later one.
      {record(73, 'A', "2013", "01"), none, bad},
      {record(63, 'K', "13", " 1"), none, bad},
      {record(72, 'A', "2013", "01") + record(73, 'A', "2013", "01"), none,
       bad_line("2'structure")},
      {mag("2013", "01") + record(86, 'A', "2013", "01"), none, bad_line("2'structure")},
      {record(120, 'D', "13", "01") + record(124, 'D', "13", "01"), none, bad_line("2'structure")},
      {record(62, 'K', "13", " 1") + record(63, 'K', "13", " 1"), none, bad_line("2'structure")},
      {record(62, 'K', "12", "12"), kp_previous, good},
      {record(55, 'K', "13", " 1"), kp_current, good},  // blank-padded month
      // Texts without a record of their own never get a role.
      {"", none, bad},
      {std::string(85, '0'), none, bad},  // no line feed
      {"13\n", none, bad},                // too short for the month
      // Fault guarded: a month of another year was taken for the current or
      // the previous one.
      {mag("2014", "01"), none, {structure_ok, date_bad}},
      {record(120, 'D', "12", "01"), none, {structure_ok, date_bad}},
      {record(62, 'K', "13", "12"), none, {structure_ok, date_bad}},
      // Fault guarded: only the first line was checked, so a broken line
      // further down went into the input file.
      {mag("2013", "01") + mag("2013", "01").substr(0, 40) + "\n", none, bad_line("2'structure")},
      {mag("2013", "01") + mag("2013", "01").replace(40, 1, 1, '\0'), none,
       bad_line("2'structure")},
      {mag("2013", "01") + mag("2013", "01").replace(8, 2, "32"), none, bad_line("2'structure")},
      {mag("2013", "01") + mag("2013", "01").replace(12, 2, "24"), none, bad_line("2'structure")},
      {mag("2013", "01") + mag("2013", "01") + "123", none, bad_line("3'structure")},
      {mag("2013", "01") + mag("2012", "01"), none, bad_line("2'date")},
      {record(120, 'D', "13", "01") + record(120, 'D', "13", "0x"), none, bad_line("2'structure")},
      {record(62, 'K', "13", " 1") + record(62, 'K', "13", "12"), none, bad_line("2'date")},
      {record(20, 'K', "13", " 1"), none, bad_line("1'structure")},  // a short line is no Kp record
  };
  FixedClock clock("2013-01-05 07:03");
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
    Report report;
    EXPECT_EQ(classify_month_text(c.text, report), c.role);
    EXPECT_EQ(report_pairs(report.document()), c.pairs);
  }
}

TEST(TextScan, CountsEmptyLinesOutsideTheLastTenCharacters) {
  const auto lines = [](int count, std::size_t length) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(length, 'r') + "\n";
    return text;
  };
  const std::string no_gap = "FileStructureAnalysis2 FileStructureRowMissing 0",
                    gap = "FileStructureAnalysis2 FileStructureRowMissing 1",
                    bad = "FileStructureAnalysis2 FileStructure 1";
  Report gaps;
  EXPECT_EQ(count_missing_rows("aaaa\n\n\n\nccccccccccccccccc\n", 0, gaps), 3);  // three in a row
  EXPECT_EQ(count_missing_rows(lines(3, 20) + "\n123456789", 0, gaps), 0);       // in the tail
  // Fault guarded: the scan stopped one character short of the tail, missing
  // an empty line that ends right before it.
  EXPECT_EQ(count_missing_rows("aaaa\n\n0123456789", 4, gaps), 1);
  EXPECT_EQ(report_pairs(gaps.document()), (std::vector<std::string>{gap, gap, gap, no_gap, gap}));
  // An existing ACE file: its 31st line must be a MAG or SWEPAM record.
  Report ace;
  EXPECT_EQ(check_ace_input_text(lines(30, 85) + lines(10, 86), ace), 1);
  EXPECT_EQ(check_ace_input_text(lines(30, 85), ace), 1);
  EXPECT_EQ(report_pairs(ace.document()), (std::vector<std::string>{no_gap, bad, no_gap, bad}));
}

// Fault guarded (the pipe): opening a named pipe blocked the run for ever.
// (Present, absent and empty names are the end-to-end cases' and the cycle's.)
TEST(ExistingAceFile, OnlyAReadableRegularFileIsChecked) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo("pipe", 0644), 0);
  for (const std::string path : {"./", "pipe"}) {
    Report report;
    EXPECT_EQ(check_ace_input_file(path, report), 1) << path;
    EXPECT_EQ(report_pairs(report.document()).front(), "FileRead '" + path + "'read 1");
  }
}

}  // namespace
}  // namespace velk::prep
