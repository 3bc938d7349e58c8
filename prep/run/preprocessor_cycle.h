// One complete preprocessor cycle, from the order file to the configuration
// file. The program's main only hands its arguments over.
#pragma once

// Runs the cycle in the current working directory and returns the exit
// status: 1 when the order file could not be parsed, 0 otherwise.
int run_preprocessor_cycle(int argc, char** argv);
