#include "forecast/configuration.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "forecast/run_end.h"
#include "scratch_files.h"

namespace velk {
namespace {

const std::string kBanner = std::string(71, '=') +
                            "\nCONFIG FILE FOR VELK MODELLING PROCESSOR\n"
                            "EXPLANATION OF PARAMETERS:\n"
                            " KY - NUMBER OF THE OUTPUT AMONG THE MAIN INPUTS (1..12)\n"
                            " FNRES - MODEL FILENAMES, 12 (IN)\n" +
                            std::string(71, '=') + "\n";

// The model block the ap build of the preprocessor writes, and a file-name block.
const std::string kApBlock =
    "&VELK_FOR\n"
    "      KY=12\n"
    "      LT=3\n"
    "   UFLAG=1,1,1,1,1,1,1,1,1,0,0,1,1,1,1,1\n"
    "    LMAX=9*24,3*648,4*0\n"
    "      DT=9*1,3,1,3,4*1\n"
    "      UF=6*-999.9,-1.E5,2*-9999.9,99.,9999.,0.,4*9.\n"
    "      UN='Bt','Btheta','Bphi','Bx','By','Bz','T','n','V','Kp','Dst','ap'\n"
    "      UU=6*'nT','K','p/cc','km/s','*10',2*'nT'\n"
    "   FNRES='1203.res','','','','','','','','','','',''\n"
    "   FNCOV='1203.cov','','','','','','','','','','',''\n"
    "   FMDAT='(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,1(1X,7X,F6.0))'\n"
    "  FMDATH='(4X,\"HOY\",3X,\"HTND\",1X,\"YYYY\",1X,\"MM\",1X,\"DD\",1X,\"DOY\",1X,\"HH\",1X,A11,"
    "1(1X,\"FC+\",I2.2,\"H\",A7))'\n"
    "FNDST='dst-rt-2013_072_18_40.asc'\n"
    "FNKP='kp-rt-2013_072_18_40.asc'\n"
    "FNMAG='in/ace-mag-rt-2013_072_18_40.asc'\n"
    "FNSWEPAM='ace-swepam-rt-2013_072_18_40.asc'\n"
    "FNMET='out/ap-fc-2013_072_18_40.xml'\n"
    "FNDAT='out/ap-fc-2013_072_18_40.asc'\n"
    "/\n";

Configuration parse(const std::string& text) {
  std::istringstream in(text);
  return read_configuration(in, "test.cfg");
}

// The text of the RunEnd that `f` throws, or "" when it returns.
template <typename F>
std::string run_end_text(F f, RunEnd::Kind* kind = nullptr) {
  try {
    f();
  } catch (const RunEnd& e) {
    if (kind != nullptr) *kind = e.kind();
    return e.text();
  }
  return "";
}

TEST(ConfigurationTest, ReadsTheApBuildsFile) {
  const Configuration c = parse(kBanner + kApBlock);
  EXPECT_EQ(c.KY, 12);
  EXPECT_EQ(c.LT, 3);
  EXPECT_EQ(c.UFLAG, (std::array<int, 16>{1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1}));
  EXPECT_EQ(c.LMAX, (std::array<int, 16>{24, 24, 24, 24, 24, 24, 24, 24, 24, 648, 648, 648}));
  EXPECT_EQ(c.DT, (std::array<int, 16>{1, 1, 1, 1, 1, 1, 1, 1, 1, 3, 1, 3, 1, 1, 1, 1}));
  EXPECT_EQ(c.UF, (FillValues{-999.9, -999.9, -999.9, -999.9, -999.9, -999.9, -100000.0, -9999.9,
                              -9999.9, 99.0, 9999.0, 0.0, 9.0, 9.0, 9.0, 9.0}));
  EXPECT_EQ(c.UN[1], "Btheta");
  EXPECT_EQ(c.UN[11], "ap");
  EXPECT_EQ(c.UU[5], "nT");
  EXPECT_EQ(c.UU[9], "*10");
  EXPECT_EQ(c.FNRES[0], "1203.res");
  EXPECT_EQ(c.FNRES[1], "");
  EXPECT_EQ(c.FNCOV[0], "1203.cov");
  EXPECT_EQ(c.FMDAT, "(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,1(1X,7X,F6.0))");
  EXPECT_EQ(c.FMDATH.substr(0, 12), "(4X,\"HOY\",3X");
  EXPECT_EQ(c.FNMAG, "in/ace-mag-rt-2013_072_18_40.asc");
  EXPECT_EQ(c.FNMET, "out/ap-fc-2013_072_18_40.xml");
  EXPECT_EQ(c.FNDAT, "out/ap-fc-2013_072_18_40.asc");
  EXPECT_EQ(validate_configuration(c), 648);
  EXPECT_EQ(model_count(c), 1);
}

TEST(ConfigurationTest, ReadsFromAFileAndNamesItWhenAbsent) {
  velk::testing::ScratchDir scratch;
  const std::string path = scratch.write("velk_nrt.cfg", std::string(kBanner) + kApBlock);
  EXPECT_EQ(read_configuration(path).KY, 12);
  std::remove(path.c_str());
  RunEnd::Kind kind{};
  const std::string text = run_end_text([&] { read_configuration(path); }, &kind);
  EXPECT_EQ(kind, RunEnd::Kind::kAbnormal);
  EXPECT_NE(text.find(path), std::string::npos) << text;
}

TEST(ConfigurationTest, UnreadableGroupsEndAbnormallyNamingTheFile) {
  const std::string cases[] = {
      kBanner,                                  // no group
      "&VELK_FOR KY=12 LT=3 /",                 // variables missing
      kApBlock.substr(0, kApBlock.size() - 2),  // no closing "/"
      "&VELK_FOR KY=1.5 /",                     // wrong kind
      "&VELK_FOR UFLAG=17*1 /",                 // too many values
      "&VELK_FOR NOSUCH=1 /",                   // unknown variable
      "&VELK_FOR FNMAG='unterminated\n/\n",     // open text
  };
  for (const std::string& text : cases) {
    RunEnd::Kind kind{};
    const std::string message = run_end_text([&] { parse(text); }, &kind);
    EXPECT_EQ(kind, RunEnd::Kind::kAbnormal) << text;
    EXPECT_EQ(message.rfind("velk_nrt: test.cfg: ", 0), 0u) << message;
  }
  const std::string missing = run_end_text([] { parse("&VELK_FOR KY=12 LT=3 /"); });
  EXPECT_NE(missing.find("does not assign UFLAG, LMAX, DT, UF, UN, UU"), std::string::npos)
      << missing;
}

// Replaces one assignment line of the ap block (or of `block`).
std::string with(const std::string& name, const std::string& value, std::string block = kApBlock) {
  const std::size_t at = block.find(name + "=");
  const std::size_t end = block.find('\n', at);
  return block.replace(at, end - at, name + "=" + value);
}

struct CheckCase {
  std::string text;
  std::string message;  // "" when the configuration passes
};

TEST(ConfigurationTest, ChecksRunInTheirOrderWithTheirMessages) {
  const CheckCase cases[] = {
      {with("KY", "0"), " KY MUST BE WITHIN 1..12 RANGE, YOU PROVIDED  0\n"},
      {with("KY", "13"), " KY MUST BE WITHIN 1..12 RANGE, YOU PROVIDED 13\n"},
      {with("KY", "-5"), " KY MUST BE WITHIN 1..12 RANGE, YOU PROVIDED -5\n"},
      {with("KY", "100"), " KY MUST BE WITHIN 1..12 RANGE, YOU PROVIDED **\n"},
      // KY comes first, even with a bad cadence.
      {with("KY", "0", with("DT", "16*0")), " KY MUST BE WITHIN 1..12 RANGE, YOU PROVIDED  0\n"},
      // An input that is not in use is checked all the same.
      {with("DT", "9*1,0,1,3,4*1"), " CADENCE MUST BE POSITIVE\n"},
      {with("LMAX", "9*24,-1,2*648,4*0"), " MAXIMUM LAG MUST BE 0 OR POSITIVE\n"},
      {with("UFLAG", "16*0", with("LT", "-1")), " AT LEAST ONE OF UFLAG VALUES MUST BE NON-ZERO\n"},
      {with("LT", "-1", with("UFLAG", "2*0,14*1")), " LEAD TIME MUST BE 0 OR POSITIVE\n"},
      {with("LT", "39"), " AT MOST 12 MODELS ARE SUPPORTED, LT/DT(KY) GIVES 13\n"},
      {with("LT", "38"), ""},  // 38 / 3 = 12 models
      {with("LT", "0"), ""},
  };
  for (const CheckCase& c : cases) {
    const Configuration config = parse(c.text);
    EXPECT_EQ(run_end_text([&] { validate_configuration(config); }), c.message) << c.text;
  }
  // A bad LMAX(3) is reported before a bad DT(4).
  Configuration c = parse(kApBlock);
  c.LMAX[2] = -1;
  c.DT[3] = 0;
  EXPECT_EQ(run_end_text([&] { validate_configuration(c); }),
            " MAXIMUM LAG MUST BE 0 OR POSITIVE\n");
  c.LMAX[2] = 24;
  EXPECT_EQ(run_end_text([&] { validate_configuration(c); }), " CADENCE MUST BE POSITIVE\n");
}

TEST(ConfigurationTest, MaxlagAndModelCountFollowTheInputsInUse) {
  Configuration c = parse(kApBlock);
  c.UFLAG = {};
  c.UFLAG[12] = 1;  // a harmonic input only: lag 0
  EXPECT_EQ(validate_configuration(c), 0);
  c.UFLAG[0] = 1;
  EXPECT_EQ(validate_configuration(c), 24);
  c.KY = 11;  // Dst: cadence 1
  c.LT = 4;
  EXPECT_EQ(model_count(c), 4);
  c.KY = 10;
  c.LT = 5;
  EXPECT_EQ(model_count(c), 1);  // 5 / 3 truncates
  c.LT = 2;
  EXPECT_EQ(model_count(c), 0);
}

TEST(ConfigurationTest, TableRowsCoverWholeDaysAndLeadTime) {
  EXPECT_EQ(table_rows(3, 45), 48);
  EXPECT_EQ(table_rows(3, 46), 72);
  EXPECT_EQ(table_rows(0, 0), 0);
  EXPECT_EQ(table_rows(0, 24), 24);
  EXPECT_EQ(table_rows(4, 1440), 1464);
  // Guards against sizing a table that cannot be held (and an int overflow).
  EXPECT_EQ(run_end_text([] { table_rows(2147483647, 100); }),
            " A TABLE OF 2147483760 HOURS EXCEEDS THE LIMIT OF 2000000\n");
}

class MagRecordsTest : public ::testing::Test {
 protected:
  // Each test runs in a process of its own, possibly beside the others, so
  // each gets its own directory.
  std::string write(const std::string& text) { return scratch_.write("mag.asc", text); }
  velk::testing::ScratchDir scratch_;
};

TEST_F(MagRecordsTest, CountsTheLinesAfterTheHeader) {
  const std::string header = "#\n#\n#\n#---\n";
  const std::string record = "2009 03 01  0000   54891       0    0    -1.0\n";
  EXPECT_EQ(count_mag_records(write(header)), 0);
  EXPECT_EQ(count_mag_records(write(header + record + record + "\n")), 3);       // blank reads 0
  EXPECT_EQ(count_mag_records(write(header + record + "2009 03 01  0100")), 2);  // no final LF
  EXPECT_EQ(count_mag_records(write("#\n#\n#\n#")), 0);
  // Guards against CR LF line ends: a blank CR LF line is a blank record, not
  // a line without a year that ends the run.
  EXPECT_EQ(count_mag_records(write("#\r\n#\r\n#\r\n#\r\n" + record.substr(0, 44) + "\r\n\r\n")),
            2);
}

TEST_F(MagRecordsTest, EndsAbnormallyOnShortOrUnreadableFiles) {
  RunEnd::Kind kind{};
  std::string text = run_end_text([&] { count_mag_records(write("#\n#\n#\n")); }, &kind);
  EXPECT_EQ(kind, RunEnd::Kind::kAbnormal);
  EXPECT_NE(text.find(scratch_.file("mag.asc")), std::string::npos);
  text = run_end_text([&] { count_mag_records(write("#\n#\n#\n#\n2009\n#bad\n")); }, &kind);
  EXPECT_EQ(kind, RunEnd::Kind::kAbnormal);
  EXPECT_NE(text.find("line 6"), std::string::npos) << text;
  text = run_end_text([] { count_mag_records("/nonexistent/velk/mag.asc"); }, &kind);
  EXPECT_EQ(kind, RunEnd::Kind::kAbnormal);
  EXPECT_NE(text.find("/nonexistent/velk/mag.asc"), std::string::npos);
}

}  // namespace
}  // namespace velk
