#include "forecast/run/configuration.h"

#include <sys/stat.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "forecast/format/run_end.h"
#include "forecast/text/file_name.h"
#include "forecast/text/fixed_field.h"
#include "forecast/text/namelist.h"
#include "forecast/text/text_record.h"

namespace velk::forecast {
namespace {

// Keeps the table (16 doubles and 5 integers per row) within a few hundred
// megabytes; real runs use about two months of hours.
constexpr std::int64_t kMaxTableRows = 2000000;

// Whether writing `output` would replace the file the run reads as `input`.
// The output is put in place by a rename, which replaces the directory entry
// itself (a link there, not what it points to), while the input is read
// through any link.
bool same_file(const std::string& output, const std::string& input) {
  if (output == input) return true;
  struct stat written {};
  struct stat read {};
  return ::lstat(output.c_str(), &written) == 0 && ::stat(input.c_str(), &read) == 0 &&
         written.st_dev == read.st_dev && written.st_ino == read.st_ino;
}

// File names are read whole and checked against kTextLength afterwards: cut
// silently, as the other texts are, a name would read or replace another file
// than the one it names.
constexpr std::size_t kWholeText = std::string::npos;

}  // namespace

Configuration read_configuration(std::istream& in, const std::string& path) {
  Configuration c;
  NamelistBinder binder;
  binder.bind("KY", &c.KY, 1);
  binder.bind("LT", &c.LT, 1);
  binder.bind("UFLAG", c.UFLAG.data(), kInputCount);
  binder.bind("LMAX", c.LMAX.data(), kInputCount);
  binder.bind("DT", c.DT.data(), kInputCount);
  binder.bind("UF", c.UF.data(), kInputCount);
  binder.bind("UN", c.UN.data(), kMainInputCount, kTextLength);
  binder.bind("UU", c.UU.data(), kMainInputCount, kTextLength);
  binder.bind("FNRES", c.FNRES.data(), kMaxModels, kWholeText);
  binder.bind("FNCOV", c.FNCOV.data(), kMaxModels, kWholeText);
  binder.bind("FMDAT", &c.FMDAT, 1, kTextLength);
  binder.bind("FMDATH", &c.FMDATH, 1, kTextLength);
  binder.bind("FNMAG", &c.FNMAG, 1, kWholeText);
  binder.bind("FNSWEPAM", &c.FNSWEPAM, 1, kWholeText);
  binder.bind("FNKP", &c.FNKP, 1, kWholeText);
  binder.bind("FNDST", &c.FNDST, 1, kWholeText);
  binder.bind("FNDAT", &c.FNDAT, 1, kWholeText);
  binder.bind("FNMET", &c.FNMET, 1, kWholeText);
  try {
    binder.assign(read_namelist_group(in, kConfigurationGroup));
  } catch (const NamelistError& e) {
    throw RunEnd::abnormal("velk_nrt: " + path + ": " + e.what() + "\n");
  }
  // The preprocessor writes every variable; one left out means a damaged or
  // hand-made file, and guessing a lead time or a file name would be worse
  // than stopping.
  const std::vector<std::string> missing = binder.unassigned();
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    throw RunEnd::abnormal("velk_nrt: " + path + ": group &" + kConfigurationGroup +
                           " does not assign " + names + "\n");
  }
  std::vector<std::pair<const char*, const std::string*>> names = {
      {"FNMAG", &c.FNMAG}, {"FNSWEPAM", &c.FNSWEPAM}, {"FNKP", &c.FNKP},
      {"FNDST", &c.FNDST}, {"FNDAT", &c.FNDAT},       {"FNMET", &c.FNMET}};
  for (std::size_t i = 0; i < kMaxModels; ++i) {
    names.emplace_back("FNRES", &c.FNRES[i]);
    names.emplace_back("FNCOV", &c.FNCOV[i]);
  }
  for (const auto& [name, text] : names) {
    if (text->size() > kTextLength)
      throw RunEnd::abnormal("velk_nrt: " + path + ": a file name of " + name + " is longer than " +
                             std::to_string(kTextLength) + " characters\n");
  }
  return c;
}

Configuration read_configuration(const std::string& path) {
  RecordFile file(path, "the configuration file", kMaxConfigurationBytes);
  std::string text;
  for (std::string line; file.next(line);) text += line + "\n";
  std::istringstream in(text);
  return read_configuration(in, path);
}

