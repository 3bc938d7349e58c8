#include "run/preprocessor_cycle.h"

int main(int argc, char** argv) {
  return run_preprocessor_cycle(argc, argv);
}
