#include "prep/common/report.h"

#include <tinyxml.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/xml_text.h"

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

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// `text` fit for one field of a line of the causes file.
std::string one_line(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

std::string lower_case(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

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
  for (const ReportPair& pair : pairs) {
    text_ += "<ErrorName>" + report_text(pair.error_name) + "</ErrorName>\n<Value>" +
             std::to_string(pair.value) + "</Value>\n";
    if (pair.value != 0 && !pair.cause.empty()) causes_.emplace_back(pairs_, pair.cause);
    ++pairs_;
  }
  text_ += "</Step>\n";
}

void Report::record(const std::string& step_name, const std::string& error_name, int value,
                    const std::string& cause) {
  record(step_name, ReportPairs{{error_name, value, cause}});
}

void Report::record_download(const std::string& step_name, const std::string& url, bool downloaded,
                             const std::string& cause) {
  record(step_name, "File'" + url + "'download", downloaded ? 0 : 1, cause);
}

void Report::record_write_failure(const std::string& path, const std::string& cause) {
  record("FileWrite", "'" + path + "'write", 1, cause);
}

std::string Report::causes_document() const {
  if (causes_.empty()) return {};
  // The names as a reader of the report finds them: parsed by the same
  // reader the status uses, so that a name with a reference in it matches.
  TiXmlDocument parsed;
  const TiXmlElement* errors = nullptr;
  if (parse_xml_text(text_as_parsed(document()), parsed) && parsed.RootElement() != nullptr) {
    errors = parsed.RootElement()->FirstChildElement("Errors");
  }
  std::vector<std::string> names;
  for (const TiXmlElement* step = errors != nullptr ? errors->FirstChildElement("Step") : nullptr;
       step != nullptr; step = step->NextSiblingElement("Step")) {
    for (const TiXmlElement* name = step->FirstChildElement("ErrorName"); name != nullptr;
         name = name->NextSiblingElement("ErrorName")) {
      names.push_back(name->GetText() != nullptr ? trimmed(name->GetText()) : "");
    }
  }
  std::string lines;
  for (const auto& [number, cause] : causes_) {
    if (number < names.size()) lines += one_line(names[number]) + "\t" + one_line(cause) + "\n";
  }
  return lines;
}

std::string write_failure_cause(int error) {
  switch (error) {
    case 0:
      return {};
    case ENOSPC:
      return "disk full while writing";
    case EACCES:
    case EPERM:
      return "permission denied while writing";
    case EROFS:
      return "read-only file system while writing";
    default:
      return lower_case(std::strerror(error)) + " while writing";
  }
}

std::string Report::document() const {
  return text_ + "</Errors>\n</Zuv_errorfile>\n";
}

}  // namespace velk::prep
