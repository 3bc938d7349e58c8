// The upstream data services' hosts ("name" or "name:port"). The values are
// build settings, defined by each program (see upstream_hosts.cpp).
#pragma once

const char* dst_service_host();
const char* kp_service_host();
const char* ace_service_host();
