#include <iostream>

#include "prep/run/command_line.h"
#include "prep/run/preprocessor_cycle.h"

int main(int argc, char** argv) {
  if (answer_information_request(argc, argv, std::cout)) return 0;
  if (reject_unknown_option(argc, argv, std::cerr)) return kUsageError;
  return run_preprocessor_cycle(argc, argv);
}
