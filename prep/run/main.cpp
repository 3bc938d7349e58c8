#include <iostream>

#include "prep/run/command_line.h"
#include "prep/run/preprocessor_cycle.h"

int main(int argc, char** argv) {
  namespace prep = velk::prep;
  if (const auto status = prep::read_command_line(argc, argv, std::cout, std::cerr)) {
    return *status;
  }
  return prep::run_preprocessor_cycle(argc, argv);
}
