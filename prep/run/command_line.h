// The command line of nrtprep, read the way every program of the pipeline
// reads its own (common/program_info.h): a sole --help or --version is
// answered, and any other argument that starts with "-" is a usage error: a
// mistyped option taken for an order file's name would quietly make a default
// run. Every other command line is a cycle, as it always was (one argument
// names the order file, any other count means default names).
#pragma once

#include <optional>
#include <ostream>

// Answers --help and --version on `out` and usage errors on `err`, and returns
// the exit status to end with; std::nullopt when the cycle is to run.
std::optional<int> read_command_line(int argc, char** argv, std::ostream& out, std::ostream& err);
