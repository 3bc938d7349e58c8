#include "config/config_file.h"

#include <gtest/gtest.h>

#include "config/build_variant.h"
#include "test_settings.h"
#include "test_support.h"

namespace {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

const char kFileNameBlock[] =
    "FNDST='dst-rt-2013_072_18_40.asc'\n"
    "FNKP='kp-rt-2013_072_18_40.asc'\n"
    "FNMAG='ace-mag-rt-2013_072_18_40.asc'\n"
    "FNSWEPAM='ace-swepam-rt-2013_072_18_40.asc'\n"
    "FNMET='ap-fc-2013_072_18_40.xml'\n"
    "FNDAT='ap-fc-2013_072_18_40.asc'\n"
    "/\n";

// The whole file of the ap variant, as the forecaster expects to read it.
const std::string kApConfig =
    std::string(71, '=') + "\n" + "CONFIG FILE FOR VELK MODELLING PROCESSOR\n" +
    std::string(71, '-') + "\n" +
    "EXPLANATION OF PARAMETERS:\n"
    " KY - NUMBER OF THE OUTPUT AMONG THE MAIN INPUTS (1..12)\n"
    " LT - LEAD TIME\n"
    " UFLAG - WHICH INPUTS (INCL. ADDITIONAL) TO USE\n"
    " LMAX - MAXIMAL LAGS FOR EACH INPUT (INCL. ADDITIONAL)\n"
    " DT - CADENCE FOR EACH INPUT (INCL. ADDITIONAL)\n"
    " UF - FILL VALUES FOR EACH INPUT (INCL. ADDITIONAL)\n"
    " UN - NAMES OF THE MAIN INPUTS\n"
    " UU - UNITS OF THE MAIN INPUTS\n"
    " FNRES - MODEL FILENAMES, 12 (IN)\n"
    " FNCOV - COVARIANCE MATRIX FILENAMES, 12 (IN)\n"
    " FMDAT - FORMAT OF THE OUTPUT FILE\n"
    " FMDATH - FORMAT OF THE HEADER OF THE OUTPUT FILE\n"
    "INPUT FILES:\n"
    " FNMAG - ACE/MAG\n"
    " FNSWEPAM - ACE/SWEPAM\n"
    " FNKP - KP AND AP\n"
    " FNDST - DST\n"
    "OUTPUT FILES:\n"
    " FNDAT - FORECAST IN ASCII FORMAT\n"
    " FNMET - METADATA IN XML FORMAT\n" +
    std::string(71, '-') + "\n" +
    "THE ADDITIONAL INPUTS ARE:\n"
    " 13.SINE WITH HALF-A-DAY PERIOD\n"
    " 14.COSINE WITH HALF-A-DAY PERIOD\n"
    " 15.SINE WITH HALF-A-YEAR PERIOD\n"
    " 16.COSINE WITH HALF-A-YEAR PERIOD\n" +
    std::string(71, '-') + "\n" +
    "NOTE:\n"
    " THE FIRST HOUR OF EACH DAY STARTS AT UT MIDNIGHT\n" +
    std::string(71, '=') + "\n" +
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
    "1(1X,\"FC+\",I2.2,\"H\",A7))'\n" +
    kFileNameBlock;

TEST(ConfigFile, ApVariantIsTheFullFiftyFourLines) {
  const std::string text = config_file_text(*find_build_variant("ap"), kFileNameBlock);
  EXPECT_EQ(text, kApConfig);
  EXPECT_EQ(split_lines(text).size(), 54u);
}

struct VariantLines {
  const char* variant;
  std::vector<std::pair<int, std::string>> lines;  // 1-based line number, text
};

class ConfigVariants : public ::testing::TestWithParam<VariantLines> {};

TEST_P(ConfigVariants, DifferFromApOnlyInTheModelLines) {
  const auto ap = split_lines(kApConfig);
  const auto lines =
      split_lines(config_file_text(*find_build_variant(GetParam().variant), kFileNameBlock));
  ASSERT_EQ(lines.size(), 54u);
  std::vector<std::string> expected = ap;
  for (const auto& [number, text] : GetParam().lines) expected[number - 1] = text;
  EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, ConfigVariants,
    ::testing::Values(
        VariantLines{
            "dst",
            {{36, "      KY=11"},
             {37, "      LT=4"},
             {38, "   UFLAG=1,1,1,1,1,1,1,1,1,0,1,0,1,1,1,1"},
             {44, "   FNRES='1101.res','1102.res','1103.res','1104.res','','','','','','','',''"},
             {45, "   FNCOV='1101.cov','1102.cov','1103.cov','1104.cov','','','','','','','',''"},
             {46, "   FMDAT='(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,4(1X,7X,F6.0))'"},
             {47,
              "  FMDATH='(4X,\"HOY\",3X,\"HTND\",1X,\"YYYY\",1X,\"MM\",1X,\"DD\",1X,\"DOY\","
              "1X,\"HH\",1X,A11,4(1X,\"FC+\",I2.2,\"H\",A7))'"}}},
        VariantLines{"kp",
                     {{36, "      KY=10"},
                      {38, "   UFLAG=1,1,1,1,1,1,1,1,1,1,0,0,1,1,1,1"},
                      {44, "   FNRES='1003.res','','','','','','','','','','',''"},
                      {45, "   FNCOV='1003.cov','','','','','','','','','','',''"}}}),
    [](const auto& info) { return std::string(info.param.variant); });

TEST(ConfigFile, VariantTableKnowsItsPrefixes) {
  EXPECT_STREQ(find_build_variant("ap")->forecast_prefix, "ap-fc-");
  EXPECT_STREQ(find_build_variant("dst")->forecast_prefix, "dst-fc-");
  EXPECT_STREQ(find_build_variant("kp")->forecast_prefix, "kp-fc-");
  EXPECT_EQ(find_build_variant("Ap"), nullptr);
}

// Fault guarded: an apostrophe in a path ended the text early and made the
// whole group unreadable for the forecaster.
TEST(ConfigFile, ApostrophesInPathsAreDoubled) {
  EXPECT_EQ(file_name_line("FNDST", "dst.asc"), "FNDST='dst.asc'\n");
  EXPECT_EQ(file_name_line("FNKP", "o'brien/kp.asc"), "FNKP='o''brien/kp.asc'\n");
  EXPECT_EQ(file_name_line("FNMET", "''"), "FNMET=''''''\n");
  EXPECT_EQ(file_name_line("FNDAT", ""), "FNDAT=''\n");
}

TEST(ConfigFile, CreationReplacesALongerFileWithThisProgramsVariant) {
  ScratchDir dir;
  write_file("velk_nrt.cfg", std::string(5000, 'x'));
  set_test_variant("kp");
  CongFileCreation(kFileNameBlock, "velk_nrt.cfg");
  set_test_variant("ap");
  EXPECT_EQ(read_file("velk_nrt.cfg"), config_file_text(*find_build_variant("kp"), kFileNameBlock));
}

}  // namespace
