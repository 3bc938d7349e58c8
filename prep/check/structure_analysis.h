// Checks of whole texts: empty lines in an assembled input text, and whether
// an existing ACE input file can be used as it is.
#pragma once

#include <string>

// Counts empty lines (two line feeds in a row), leaving the last ten
// characters aside. Appends a "FileStructureAnalysis2" step with one
// ("FileStructureRowMissing", 1) pair per empty line, or a single Value 0 pair.
int FileStructureAnalysis3(std::string text);

// The same scan, plus a check that the 31st line has the length of an ACE MAG
// or ACE SWEPAM record ("FileStructure" pair) and, when it has, that every line
// after the four header lines is a record of that kind or empty (else a
// ("FileRecord'<n>'structure", 1) pair for the first that is not). Returns the
// number of problems.
int FileStructureAnalysis2(std::string text);

// 0 when a file stands at `path` and passes FileStructureAnalysis2; otherwise
// non-zero. Appends a "FileRead" step for the path.
int FilesInXmlTest(std::string path);
