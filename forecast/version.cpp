#include "forecast/version.h"

namespace velk {
const char* version() {
  return "0.1.0";
}
}  // namespace velk
