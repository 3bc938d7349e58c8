// Compiled into each program with the hosts it was configured for.
#include "prep/acquire/upstream_hosts.h"

#if !defined(NRT_DST_HOST_VALUE) || !defined(NRT_KP_HOST_VALUE) || !defined(NRT_ACE_HOST_VALUE)
#error "the upstream hosts must be defined by the build"
#endif

#ifdef NRT_HOSTS_FROM_ENVIRONMENT
#include <cstdlib>

// Test builds only: loopback servers bound to ports the system picked are
// named by the test driver, so that test runs never compete for fixed ports.
// The programs that are installed never read the environment.
static const char* host_setting(const char* variable, const char* built_in) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0' ? value : built_in;
}
#else
static const char* host_setting(const char*, const char* built_in) {
  return built_in;
}
#endif

const char* dst_service_host() {
  return host_setting("NRT_TEST_DST_HOST", NRT_DST_HOST_VALUE);
}
const char* kp_service_host() {
  return host_setting("NRT_TEST_KP_HOST", NRT_KP_HOST_VALUE);
}
const char* ace_service_host() {
  return host_setting("NRT_TEST_ACE_HOST", NRT_ACE_HOST_VALUE);
}
