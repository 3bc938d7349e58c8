#include "prep/config/build_variant.h"

namespace velk::prep {

const BuildVariant kBuildVariants[3] = {
    {"ap", "ap-fc-", 12, 3, "1,1,1,1,1,1,1,1,1,0,0,1,1,1,1,1",
     "'1203.res','','','','','','','','','','',''", "'1203.cov','','','','','','','','','','',''",
     1},
    {"dst", "dst-fc-", 11, 4, "1,1,1,1,1,1,1,1,1,0,1,0,1,1,1,1",
     "'1101.res','1102.res','1103.res','1104.res','','','','','','','',''",
     "'1101.cov','1102.cov','1103.cov','1104.cov','','','','','','','',''", 4},
    {"kp", "kp-fc-", 10, 3, "1,1,1,1,1,1,1,1,1,1,0,0,1,1,1,1",
     "'1003.res','','','','','','','','','','',''", "'1003.cov','','','','','','','','','','',''",
     1},
};

const BuildVariant* find_build_variant(const std::string& name) {
  for (const BuildVariant& variant : kBuildVariants) {
    if (name == variant.name) return &variant;
  }
  return nullptr;
}

}  // namespace velk::prep
