#include "status/cycle_facts.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "common/whole_file.h"
#include "common/xml_text.h"

namespace velk_status {

namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string element_text(const TiXmlElement* element) {
  return element != nullptr && element->GetText() != nullptr ? trimmed(element->GetText()) : "";
}

std::string child_text(const TiXmlElement* parent, const char* name) {
  return element_text(parent->FirstChildElement(name));
}

// The whole file, read with the project's reader: a regular file only (a pipe
// could block the status for ever) and of bounded size.
std::string whole_file(const std::string& path) {
  std::string text;
  if (!velk::read_whole_file(path, velk::kMaxTextBytes, text)) {
    throw std::runtime_error("cannot read " + path + ": not a readable regular file of at most " +
                             std::to_string(velk::kMaxTextBytes) + " bytes");
  }
  return text;
}

// Read as the preprocessor reads its order file (xml_text.h): a file cut short
// inside a character, by a full disk for instance, would make the parser read
// past its buffer.
void load(TiXmlDocument& document, const std::string& path) {
  const std::string text = velk::text_as_parsed(whole_file(path));
  if (velk::ends_inside_character(text)) {
    throw std::runtime_error("cannot read " + path + ": it ends inside a character");
  }
  if (!velk::parse_xml_text(text, document)) {
    throw std::runtime_error("cannot read " + path + ": " + document.ErrorDesc());
  }
}

// The report names each source by the steps of its two downloads; the reading
// and checking steps that follow belong to the source whose download came last.
std::string source_of_download(const std::string& step) {
  if (step.rfind("DST", 0) == 0) return "dst";
  if (step.rfind("KP", 0) == 0) return "kp";
  if (step.rfind("AceMag", 0) == 0) return "ace_mag";
  if (step.rfind("AceSwepam", 0) == 0) return "ace_swepam";
  return "";
}

bool follows_a_download(const std::string& step, const std::string& error) {
  if (step == "FileWrite") return error.find("velk_nrt.cfg") == std::string::npos;
  return step == "FileRead" || step == "FileAnalysis" || step == "FileStructureAnalysis2" ||
         step == "FileMonths";
}

}  // namespace

Number number_in(const std::string& text) {
  const std::string value = trimmed(text);
  char* end = nullptr;
  const double parsed = std::strtod(value.c_str(), &end);
  if (value.empty() || *end != '\0' || !std::isfinite(parsed)) return std::nullopt;
  return parsed;
}

ReportFacts read_report(const std::string& report_path, bool order_file_given) {
  TiXmlDocument document;
  load(document, report_path);
  const TiXmlElement* root = document.RootElement();
  const TiXmlElement* errors = root != nullptr ? root->FirstChildElement("Errors") : nullptr;
  if (errors == nullptr) throw std::runtime_error(report_path + " holds no Errors element");

  ReportFacts facts;
  std::vector<FailedStep>& failed = facts.failed;
  std::string source, previous;
  // The read of an existing ACE file in the input directory comes before that
  // list's download: a FileRead that follows no download belongs to the next.
  std::vector<std::size_t> ahead;
  for (const TiXmlElement* step = errors->FirstChildElement("Step"); step != nullptr;
       step = step->NextSiblingElement("Step")) {
    const std::string name = child_text(step, "StepName");
    const bool reads_ahead = name == "FileRead" && source_of_download(previous).empty();
    previous = name;
    if (!source_of_download(name).empty()) {
      facts.sources_tried = true;
      source = source_of_download(name);
      for (std::size_t i : ahead) failed[i].source = source;
      ahead.clear();
    }
    // A step holds one or more (ErrorName, Value) pairs, in order.
    std::string error;
    for (const TiXmlElement* item = step->FirstChildElement(); item != nullptr;
         item = item->NextSiblingElement()) {
      const std::string tag = item->ValueStr();
      if (tag == "ErrorName") error = element_text(item);
      if (tag != "Value" || element_text(item) == "0") continue;
      if (name == "OrderFileInDir" && !order_file_given) continue;
      const bool of_a_source = follows_a_download(name, error) || !source_of_download(name).empty();
      if (reads_ahead) ahead.push_back(failed.size());
      failed.push_back({of_a_source && !reads_ahead ? source : "general", name, error});
    }
  }
  return facts;
}

