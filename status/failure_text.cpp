#include "status/failure_text.h"

#include <cstdlib>

namespace velk::status {

namespace {

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The quoted name in an error such as "File'ftp://...'download" or
// "'Dst_present.txt'read"; empty when there is none.
std::string quoted(const std::string& error) {
  const auto first = error.find('\'');
  const auto last = error.rfind('\'');
  return first != std::string::npos && last > first ? error.substr(first + 1, last - first - 1)
                                                    : "";
}

// What failed and where, without the full stop; `guess` is what the record
// alone suggests as the reason, said only when no cause is known.
struct Told {
  std::string what;
  std::string guess;
};

Told told(const FailedStep& step) {
  const std::string who = source_label(step.source) + ": ";
  const std::string& name = step.step;
  const std::string what = quoted(step.error);
  if (ends_with(name, "File2Download")) {
    return {who + "downloading the previous month from " + what + " failed", ""};
  }
  if (ends_with(name, "FileDownload")) {
    return {who + "downloading the current month from " + what + " failed", ""};
  }
  if (name == "FileWrite") {
    return {who + "writing " + what + " failed", "disk full, no permission or no such directory"};
  }
  if (name == "FileRead") return {who + "reading " + what + " failed", "missing or unreadable"};
  if (name == "FileAnalysis") {
    const auto at = step.error.find('\'');
    const std::string line =
        at == std::string::npos ? "" : std::to_string(std::atol(step.error.c_str() + at + 1));
    const std::string where = line.empty() || line == "0" ? "a line" : "line " + line;
    if (ends_with(step.error, "date")) {
      return {who + where + " of the download is dated outside the current and previous month", ""};
    }
    return {who + where + " of the download is not a record of this source", ""};
  }
  if (name == "FileStructureAnalysis2") return {who + "the joined file misses rows", ""};
  if (name == "FileMonths") {
    return {who + "the two months downloaded are not the current and the previous one, so they " +
                "were not joined",
            ""};
  }
  if (name == "OrderFileExist") return {"The order file does not exist", ""};
  if (name == "OrderFileReading")
    return {"The order file could not be read as well-formed XML", ""};
  if (name == "OrderFileInDir")
    return {"The order file is not in the directory it should be in", ""};
  return {who + "step " + name + " failed", ""};
}

}  // namespace

std::string source_label(const std::string& source) {
  if (source == "dst") return "Dst";
  if (source == "kp") return "Kp";
  if (source == "ace_mag") return "ACE MAG";
  if (source == "ace_swepam") return "ACE SWEPAM";
  return "Preprocessor";
}

std::string failure_sentence(const FailedStep& step) {
  const Told sentence = told(step);
  if (!step.cause.empty()) return sentence.what + ": " + step.cause + ".";
  return sentence.what + (sentence.guess.empty() ? "" : " (" + sentence.guess + ")") + ".";
}

}  // namespace velk::status
