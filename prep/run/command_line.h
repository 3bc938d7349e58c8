// The command line of nrtprep. --help and --version are recognised only as
// the sole argument. Any other argument that starts with "-" is a usage error:
// a mistyped option taken for an order file's name would quietly make a
// default run. Every other command line is a cycle, as it always was (one
// argument names the order file, any other count means default names).
#pragma once

#include <ostream>

// The release, the project's version as every program reports it.
extern const char kPreprocessorVersion[];

// When the command line is exactly "--help" or "--version", writes the usage
// or the version line to out and returns true; otherwise writes nothing and
// returns false.
bool answer_information_request(int argc, char** argv, std::ostream& out);

// Exit status of a usage error, as the project's other programs use it.
constexpr int kUsageError = 64;

// When an argument starts with "-" and is neither "--help" nor "--version",
// writes the program's name, the argument and the usage to err and returns
// true; otherwise writes nothing and returns false.
bool reject_unknown_option(int argc, char** argv, std::ostream& err);
