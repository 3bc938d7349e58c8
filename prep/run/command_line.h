// The two informational options of nrtprep. They are recognised only as the
// sole argument; every other command line is a cycle, as it always was (one
// argument names the order file, any other count means default names).
#pragma once

#include <ostream>

// The release, the project's version as every program reports it.
extern const char kPreprocessorVersion[];

// When the command line is exactly "--help" or "--version", writes the usage
// or the version line to out and returns true; otherwise writes nothing and
// returns false.
bool answer_information_request(int argc, char** argv, std::ostream& out);
