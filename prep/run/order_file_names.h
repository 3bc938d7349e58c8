// The file names and directories an order file gives a run: five file names
// and two directories, completed with default names by the run sequence.
#pragma once

#include <string>

class TiXmlNode;

namespace velk::prep {

struct OrderFileNames {
  std::string ace_mag;
  std::string ace_swepam;
  std::string dst;
  std::string kp;
  std::string forecast;  // base name of the forecast outputs
  std::string input_dir;
  std::string output_dir;
};

// The names the parsed order file `document` gives. Each file entry is an
// element with a Name child holding its key ("filenameAceMag",
// "filenameAceSwepam", "filenameDst", "filenameKp", "filenameOutfile") and a
// Value child; the directories are the File_Name children of Input and Output
// elements. Each text found is appended to what the enclosing levels had set,
// and every field is then cut at its first line feed (empty when there is
// none, or when it is the first character). So of a key given more than
// once, a nested earlier entry loses to a later sibling, one below a later
// sibling is dropped, and an entry without a value keeps the earlier one. An
// element that is empty or starts with markup sets nothing.
OrderFileNames order_file_names(const TiXmlNode& document);

// The text of an element as the walk sees it: its first child printed with the
// XML printer's default settings (entity-encoded, followed by a line feed), or
// an empty text when the element has no content or its content does not start
// with text.
std::string element_text(const TiXmlNode* element);

}  // namespace velk::prep
