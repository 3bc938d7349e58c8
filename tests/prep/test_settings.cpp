// Run-time stand-ins for the build settings of a program: the upstream hosts
// all refuse connections at once, and the variant is the first one built.
#include "prep/acquire/upstream_hosts.h"
#include "prep/config/build_variant.h"

namespace {
// Port 1 on loopback: nothing listens there, so a transfer is refused at once.
const char kRefusingHost[] = "127.0.0.1:1";
}  // namespace

const char* dst_service_host() {
  return kRefusingHost;
}
const char* kp_service_host() {
  return kRefusingHost;
}
const char* ace_service_host() {
  return kRefusingHost;
}
const BuildVariant& build_variant() {
  return kBuildVariants[0];
}
