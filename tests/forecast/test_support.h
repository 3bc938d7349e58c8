// Helpers shared by the forecaster's unit tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "forecast/run_end.h"

namespace velk::testing {

// A directory of the running test's own, removed afterwards: test binaries may
// run side by side, so the name carries the test and the process.
class ScratchDir {
 public:
  ScratchDir() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("velk_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
    return file(name);
  }

 private:
  std::filesystem::path path_;
};

// How `f` ends the run: the text of a message, "abnormal: " and the
// diagnostic of an abnormal end, or "" when it returns.
template <typename F>
std::string run_end_of(F f) {
  try {
    f();
  } catch (const RunEnd& end) {
    return (end.kind() == RunEnd::Kind::kAbnormal ? "abnormal: " : "") + end.text();
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
