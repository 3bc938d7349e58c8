// The forecaster's configuration: the namelist group VELK_FOR of velk_nrt.cfg,
// its checks, and the sizes of the run derived from it.
#pragma once

#include <array>
#include <cstddef>
#include <istream>
#include <string>
#include <utility>
#include <vector>

#include "forecast/model/hourly_table.h"
#include "forecast/model/run_shape.h"
#include "forecast/run/input_tables.h"

namespace velk::forecast {

constexpr const char* kConfigurationFile = "velk_nrt.cfg";
constexpr const char* kConfigurationGroup = "VELK_FOR";
constexpr int kMaxModels = 12;  // FNRES and FNCOV hold 12 names

// Arrays hold element j (1-based, as in the file) at index j - 1. Texts are
// stored without their trailing blanks.
struct Configuration {
  int KY = 0;  // the forecast quantity among inputs 1..12
  int LT = 0;  // lead time in hours
  std::array<int, kInputCount> UFLAG{};
  std::array<int, kInputCount> LMAX{};
  std::array<int, kInputCount> DT{};
  FillValues UF{};
  std::array<std::string, kMainInputCount> UN, UU;
  std::array<std::string, kMaxModels> FNRES, FNCOV;
  std::string FMDAT, FMDATH;
  std::string FNMAG, FNSWEPAM, FNKP, FNDST;
  std::string FNDAT, FNMET;
};

// Reads the group from the named file. Every one of the 18 variables must be
// assigned; array elements not given keep 0, 0.0 or blank. A missing file or
// a group that cannot be read ends the run abnormally (RunEnd::abnormal).
Configuration read_configuration(const std::string& path = kConfigurationFile);
// The same from an open stream; `path` only names the source in diagnostics.
Configuration read_configuration(std::istream& in, const std::string& path);

// Checks the values in the run's fixed order and returns MAXLAG, the largest
// lag of the inputs in use. The first failed check ends the run with its
// message (RunEnd::message).
int validate_configuration(const Configuration& config);

// NREC0: the lines of the magnetometer file after its first four, each of
// which must read as an integer in columns 1-4. Ends the run abnormally when
// the file cannot be opened or read within bounds (text_record.h), has fewer
// than four lines, or a line does not read.
int count_mag_records(const std::string& fnmag);

// NMAX: the smallest multiple of 24 not below LT + NREC0. Ends the run with a
// message when the table would be too large to hold.
int table_rows(int lead_time, int mag_records);

// NMOD = LT / DT(KY); call only on a validated configuration.
int model_count(const Configuration& config);

// The run's shape: KY, LT, DT(KY), MAXLAG (as validate_configuration returns
// it), NMOD and UF under their plain names. Call only on a validated
// configuration.
RunShape run_shape(const Configuration& config, int max_lag);

// The input files the configuration names.
InputFiles input_files(const Configuration& config);

// The forecast product written beside FNDAT: FNDAT named with the extension
// "json" (dst-fc-2017_251_08_30.asc -> dst-fc-2017_251_08_30.json); a FNDAT
// that already ends in ".json" gets ".json" added, so that the product never
// takes the table's name.
std::string forecast_product_name(const std::string& fndat);

// A file the run reads, with the label a message names it by.
using NamedInput = std::pair<std::string, std::string>;  // label, file name

// Ends the run with a message (RunEnd::message) when FNDAT, FNMET or the
// forecast product names a file the run reads: the configuration, an input
// file, the model or covariance file of one of the NMOD models, or one of
// `more_inputs`; or when FNMET names the forecast product. Names are compared
// as written and, for files that exist, by what they are on disk. Call only
// on a validated configuration.
void check_output_names(const Configuration& config,
                        const std::vector<NamedInput>& more_inputs = {});

}  // namespace velk::forecast
