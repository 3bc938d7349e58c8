#include "test_settings.h"

#include "acquire/upstream_hosts.h"
#include "config/build_variant.h"

namespace {
// Port 1 on loopback: nothing listens there, so a transfer is refused at once.
const char kRefusingHost[] = "127.0.0.1:1";
const BuildVariant* variant = &kBuildVariants[0];
}  // namespace

void set_test_variant(const std::string& name) {
  variant = find_build_variant(name);
}

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
  return *variant;
}
