#include "forecast/run/configuration.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/forecast/test_support.h"

namespace velk::forecast {
namespace {

using testing::abnormal_naming;
using testing::run_end_of;

// An end-to-end case's configuration: the model block the ap build of the
// preprocessor writes, after a banner.
const std::string kApFile =
    testing::read_file(VELK_E2E_DATA_DIR "/cases/real2020_ap/workdir/velk_nrt.cfg");

Configuration parse(const std::string& text) {
  std::istringstream in(text);
  return read_configuration(in, "test.cfg");
}

// The ap file itself is read by its end-to-end case, and the namelist
// reader's faults are its own tests'; here only how a bad group ends the run.
TEST(Configuration, UnreadableGroupsEndAbnormallyNamingTheFile) {
  EXPECT_TRUE(abnormal_naming(run_end_of([] { parse("&VELK_FOR KY=1.5 /"); }),
                              "abnormal: velk_nrt: test.cfg: "));
  EXPECT_TRUE(
      abnormal_naming(run_end_of([] { parse("&VELK_FOR KY=12 LT=3 /"); }),
                      "test.cfg: group &VELK_FOR does not assign UFLAG, LMAX, DT, UF, UN, UU"));
  // Guards against cutting a long file name to 255 characters, which made the
  // run read or write another file than the one named.
  std::string long_name = kApFile;
  long_name.replace(long_name.find("FNDAT='") + 7, 0, std::string(300, 'a'));
  EXPECT_TRUE(abnormal_naming(run_end_of([&] { parse(long_name); }),
                              "test.cfg: a file name of FNDAT is longer than 255 characters"));
  for (const char* unusable : {"/nonexistent/velk_nrt.cfg", "/dev/zero"})
    EXPECT_TRUE(abnormal_naming(run_end_of([&] { read_configuration(unusable); }), unusable));
}

// Replaces one assignment line of the ap file (or of `text`).
std::string with(const std::string& name, const std::string& value, std::string text = kApFile) {
  const std::size_t at = text.find(name + "=", text.find('&'));
  return text.replace(at, text.find('\n', at) - at, name + "=" + value);
}

TEST(Configuration, ChecksRunInTheirOrderWithTheirMessages) {
  const std::pair<std::string, std::string> cases[] = {
      {with("KY", "0"), " KY MUST BE WITHIN 1..12 RANGE, YOU PROVIDED  0\n"},
      {with("KY", "100"), " KY MUST BE WITHIN 1..12 RANGE, YOU PROVIDED **\n"},
      // KY comes first, even with a bad cadence.
      {with("KY", "13", with("DT", "16*0")), " KY MUST BE WITHIN 1..12 RANGE, YOU PROVIDED 13\n"},
      // An input that is not in use is checked all the same; a bad LMAX(3)
      // is reported before a bad DT(4).
      {with("DT", "9*1,0,1,3,4*1"), " CADENCE MUST BE POSITIVE\n"},
      {with("LMAX", "2*24,-1,6*24,3*648,4*0", with("DT", "3*1,0,5*1,3,1,3,4*1")),
       " MAXIMUM LAG MUST BE 0 OR POSITIVE\n"},
      {with("UFLAG", "16*0", with("LT", "-1")), " AT LEAST ONE OF UFLAG VALUES MUST BE NON-ZERO\n"},
      {with("LT", "-1", with("UFLAG", "2*0,14*1")), " LEAD TIME MUST BE 0 OR POSITIVE\n"},
      {with("LT", "39"), " AT MOST 12 MODELS ARE SUPPORTED, LT/DT(KY) GIVES 13\n"},
      {with("LT", "38"), ""},  // 38 / 3 = 12 models
  };
  for (const auto& c : cases) {
    const Configuration config = parse(c.first);
    EXPECT_EQ(run_end_of([&] { validate_configuration(config); }), c.second) << c.first;
  }
}

TEST(Configuration, SizesFollowTheInputsInUseAndTheLeadTime) {
  Configuration c = parse(kApFile);
  c.UFLAG = {};
  c.UFLAG[12] = 1;  // a harmonic input only: lag 0
  EXPECT_EQ(validate_configuration(c), 0);
  c.KY = 10;
  c.LT = 5;
  EXPECT_EQ(model_count(c), 1);  // 5 / 3 truncates
  EXPECT_EQ(table_rows(3, 45), 48);
  EXPECT_EQ(table_rows(3, 46), 72);
  EXPECT_EQ(table_rows(0, 0), 0);
  // Guards against sizing a table that cannot be held (and an int overflow).
  EXPECT_EQ(run_end_of([] { table_rows(2147483647, 100); }),
            " A TABLE OF 2147483760 HOURS EXCEEDS THE LIMIT OF 2000000\n");
}

TEST(Configuration, CountsTheMagRecordsAfterTheHeader) {
  testing::ScratchDir dir;
  const auto count = [&](const std::string& text) {
    return count_mag_records(dir.write("mag.asc", text));
  };
  const std::string header = "#\n#\n#\n#---\n";
  const std::string record = "2009 03 01  0000   54891       0    0    -1.0\n";
  EXPECT_EQ(count(header), 0);
  // A blank last line reads as a record (the end-to-end inputs end so).
  EXPECT_EQ(count(header + record + "2009 03 01  0100"), 2);  // no final line feed
  // Guards against CR LF line ends: a blank CR LF line is a blank record, not
  // a line without a year that ends the run.
  EXPECT_EQ(count("#\r\n#\r\n#\r\n#\r\n" + record.substr(0, 44) + "\r\n\r\n"), 2);

  EXPECT_TRUE(abnormal_naming(run_end_of([&] { count("#\n#\n#\n"); }), dir.file("mag.asc")));
  EXPECT_TRUE(abnormal_naming(run_end_of([&] { count("#\n#\n#\n#\n2009\n#bad\n"); }), "line 6"));
  for (const char* unusable : {"/nonexistent/velk/mag.asc", "/dev/zero"})
    EXPECT_TRUE(abnormal_naming(run_end_of([&] { count_mag_records(unusable); }), unusable));
}

}  // namespace
}  // namespace velk::forecast
