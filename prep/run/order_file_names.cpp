#include "prep/run/order_file_names.h"

#include <tinyxml.h>

namespace velk::prep {

namespace {

// Keys of the five file entries, as the extracted text of a Name element
// reads them (with the printer's line feed).
struct FileKey {
  const char* key;
  std::string OrderFileNames::*field;
};

constexpr FileKey kKeys[] = {
    {"filenameAceMag\n", &OrderFileNames::ace_mag},
    {"filenameAceSwepam\n", &OrderFileNames::ace_swepam},
    {"filenameDst\n", &OrderFileNames::dst},
    {"filenameKp\n", &OrderFileNames::kp},
    {"filenameOutfile\n", &OrderFileNames::forecast},
};

// Cuts a field at its first line feed; the text before it, or nothing.
void keep_first_line(std::string& field) {
  const std::size_t line_feed = field.find('\n');
  if (line_feed == std::string::npos || line_feed == 0) {
    field.clear();
  } else {
    field.erase(line_feed);
  }
}

// Fills `names` from the subtree under `node`; `inherited` carries what the
// enclosing levels have already set. Every extracted text keeps the printer's
// trailing line feed until the fields are cut.
void collect(const TiXmlNode* node, OrderFileNames& names, OrderFileNames inherited) {
  for (const TiXmlNode* child = node->FirstChild(); child != nullptr;
       child = child->NextSibling()) {
    if (const TiXmlElement* name = child->FirstChildElement("Name")) {
      const std::string key = element_text(name);
      for (const FileKey& entry : kKeys) {
        if (key != entry.key) continue;
        if (const TiXmlElement* value = child->FirstChildElement("Value")) {
          names.*entry.field = inherited.*entry.field + element_text(value);
        }
        inherited.*entry.field = names.*entry.field;
        break;
      }
    }
    if (const TiXmlElement* input = child->FirstChildElement("Input")) {
      if (const TiXmlElement* file_name = input->FirstChildElement("File_Name")) {
        names.input_dir = inherited.input_dir + element_text(file_name);
      }
      inherited.input_dir = names.input_dir;
    }
    if (const TiXmlElement* output = child->FirstChildElement("Output")) {
      if (const TiXmlElement* file_name = output->FirstChildElement("File_Name")) {
        names.output_dir = inherited.output_dir + element_text(file_name);
      }
      inherited.output_dir = names.output_dir;
    }
    inherited = names;
    collect(child, names, inherited);
  }
}

}  // namespace

std::string element_text(const TiXmlNode* element) {
  const TiXmlNode* first = element->FirstChild();
  // An empty element gives nothing, so the field it would set stays unset. So
  // does one that starts with markup (an element, a comment): printed, it
  // would put markup into a file name and into the report.
  if (first == nullptr || first->ToText() == nullptr) return {};
  TiXmlPrinter printer;
  first->Accept(&printer);
  return printer.Str();
}

OrderFileNames order_file_names(const TiXmlNode& document) {
  OrderFileNames names;
  collect(&document, names, names);
  for (std::string* field : {&names.ace_mag, &names.ace_swepam, &names.dst, &names.kp,
                             &names.forecast, &names.input_dir, &names.output_dir}) {
    keep_first_line(*field);
  }
  return names;
}

}  // namespace velk::prep