Metadata read_metadata(const std::string& path) {
  TiXmlDocument document;
  load(document, path);
  const TiXmlElement* root = document.RootElement();
  const TiXmlElement* predictand =
      root != nullptr ? root->FirstChildElement("Predictand") : nullptr;
  if (predictand == nullptr) throw std::runtime_error(path + " holds no Predictand element");

  Metadata metadata;
  metadata.index_name = child_text(predictand, "Name");
  metadata.units = child_text(predictand, "Units");
  metadata.fill_value = child_text(predictand, "Fill_Value");
  // Without it every forecast equal to zero would be taken for a gap.
  if (metadata.fill_value.empty()) throw std::runtime_error(path + " holds no Fill_Value");
  const TiXmlElement* models = predictand->FirstChildElement("List_of_Models");
  for (const TiXmlElement* model = models != nullptr ? models->FirstChildElement("Model") : nullptr;
       model != nullptr; model = model->NextSiblingElement("Model")) {
    LeadScores lead;
    lead.lead = std::atoi(child_text(model, "Lead_Time").c_str());
    const TiXmlElement* list = model->FirstChildElement("List_of_scores");
    for (const TiXmlElement* score = list != nullptr ? list->FirstChildElement("Performance_Score")
                                                     : nullptr;
         score != nullptr; score = score->NextSiblingElement("Performance_Score")) {
      const TiXmlElement* persistence = score->FirstChildElement("Persistence_Value");
      lead.scores.push_back({child_text(score, "Name"), number_in(child_text(score, "Value")),
                             number_in(element_text(persistence)), persistence != nullptr});
    }
    metadata.models.push_back(lead);
  }
  return metadata;
}

std::vector<NewestForecast> newest_forecasts(const std::string& table_path,
                                             const std::string& fill_value,
                                             TimedValues* observations) {
  std::istringstream in(whole_file(table_path));
  std::string line;
  if (!std::getline(in, line)) throw std::runtime_error(table_path + " is empty");

  // Header: HOY HTND YYYY MM DD DOY HH <index> [units] then "FC+nnH [units]" per lead.
  std::vector<NewestForecast> leads;
  std::istringstream header(line);
  for (std::string word; header >> word;) {
    if (word.rfind("FC+", 0) == 0) leads.push_back({word, "", 0, 0, {}});
  }
  if (leads.empty()) throw std::runtime_error(table_path + " has no FC+ column in its header");

  constexpr std::size_t kObserved = 7;       // after HOY .. HH
  constexpr std::size_t kFirstForecast = 8;  // after the observed index
  // A fill value too wide for its field is written as asterisks: then only
  // the same text marks a gap.
  char* fill_end = nullptr;
  const double fill = std::strtod(fill_value.c_str(), &fill_end);
  const bool fill_is_number = fill_end != fill_value.c_str() && *fill_end == '\0';
  const auto value_of = [&](const std::string& text) -> Number {
    const Number parsed = number_in(text);
    if (!parsed || text == fill_value || (fill_is_number && *parsed == fill)) return std::nullopt;
    return parsed;
  };
  std::size_t number = 1;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream row(line);
    std::vector<std::string> fields;
    for (std::string field; row >> field;) fields.push_back(field);
    if (fields.empty()) continue;
    int date[4] = {};  // year, month, day, hour
    const std::size_t date_at[4] = {2, 3, 4, 6};
    bool dated = fields.size() >= kFirstForecast;
    for (std::size_t i = 0; dated && i < 4; ++i) {
      char* end = nullptr;
      const long value = std::strtol(fields[date_at[i]].c_str(), &end, 10);
      dated = *end == '\0' && value >= 0 && value <= 9999;
      date[i] = static_cast<int>(value);
    }
    if (!dated) {
      throw std::runtime_error(table_path + " line " + std::to_string(number) +
                               " is not a row of date, hour and values");
    }
    char when[32];
    std::snprintf(when, sizeof when, "%04d-%02d-%02dT%02d:00Z", date[0], date[1], date[2], date[3]);
    const Number observation = value_of(fields[kObserved]);
    const bool observed = observation.has_value();
    if (observed && observations != nullptr) observations->emplace_back(when, *observation);
    for (std::size_t i = 0; i < leads.size() && kFirstForecast + i < fields.size(); ++i) {
      if (observed) leads[i].ahead.clear();
      const Number value = value_of(fields[kFirstForecast + i]);
      if (!value) continue;
      leads[i].valid_time = when;
      leads[i].value = *value;
      leads[i].sample_size += observed;
      if (!observed) leads[i].ahead.emplace_back(when, *value);
      ++leads[i].rows;
    }
  }
  return leads;
}

}  // namespace velk_status
