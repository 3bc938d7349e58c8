// Run-time stand-ins for the build settings of a program. The upstream hosts
// all refuse connections at once; the build variant can be chosen.
#pragma once

#include <string>

void set_test_variant(const std::string& name);
