// One complete preprocessor cycle, from the order file to the configuration
// file. The program's main only hands its arguments over.
#pragma once

namespace velk::prep {

// Exit statuses of a cycle besides 0.
constexpr int kOrderFileUnreadable = 1;  // the order file is not well-formed XML
constexpr int kReportUnwritten = 3;      // no report could be written anywhere

// Runs the cycle in the current working directory and returns the exit
// status: kReportUnwritten when the report could be written nowhere (standard
// error says so), else kOrderFileUnreadable when the order file could not be
// parsed, 0 otherwise.
int run_preprocessor_cycle(int argc, char** argv);

}  // namespace velk::prep
