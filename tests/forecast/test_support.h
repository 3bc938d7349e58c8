// Helpers shared by the forecaster's unit tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "forecast/format/run_end.h"
#include "tests/common/scratch_dir.h"

namespace velk::testing {

// How `f` ends the run: the text of a message, "abnormal: " and the
// diagnostic of an abnormal end, or "" when it returns.
template <typename F>
std::string run_end_of(F f) {
  try {
    f();
  } catch (const forecast::RunEnd& end) {
    return (end.kind() == forecast::RunEnd::Kind::kAbnormal ? "abnormal: " : "") + end.text();
  }
  return "";
}

// Whether `end`, from run_end_of, is an abnormal end that names `part`.
inline ::testing::AssertionResult abnormal_naming(const std::string& end, const std::string& part) {
  if (end.rfind("abnormal: ", 0) == 0 && end.find(part) != std::string::npos)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "ended with \"" << end << "\", not abnormally naming " << part;
}

}  // namespace velk::testing