int validate_configuration(const Configuration& c) {
  if (c.KY < 1 || c.KY > kMainInputCount) {
    throw RunEnd::message("KY MUST BE WITHIN 1.." + write_int_field(kMainInputCount, 2) +
                          " RANGE, YOU PROVIDED " + write_int_field(c.KY, 2));
  }
  for (int j = 0; j < kInputCount; ++j) {
    if (c.DT[j] < 1) throw RunEnd::message("CADENCE MUST BE POSITIVE");
    if (c.LMAX[j] < 0) throw RunEnd::message("MAXIMUM LAG MUST BE 0 OR POSITIVE");
  }
  int maxlag = -1;
  for (int j = 0; j < kInputCount; ++j) {
    if (c.UFLAG[j] != 0 && c.LMAX[j] > maxlag) maxlag = c.LMAX[j];
  }
  if (maxlag < 0) throw RunEnd::message("AT LEAST ONE OF UFLAG VALUES MUST BE NON-ZERO");

  // The table is sized for LT rows beyond the data, and only 12 model and
  // covariance names exist: reject what would size it wrongly or run out of
  // model names, before any file is written.
  if (c.LT < 0) throw RunEnd::message("LEAD TIME MUST BE 0 OR POSITIVE");
  const int models = model_count(c);
  if (models > kMaxModels) {
    throw RunEnd::message("AT MOST 12 MODELS ARE SUPPORTED, LT/DT(KY) GIVES " +
                          std::to_string(models));
  }
  return maxlag;
}

void check_output_names(const Configuration& c, const std::vector<NamedInput>& more_inputs) {
  std::vector<NamedInput> read = {{"THE CONFIGURATION", kConfigurationFile},
                                  {"FNMAG", c.FNMAG},
                                  {"FNSWEPAM", c.FNSWEPAM},
                                  {"FNKP", c.FNKP},
                                  {"FNDST", c.FNDST}};
  const int models = model_count(c);
  for (int i = 0; i < models; ++i) {
    read.emplace_back("FNRES", c.FNRES[static_cast<std::size_t>(i)]);
    read.emplace_back("FNCOV", c.FNCOV[static_cast<std::size_t>(i)]);
  }
  read.insert(read.end(), more_inputs.begin(), more_inputs.end());
  // Replacing one of them would destroy data or a model that the next run needs.
  const std::string product = forecast_product_name(c.FNDAT);
  for (const auto& [name, output] :
       {std::make_pair("FNDAT", c.FNDAT), std::make_pair("FNMET", c.FNMET),
        std::make_pair("THE FORECAST PRODUCT", product)}) {
    for (const auto& [what, input] : read) {
      if (same_file(output, input))
        throw RunEnd::message(std::string(name) + " NAMES A FILE THE RUN READS (" + what + ")");
    }
  }
  // The product is written after the metadata, and would replace it.
  if (same_file(c.FNMET, product)) throw RunEnd::message("FNMET NAMES THE FORECAST PRODUCT");
}

std::string forecast_product_name(const std::string& fndat) {
  const std::string product = with_extension(fndat, "json");
  return product == fndat ? fndat + ".json" : product;
}

int model_count(const Configuration& c) {
  return c.LT / c.DT[c.KY - 1];
}

RunShape run_shape(const Configuration& c, int max_lag) {
  RunShape shape;
  shape.target = c.KY;
  shape.lead_time = c.LT;
  shape.cadence = c.DT[shape.target_index()];
  shape.max_lag = max_lag;
  shape.model_count = model_count(c);
  shape.fill = c.UF;
  return shape;
}

InputFiles input_files(const Configuration& c) {
  return {c.FNMAG, c.FNSWEPAM, c.FNKP, c.FNDST};
}

int count_mag_records(const std::string& fnmag) {
  RecordFile in(fnmag, "the ACE MAG input file", kMaxInputFileBytes);
  skip_ace_header(in);
  std::string line;
  int records = 0;
  while (in.next(line)) {
    ++records;
    int year = 0;
    if (read_int_field(line, 1, 4, year) != FieldStatus::kOk) {
      throw RunEnd::abnormal("velk_nrt: the ACE MAG input file " + fnmag + ": line " +
                             std::to_string(records + 4) + " has no year in columns 1-4\n");
    }
  }
  return records;
}

int table_rows(int lead_time, int mag_records) {
  const std::int64_t wanted = static_cast<std::int64_t>(lead_time) + mag_records;
  const std::int64_t rows = (wanted + 23) / 24 * 24;
  if (rows > kMaxTableRows) {
    throw RunEnd::message("A TABLE OF " + std::to_string(rows) + " HOURS EXCEEDS THE LIMIT OF " +
                          std::to_string(kMaxTableRows));
  }
  return static_cast<int>(rows < 0 ? 0 : rows);
}

}  // namespace velk::forecast
