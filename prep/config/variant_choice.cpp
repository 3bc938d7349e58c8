// Compiled into each program with the variant it was configured for.
#include "prep/config/build_variant.h"

#ifndef NRT_BUILD_VARIANT_VALUE
#error "the build variant must be defined by the build"
#endif

namespace velk::prep {

const BuildVariant& build_variant() {
  static const BuildVariant& chosen = *find_build_variant(NRT_BUILD_VARIANT_VALUE);
  return chosen;
}

}  // namespace velk::prep
