// The name record of one run: five file names and two directories taken from
// the order file, completed with default names by the run sequence.
#pragma once

#include <string>

class TiXmlNode;

class FileName_Dir {
 public:
  FileName_Dir() = default;
  FileName_Dir(const FileName_Dir&) = default;
  FileName_Dir& operator=(const FileName_Dir&) = default;

  // Fills the fields from the subtree under `node`. Every extracted text keeps
  // a trailing line feed, which Dir_corect/Name_corect remove afterwards; a key
  // given more than once leaves several texts of which the corrections keep
  // the first. `inherited` carries what enclosing levels have already seen.
  void visitNode(TiXmlNode* node, int depth, FileName_Dir inherited);

  // Cut each field at its first line feed (an empty field when there is none,
  // or when it is the first character).
  void Dir_corect();
  void Name_corect();

  std::string getFile_NameACEMAG() const { return Name_ACEMAG; }
  std::string getFile_NameACESWEPAM() const { return Name_ACESWEPAM; }
  std::string getFile_NameDST() const { return Name_DST; }
  std::string getFile_NameKP() const { return Name_KP; }
  std::string getFile_NameOutputfile() const { return Name_OUTPUT; }
  std::string getFile_DirInput() const { return Dir_Input; }
  std::string getFile_DirOutput() const { return Dir_Output; }

  void putName_ACEMAG(std::string name) { Name_ACEMAG = std::move(name); }
  void putName_ACESWEPAM(std::string name) { Name_ACESWEPAM = std::move(name); }
  void putName_DST(std::string name) { Name_DST = std::move(name); }
  void putName_KP(std::string name) { Name_KP = std::move(name); }
  void putName_OUTPUT(std::string name) { Name_OUTPUT = std::move(name); }

 private:
  std::string Name_ACEMAG;
  std::string Name_ACESWEPAM;
  std::string Name_DST;
  std::string Name_KP;
  std::string Name_OUTPUT;
  std::string Dir_Input;
  std::string Dir_Output;
};

// The text of an element as the walk sees it: its first child printed with the
// XML printer's default settings (entity-encoded, followed by a line feed), or
// an empty text when the element has no content or its content does not start
// with text.
std::string element_text(const TiXmlNode* element);
