// Run-time stand-ins for the build settings of a program: the upstream hosts
// and the build variant, which tests point wherever they need.
#pragma once

#include <string>

void set_test_hosts(const std::string& dst, const std::string& kp, const std::string& ace);
void set_test_variant(const std::string& name);
