// How a forecaster run ends early. Library code throws RunEnd; the program's
// main prints it and turns it into the exit status, so every piece stays
// testable without a process.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace velk::forecast {

class RunEnd : public std::runtime_error {
 public:
  enum class Kind {
    kMessage,   // an expected stop: `text` goes to standard output, exit status 0
    kAbnormal,  // an unusable file: `text` names it on standard error, non-zero status
  };

  RunEnd(Kind kind, std::string text)
      : std::runtime_error(text), kind_(kind), text_(std::move(text)) {}

  // A stop with the program's usual one-line message, " " + text.
  static RunEnd message(const std::string& upper_case_text) {
    return RunEnd(Kind::kMessage, " " + upper_case_text + "\n");
  }
  // A stop whose lines are already laid out (each with its leading blank and line feed).
  static RunEnd lines(const std::string& laid_out) { return RunEnd(Kind::kMessage, laid_out); }
  static RunEnd abnormal(const std::string& diagnostic) {
    return RunEnd(Kind::kAbnormal, diagnostic);
  }

  Kind kind() const { return kind_; }
  const std::string& text() const { return text_; }

 private:
  Kind kind_;
  std::string text_;
};

}  // namespace velk::forecast
