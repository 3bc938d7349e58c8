// Where the upstream sources are fetched from, and which certificates an HTTPS
// transfer trusts. Build settings: each program compiles upstream_urls.cpp
// with its own values, so one library serves the installed programs and the
// loopback test builds alike.
#pragma once

namespace velk::prep {

// URL patterns: full URLs (scheme, host, path) in which {YYYYMM} and {YYMM}
// stand for the keys of the month fetched (month_url.h).
const char* dst_url_pattern();          // both months of the Dst service
const char* kp_url_pattern();           // the Kp service's current month
const char* kp_previous_url_pattern();  // ... and its previous month
const char* ace_mag_url_pattern();      // both months of the ACE MAG list
const char* ace_swepam_url_pattern();   // both months of the ACE SWEPAM list

// The file of the only certificates an HTTPS transfer trusts, or nullptr for
// the system's trust store (always, in the installed programs).
const char* trusted_certificates_file();

}  // namespace velk::prep
