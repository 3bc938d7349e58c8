// Run-time stand-ins for the build settings of a program: the upstream
// services all refuse connections at once, and the variant is the first one
// built.
#include "prep/acquire/upstream_urls.h"
#include "prep/config/build_variant.h"

namespace velk::prep {

// Port 1 on loopback: nothing listens there, so a transfer is refused at once.
const char* dst_url_pattern() {
  return "http://127.0.0.1:1/dst_realtime/{YYYYMM}/dst{YYMM}.for.request";
}
const char* kp_url_pattern() {
  return "http://127.0.0.1:1/kp_index/qlyymm.wdc";
}
const char* kp_previous_url_pattern() {
  return "http://127.0.0.1:1/kp_index/pqlyymm.wdc";
}
const char* ace_mag_url_pattern() {
  return "ftp://127.0.0.1:1/pub/lists/ace2/{YYYYMM}_ace_mag_1h.txt";
}
const char* ace_swepam_url_pattern() {
  return "ftp://127.0.0.1:1/pub/lists/ace2/{YYYYMM}_ace_swepam_1h.txt";
}
const char* trusted_certificates_file() {
  return nullptr;
}
const BuildVariant& build_variant() {
  return kBuildVariants[0];
}

}  // namespace velk::prep
