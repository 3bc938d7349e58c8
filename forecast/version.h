// The version every program of the pipeline reports, and the two options
// every one of them answers.
#pragma once

#include <ostream>
#include <string_view>

namespace velk {

const char* version();

// Answers "--help" (the usage text) and "--version" ("<program> <version>")
// on `out` and returns true; any other argument returns false untouched.
bool answer_help_or_version(std::string_view arg, const char* program, const char* usage,
                            std::ostream& out);

}  // namespace velk
