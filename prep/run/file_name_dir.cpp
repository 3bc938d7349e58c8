#include "prep/run/file_name_dir.h"

#include <tinyxml.h>

namespace {

// Keys of the five file entries, as the extracted text of a Name element
// reads them (with the printer's line feed).
struct FileKey {
  const char* key;
  std::string FileName_Dir::*field;
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

void FileName_Dir::visitNode(TiXmlNode* node, int depth, FileName_Dir inherited) {
  static const FileKey kKeys[] = {
      {"filenameAceMag\n", &FileName_Dir::Name_ACEMAG},
      {"filenameAceSwepam\n", &FileName_Dir::Name_ACESWEPAM},
      {"filenameDst\n", &FileName_Dir::Name_DST},
      {"filenameKp\n", &FileName_Dir::Name_KP},
      {"filenameOutfile\n", &FileName_Dir::Name_OUTPUT},
  };

  for (TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling()) {
    if (const TiXmlElement* name = child->FirstChildElement("Name")) {
      const std::string key = element_text(name);
      for (const FileKey& entry : kKeys) {
        if (key != entry.key) continue;
        if (const TiXmlElement* value = child->FirstChildElement("Value")) {
          this->*entry.field = inherited.*entry.field + element_text(value);
        }
        inherited.*entry.field = this->*entry.field;
        break;
      }
    }
    if (const TiXmlElement* input = child->FirstChildElement("Input")) {
      if (const TiXmlElement* file_name = input->FirstChildElement("File_Name")) {
        Dir_Input = inherited.Dir_Input + element_text(file_name);
      }
      inherited.Dir_Input = Dir_Input;
    }
    if (const TiXmlElement* output = child->FirstChildElement("Output")) {
      if (const TiXmlElement* file_name = output->FirstChildElement("File_Name")) {
        Dir_Output = inherited.Dir_Output + element_text(file_name);
      }
      inherited.Dir_Output = Dir_Output;
    }
    inherited = *this;
    visitNode(child, depth + 1, inherited);
  }
}

void FileName_Dir::Dir_corect() {
  keep_first_line(Dir_Input);
  keep_first_line(Dir_Output);
}

void FileName_Dir::Name_corect() {
  keep_first_line(Name_ACEMAG);
  keep_first_line(Name_ACESWEPAM);
  keep_first_line(Name_DST);
  keep_first_line(Name_KP);
  keep_first_line(Name_OUTPUT);
}
