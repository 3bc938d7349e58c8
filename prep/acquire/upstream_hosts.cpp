// Compiled into each program with the hosts it was configured for.
#include "acquire/upstream_hosts.h"

#if !defined(NRT_DST_HOST_VALUE) || !defined(NRT_KP_HOST_VALUE) || !defined(NRT_ACE_HOST_VALUE)
#error "the upstream hosts must be defined by the build"
#endif

const char* dst_service_host() {
  return NRT_DST_HOST_VALUE;
}
const char* kp_service_host() {
  return NRT_KP_HOST_VALUE;
}
const char* ace_service_host() {
  return NRT_ACE_HOST_VALUE;
}
