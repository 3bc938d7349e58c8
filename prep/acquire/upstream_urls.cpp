// Compiled into each program with the URL patterns it was configured for.
#include "prep/acquire/upstream_urls.h"

#include <cstdlib>
#include <string>

#if !defined(NRT_DST_URL_VALUE) || !defined(NRT_KP_URL_VALUE) ||              \
    !defined(NRT_KP_PREVIOUS_URL_VALUE) || !defined(NRT_ACE_MAG_URL_VALUE) || \
    !defined(NRT_ACE_SWEPAM_URL_VALUE)
#error "the upstream URL patterns must be defined by the build"
#endif

namespace velk::prep {

#ifdef NRT_HOSTS_FROM_ENVIRONMENT
// Test builds only: loopback servers bound to ports the system picked are
// named by the test driver, so that test runs never compete for fixed ports.
// The named host (and port) replaces the one of the built-in pattern, whose
// scheme and path stay. The programs that are installed never read the
// environment.
static std::string pattern_setting(const char* variable, const std::string& built_in) {
  const char* host = std::getenv(variable);
  if (host == nullptr || *host == '\0') return built_in;
  const std::size_t authority = built_in.find("://") + 3;  // the build checked the scheme
  const std::size_t path = built_in.find('/', authority);
  return built_in.substr(0, authority) + host +
         (path == std::string::npos ? std::string() : built_in.substr(path));
}

// A loopback HTTPS server's certificate, made by the test driver.
const char* trusted_certificates_file() {
  const char* file = std::getenv("NRT_TEST_CA_FILE");
  return file != nullptr && *file != '\0' ? file : nullptr;
}
#else
static std::string pattern_setting(const char*, const std::string& built_in) {
  return built_in;
}

const char* trusted_certificates_file() {
  return nullptr;
}
#endif

namespace {

struct Patterns {
  std::string dst, kp, kp_previous, ace_mag, ace_swepam;
};

// Worked out once: the texts must outlive every caller.
const Patterns& patterns() {
  static const Patterns kept{pattern_setting("NRT_TEST_DST_HOST", NRT_DST_URL_VALUE),
                             pattern_setting("NRT_TEST_KP_HOST", NRT_KP_URL_VALUE),
                             pattern_setting("NRT_TEST_KP_HOST", NRT_KP_PREVIOUS_URL_VALUE),
                             pattern_setting("NRT_TEST_ACE_HOST", NRT_ACE_MAG_URL_VALUE),
                             pattern_setting("NRT_TEST_ACE_HOST", NRT_ACE_SWEPAM_URL_VALUE)};
  return kept;
}

}  // namespace

const char* dst_url_pattern() {
  return patterns().dst.c_str();
}
const char* kp_url_pattern() {
  return patterns().kp.c_str();
}
const char* kp_previous_url_pattern() {
  return patterns().kp_previous.c_str();
}
const char* ace_mag_url_pattern() {
  return patterns().ace_mag.c_str();
}
const char* ace_swepam_url_pattern() {
  return patterns().ace_swepam.c_str();
}

}  // namespace velk::prep
