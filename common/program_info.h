// What every program of the pipeline says about itself, and how its command
// line is read before anything else: a sole "--help" prints the usage, a sole
// "--version" prints "<program> <version>", and a command line the program
// cannot take ends with exit status 64 and the usage on standard error.
// "--help" and "--version" are options only as the sole argument, so that
// they never swallow the arguments of a run.
#pragma once

#include <optional>
#include <ostream>
#include <string_view>

namespace velk {

// Exit status of every program and script for a command line it cannot take
// (the EX_USAGE of sysexits).
constexpr int kExitUsage = 64;

// The project's version, set by the build.
const char* version();

// Answers a command line that is exactly "--help" (the usage on `out`) or
// "--version" ("<program> <version>" on `out`) and returns 0, the status to
// exit with. Any other command line gives std::nullopt: the program goes on
// with its run.
std::optional<int> answer_information_request(int argc, const char* const* argv,
                                              std::string_view program, std::string_view usage,
                                              std::ostream& out);

// The same for a program that takes no options of its own: any other argument
// that starts with "-" (but "--help" and "--version" among other arguments,
// which are left to the run) is a usage error, said on `err`, with
// kExitUsage, since a mistyped option taken for a file name would quietly
// change the run.
std::optional<int> read_optionless_command_line(int argc, const char* const* argv,
                                                std::string_view program, std::string_view usage,
                                                std::ostream& out, std::ostream& err);

// Writes "<program>: <problem>" and the usage to `err`; returns kExitUsage.
int usage_error(std::string_view program, std::string_view problem, std::string_view usage,
                std::ostream& err);

}  // namespace velk
