#include "status/failure_causes.h"

#include <deque>
#include <map>

#include "common/whole_file.h"

namespace velk::status {

namespace {

constexpr std::size_t kMaxCauseBytes = std::size_t{64} << 10;
constexpr std::size_t kMaxCauseLines = 1000;

}  // namespace

void attach_causes(const std::string& causes_text, std::vector<FailedStep>& failed) {
  std::map<std::string, std::deque<std::string>> by_record;
  const std::string text = causes_text.substr(0, kMaxCauseBytes);
  std::size_t start = 0;
  for (std::size_t lines = 0; lines < kMaxCauseLines; ++lines) {
    const auto end = text.find('\n', start);
    if (end == std::string::npos) break;  // none, or a last line cut short
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == line.size() ||
        line.find('\t', tab + 1) != std::string::npos) {
      continue;
    }
    by_record[line.substr(0, tab)].push_back(line.substr(tab + 1));
  }
  for (FailedStep& step : failed) {
    // The preprocessor names a record as a reader of its report finds it,
    // references resolved, as step.error holds it.
    const auto found = by_record.find(step.error);
    if (found == by_record.end() || found->second.empty()) continue;
    step.cause = found->second.front();
    found->second.pop_front();
  }
}

void attach_causes_from(const std::string& path, std::vector<FailedStep>& failed) {
  std::string text;
  if (path.empty() || !velk::read_whole_file(path, velk::kMaxTextBytes, text)) return;
  attach_causes(text, failed);
}

}  // namespace velk::status
