// The three builds of the preprocessor differ only in the default forecast
// name and in the model block they write into the configuration file.
#pragma once

#include <string>

namespace velk::prep {

struct BuildVariant {
  const char* name;              // "ap", "dst" or "kp"
  const char* forecast_prefix;   // default forecast base name before the stamp
  int predicted_input;           // KY: the predicted quantity among the main inputs
  int lead_hours;                // LT: lead time in hours
  const char* inputs_in_use;     // UFLAG
  const char* model_files;       // FNRES
  const char* covariance_files;  // FNCOV
  int models;                    // forecast columns of the output formats
};

// The table of all variants, and lookup by name (nullptr when unknown).
extern const BuildVariant kBuildVariants[3];
const BuildVariant* find_build_variant(const std::string& name);

// The variant this program was built as (defined per program, variant_choice.cpp).
const BuildVariant& build_variant();

}  // namespace velk::prep
