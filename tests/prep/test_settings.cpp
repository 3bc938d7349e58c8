#include "test_settings.h"

#include "acquire/upstream_hosts.h"
#include "config/build_variant.h"

namespace {
// Port 1 on loopback: nothing listens there, so a transfer is refused at once.
std::string dst_host = "127.0.0.1:1";
std::string kp_host = "127.0.0.1:1";
std::string ace_host = "127.0.0.1:1";
const BuildVariant* variant = &kBuildVariants[0];
}  // namespace

void set_test_hosts(const std::string& dst, const std::string& kp, const std::string& ace) {
  dst_host = dst;
  kp_host = kp;
  ace_host = ace;
}

void set_test_variant(const std::string& name) {
  variant = find_build_variant(name);
}

const char* dst_service_host() {
  return dst_host.c_str();
}
const char* kp_service_host() {
  return kp_host.c_str();
}
const char* ace_service_host() {
  return ace_host.c_str();
}
const BuildVariant& build_variant() {
  return *variant;
}
