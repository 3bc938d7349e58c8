#include "prep/common/report.h"

#include <cctype>
#include <cstdlib>

namespace velk::prep {

namespace {

// Length of the character or entity reference at `at` ("&amp;", "&#38;",
// "&#x26;"), or 0 when none starts there or it names no character XML allows.
// Texts from the order file come with their references already written.
std::size_t reference_length(const std::string& text, std::size_t at) {
  const std::size_t end = text.find(';', at);
  if (end == std::string::npos || end - at > 10) return 0;
  const std::string name = text.substr(at + 1, end - at - 1);
  for (const char* entity : {"amp", "lt", "gt", "quot", "apos"}) {
    if (name == entity) return end - at + 1;
  }
  const bool hex = name.size() > 2 && name.compare(0, 2, "#x") == 0;
  const std::size_t digits = hex ? 2 : 1;
  if (name.size() <= digits || name[0] != '#') return 0;
  for (std::size_t i = digits; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (!(hex ? std::isxdigit(c) : std::isdigit(c))) return 0;
  }
  const unsigned long code = std::strtoul(name.c_str() + digits, nullptr, hex ? 16 : 10);
  const bool allowed = code == 0x9 || code == 0xA || code == 0xD ||
                       (code >= 0x20 && code <= 0xD7FF) || (code >= 0xE000 && code <= 0xFFFD) ||
                       (code >= 0x10000 && code <= 0x10FFFF);
  return allowed ? end - at + 1 : 0;
}

}  // namespace

std::string report_text(const std::string& text) {
  std::string escaped;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<') {
      escaped += "&lt;";
    } else if (c == '>') {
      escaped += "&gt;";
    } else if (c == '&') {
      const std::size_t length = reference_length(text, i);
      escaped += length == 0 ? "&amp;" : text.substr(i, length);
      if (length > 0) i += length - 1;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      escaped += '?';  // no XML document may hold it, and a line break would split the record
    } else {
      escaped += c;
    }
  }
  return escaped;
}

Report::Report()
    : text_(
          "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
          "<Zuv_errorfile>\n"
          "<filename>Preprocessing error file</filename>\n"
          "<productname>Geomagnetic forecast preprocessing module</productname>\n"
          "<stationname>diverse global</stationname>\n"
          "<code>L2</code>\n"
          "<project>KORVELT</project>\n"
          "<Errors>\n") {}

void Report::record(const std::string& step_name, const ReportPairs& pairs) {
  text_ += "<Step>\n<StepName>" + report_text(step_name) + "</StepName>\n";
  for (const auto& [error_name, value] : pairs) {
    text_ += "<ErrorName>" + report_text(error_name) + "</ErrorName>\n<Value>" +
             std::to_string(value) + "</Value>\n";
  }
  text_ += "</Step>\n";
}

void Report::record(const std::string& step_name, const std::string& error_name, int value) {
  record(step_name, ReportPairs{{error_name, value}});
}

void Report::record_download(const std::string& step_name, const std::string& url,
                             bool downloaded) {
  record(step_name, "File'" + url + "'download", downloaded ? 0 : 1);
}

void Report::record_write_failure(const std::string& path) {
  record("FileWrite", "'" + path + "'write", 1);
}

std::string Report::document() const {
  return text_ + "</Errors>\n</Zuv_errorfile>\n";
}

}  // namespace velk::prep
