#include "prep/config/config_file.h"

#include "inputs/layouts.h"

#include "prep/common/file_helpers.h"
#include "prep/config/build_variant.h"

namespace velk::prep {

namespace {

const std::string kEqualsRule(71, '=');
const std::string kDashRule(71, '-');

std::string banner() {
  return kEqualsRule + "\n" + "CONFIG FILE FOR VELK MODELLING PROCESSOR\n" + kDashRule + "\n" +
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
         kDashRule + "\n" +
         "THE ADDITIONAL INPUTS ARE:\n"
         " 13.SINE WITH HALF-A-DAY PERIOD\n"
         " 14.COSINE WITH HALF-A-DAY PERIOD\n"
         " 15.SINE WITH HALF-A-YEAR PERIOD\n"
         " 16.COSINE WITH HALF-A-YEAR PERIOD\n" +
         kDashRule + "\n" +
         "NOTE:\n"
         " THE FIRST HOUR OF EACH DAY STARTS AT UT MIDNIGHT\n" +
         kEqualsRule + "\n";
}

// The group header and the twelve assignments, every "=" in column 9.
std::string model_block(const BuildVariant& variant) {
  const std::string models = std::to_string(variant.models);
  return "&VELK_FOR\n"
         "      KY=" +
         std::to_string(variant.predicted_input) + "\n" +
         "      LT=" + std::to_string(variant.lead_hours) + "\n" +
         "   UFLAG=" + variant.inputs_in_use + "\n" +
         "    LMAX=9*24,3*648,4*0\n"
         "      DT=9*1,3,1,3,4*1\n"
         "      UF=" +
         inputs::kFillValuesText + "\n" +
         "      UN='Bt','Btheta','Bphi','Bx','By','Bz','T','n','V','Kp','Dst','ap'\n"
         "      UU=6*'nT','K','p/cc','km/s','*10',2*'nT'\n"
         "   FNRES=" +
         variant.model_files + "\n" + "   FNCOV=" + variant.covariance_files + "\n" +
         "   FMDAT='(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0," + models +
         "(1X,7X,F6.0))'\n" +
         "  "
         "FMDATH='(4X,\"HOY\",3X,\"HTND\",1X,\"YYYY\",1X,\"MM\",1X,\"DD\",1X,\"DOY\",1X,\"HH\",1X,"
         "A11," +
         models + "(1X,\"FC+\",I2.2,\"H\",A7))'\n";
}

}  // namespace

std::string file_name_line(const std::string& key, const std::string& path) {
  std::string quoted;
  for (char c : path) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return key + "='" + quoted + "'\n";
}

std::string config_file_text(const BuildVariant& variant, const std::string& file_name_block) {
  return banner() + model_block(variant) + file_name_block;
}

bool write_config_file(const std::string& file_name_block, const std::string& path) {
  return write_file_atomically(config_file_text(build_variant(), file_name_block), path);
}

}  // namespace velk::prep
