// velk_nrt: takes no arguments and works in the current directory.
#include <iostream>

#include "forecast/velk_run.h"

int main() {
  return velk::run_velk_nrt(std::cout, std::cerr);
}
