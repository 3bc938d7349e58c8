#include <iostream>

#include "prep/run/command_line.h"
#include "prep/run/preprocessor_cycle.h"

int main(int argc, char** argv) {
  if (const auto status = read_command_line(argc, argv, std::cout, std::cerr)) return *status;
  return run_preprocessor_cycle(argc, argv);
}
