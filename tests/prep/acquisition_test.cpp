#include <gtest/gtest.h>

#include "acquire/ace_acquisition.h"
#include "acquire/dst_acquisition.h"
#include "acquire/kp_acquisition.h"
#include "run/error_report.h"
#include "test_settings.h"
#include "test_support.h"

namespace {

std::string two(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

// A real-time Dst month: 120-character records, an empty line and the
// "[Created at ...]" trailer, or no trailer (a final file ends "\n\n").
std::string dst_records(int yy, int mm, int days) {
  std::string text;
  for (int day = 1; day <= days; ++day) {
    text +=
        "DST" + two(yy) + two(mm) + "*" + two(day) + "RRX020   0" + std::string(96, '9') + "9999\n";
  }
  return text;
}
std::string dst_month(int yy, int mm, int days, bool trailer) {
  return dst_records(yy, mm, days) + "\n" +
         (trailer ? "[Created at Fri Mar 15 18:40:00 UTC 2013]\n" : "");
}

// A quick-look Kp month: 62-character records "YYMMDD..." (with a colon to
// show that colons become blanks).
std::string kp_month(int yy, int mm, int days) {
  std::string text;
  for (int day = 1; day <= days; ++day) {
    text += two(yy) + two(mm) + two(day) + std::string(53, '1') + ":23\n";
  }
  return text;
}

// An ACE month as the list service publishes it: header, marker line, records.
std::string ace_records(const AceList& list, int year, int mm, int hours) {
  const std::size_t length = std::string(list.label_stem) == "MAG" ? 85 : 72;
  std::string text;
  for (int hour = 0; hour < hours; ++hour) {
    std::string record = std::to_string(year) + " " + two(mm) + " 01  " + two(hour) + "00";
    record += std::string(length - record.size(), ' ');
    record.back() = '7';
    text += record + "\n";
  }
  return text;
}
std::string ace_month(const AceList& list, int year, int mm, int hours) {
  const std::size_t dashes = std::string(list.label_stem) == "MAG" ? 84 : 73;
  return ":Product: " + std::to_string(year) + two(mm) + list.file_suffix + "\n" +
         ":Issued: 2013 Mar 15 1840 UT\n# Prepared 2\n#" + std::string(dashes, '-') + "\n" +
         ace_records(list, year, mm, hours);
}

// Every acquisition runs in a scratch directory with the clock in March 2013.
class Acquisition : public ::testing::Test {
 protected:
  Acquisition() : clock_(2013, 3, 15, 18, 40) { report_reset(); }
  ScratchDir dir_;
  FixedClock clock_;
};

std::vector<ReportPair> month_pairs(const char* step, const std::string& url, const char* file,
                                    bool analysed) {
  std::vector<ReportPair> pairs{{step, "File'" + url + "'download", analysed ? 0 : 1},
                                {"FileRead", std::string("'") + file + "'read", analysed ? 0 : 1}};
  if (analysed) {
    pairs.push_back({"FileAnalysis", "FileStructure", 0});
    pairs.push_back({"FileAnalysis", "FileDate", 0});
  }
  return pairs;
}

std::vector<ReportPair> concat(std::vector<ReportPair> a, const std::vector<ReportPair>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(Acquisition, DstJoinsPreviousThenCurrentMonth) {
  write_file("up-present", dst_month(13, 3, 15, true));
  write_file("up-last", dst_month(13, 2, 28, true));
  EXPECT_EQ(dst_acquisition("dst.asc", file_url("up-present"), file_url("up-last")), 0);
  EXPECT_EQ(read_file("dst.asc"), dst_records(13, 2, 28) + dst_records(13, 3, 15));
  EXPECT_EQ(
      report_pairs(error_file),
      concat(concat(month_pairs("DSTFileDownload", file_url("up-present"), "Dst_present.txt", true),
                    month_pairs("DSTFile2Download", file_url("up-last"), "Dst_last.txt", true)),
             {{"FileStructureAnalysis2", "FileStructureRowMissing", 0}}));
  EXPECT_FALSE(file_exists("Dst_present.txt"));
  EXPECT_FALSE(file_exists("Dst_last.txt"));
}

TEST_F(Acquisition, DstPreviousMonthWithoutTrailerLeavesAnEmptyLineAtTheSeam) {
  write_file("up-present", dst_month(13, 3, 15, true));
  write_file("up-last", dst_records(13, 2, 28));
  EXPECT_EQ(dst_acquisition("dst.asc", file_url("up-present"), file_url("up-last")), 1);
  EXPECT_EQ(read_file("dst.asc"), dst_records(13, 2, 28) + "\n" + dst_records(13, 3, 15));
}

// Fault guarded: texts of the wrong months were neither joined nor written,
// yet the acquisition reported success and the configuration named a file
// that did not exist.
TEST_F(Acquisition, DstOfTheWrongMonthsFails) {
  write_file("up-present", dst_month(13, 3, 15, true));
  write_file("up-last", dst_month(13, 3, 15, true));
  EXPECT_EQ(dst_acquisition("dst.asc", file_url("up-present"), file_url("up-last")), 1);
  EXPECT_FALSE(file_exists("dst.asc"));
}

// Fault guarded: a working file left behind by a killed run was read as if
// the failed download had just fetched it.
TEST_F(Acquisition, StaleWorkingFileIsNeverRead) {
  write_file("up-present", dst_month(13, 3, 15, true));
  write_file("Dst_last.txt", dst_month(13, 2, 28, true));
  EXPECT_EQ(dst_acquisition("dst.asc", file_url("up-present"), file_url("absent")), 1);
  EXPECT_FALSE(file_exists("dst.asc"));
  EXPECT_FALSE(file_exists("Dst_last.txt"));
  EXPECT_EQ(report_pairs(error_file).back(), (ReportPair{"FileRead", "'Dst_last.txt'read", 1}));
}

// Fault guarded: an input file that could not be written still counted as
// obtained, so the configuration named a file that was never written.
TEST_F(Acquisition, InputFileThatCannotBeWrittenFailsAndIsReported) {
  write_file("up-present", dst_month(13, 3, 15, true));
  write_file("up-last", dst_month(13, 2, 28, true));
  EXPECT_NE(dst_acquisition("missing/dst.asc", file_url("up-present"), file_url("up-last")), 0);
  EXPECT_EQ(report_pairs(error_file).back(),
            (ReportPair{"FileWrite", "'missing/dst.asc'write", 1}));
}

struct KpCase {
  const char* name;
  std::string present;  // upstream text of qlyymm.wdc
  std::string last;     // upstream text of pqlyymm.wdc
  int expected;
  std::string written;  // expected file; empty: no file
};

class KpAcquisition : public Acquisition, public ::testing::WithParamInterface<KpCase> {};

TEST_P(KpAcquisition, WritesOnlyRecognisedKpMonths) {
  write_file("up-present", GetParam().present);
  write_file("up-last", GetParam().last);
  EXPECT_EQ(kp_acquisition("kp.asc", file_url("up-present"), file_url("up-last")),
            GetParam().expected);
  if (GetParam().written.empty()) {
    EXPECT_FALSE(file_exists("kp.asc"));
  } else {
    EXPECT_EQ(read_file("kp.asc"), GetParam().written);
  }
  EXPECT_FALSE(file_exists("Kp_present.txt"));
  EXPECT_FALSE(file_exists("KP_last.txt"));
}

std::string blanked(std::string text) {
  for (char& c : text) {
    if (c == ':') c = ' ';
  }
  return text;
}

// Faults guarded (the foreign/empty cases): an error page or an empty text was
// written out as Kp data.
INSTANTIATE_TEST_SUITE_P(
    Months, KpAcquisition,
    ::testing::Values(KpCase{"DifferentMonthsAreJoined", kp_month(13, 3, 14), kp_month(13, 2, 28),
                             0, blanked(kp_month(13, 2, 28) + kp_month(13, 3, 14)) + "\n"},
                      KpCase{"SameMonthKeepsThePreviousFileAlone", kp_month(13, 2, 28),
                             kp_month(13, 2, 28), 0, blanked(kp_month(13, 2, 28)) + "\n"},
                      KpCase{"ForeignCurrentText",
                             "<html><body>Not here</body></html>\n" + std::string(80, 'x') + "\n",
                             kp_month(13, 2, 28), 1, ""},
                      KpCase{"BothForeign", std::string(80, 'x') + "\n",
                             std::string(80, 'x') + "\n", 1, ""},
                      KpCase{"EmptyPreviousText", kp_month(13, 3, 14), "", 1, ""},
                      KpCase{"OtherMonth", kp_month(13, 3, 14), kp_month(13, 1, 31), 1, ""}),
    [](const auto& info) { return info.param.name; });

struct AceCase {
  const char* name;
  const AceList* list;
};

class AceAcquisition : public Acquisition, public ::testing::WithParamInterface<AceCase> {};

TEST_P(AceAcquisition, JoinsTheRecordsBehindTheFixedHeader) {
  const AceList& list = *GetParam().list;
  write_file("up-present", ace_month(list, 2013, 3, 5));
  write_file("up-last", ace_month(list, 2013, 2, 40));
  EXPECT_EQ(ace_acquisition(list, "ace.asc", file_url("up-present"), file_url("up-last")), 0);
  EXPECT_EQ(read_file("ace.asc"), std::string(list.column_header) + ace_records(list, 2013, 2, 40) +
                                      ace_records(list, 2013, 3, 5) + "\n");
  EXPECT_EQ(
      report_pairs(error_file),
      concat(concat(month_pairs(list.present_step, file_url("up-present"), list.present_file, true),
                    month_pairs(list.last_step, file_url("up-last"), list.last_file, true)),
             {{"FileStructureAnalysis2", "FileStructureRowMissing", 0}}));
  EXPECT_EQ(directory_entries(".").size(), 3u);  // the two upstream files and ace.asc
}

TEST_P(AceAcquisition, WrongMonthsFailWithoutAFile) {
  const AceList& list = *GetParam().list;
  write_file("up-present", ace_month(list, 2013, 3, 5));
  write_file("up-last", ace_month(list, 2012, 11, 40));
  EXPECT_EQ(ace_acquisition(list, "ace.asc", file_url("up-present"), file_url("up-last")), 1);
  EXPECT_FALSE(file_exists("ace.asc"));
}

INSTANTIATE_TEST_SUITE_P(Lists, AceAcquisition,
                         ::testing::Values(AceCase{"Mag", &kAceMag},
                                           AceCase{"Swepam", &kAceSwepam}),
                         [](const auto& info) { return info.param.name; });

TEST(AceHeaders, HaveTheirFixedLengths) {
  EXPECT_EQ(std::string(kAceMag.column_header).size(), 293u);
  EXPECT_EQ(std::string(kAceSwepam.column_header).size(), 296u);
  EXPECT_STREQ(kAceSwepam.last_step, "AceSwepamFile2Download");
}

// In January the previous month is December of the previous year.
TEST(UpstreamUrls, JanuaryRunAsksForDecember) {
  ScratchDir dir;
  FixedClock clock(2013, 1, 5, 7, 3);
  set_test_hosts("127.0.0.1:1", "127.0.0.1:1", "127.0.0.1:1");
  report_reset();
  EXPECT_EQ(DST_files_download("dst.asc"), 2);
  EXPECT_EQ(KP_files_download("kp.asc"), 2);
  EXPECT_EQ(ACEMAG_files_download("mag.asc"), 2);
  EXPECT_EQ(ACESWEPAM_files_download("swepam.asc"), 2);
  std::vector<std::string> urls;
  for (const ReportPair& pair : report_pairs(error_file)) {
    if (pair.error.rfind("File'", 0) == 0) urls.push_back(pair.error);
  }
  EXPECT_EQ(urls, (std::vector<std::string>{
                      "File'http://127.0.0.1:1/dst_realtime/201301/dst1301.for.request'download",
                      "File'http://127.0.0.1:1/dst_realtime/201212/dst1212.for.request'download",
                      "File'http://127.0.0.1:1/kp_index/qlyymm.wdc'download",
                      "File'http://127.0.0.1:1/kp_index/pqlyymm.wdc'download",
                      "File'ftp://127.0.0.1:1/pub/lists/ace2/201301_ace_mag_1h.txt'download",
                      "File'ftp://127.0.0.1:1/pub/lists/ace2/201212_ace_mag_1h.txt'download",
                      "File'ftp://127.0.0.1:1/pub/lists/ace2/201301_ace_swepam_1h.txt'download",
                      "File'ftp://127.0.0.1:1/pub/lists/ace2/201212_ace_swepam_1h.txt'download"}));
  EXPECT_TRUE(directory_entries(".").empty());
}

}  // namespace
