// The URLs of one source's two months, made from the build's URL patterns
// (upstream_urls.h).
#pragma once

#include <ctime>
#include <string>

namespace velk::prep {

// `pattern` with every "{YYYYMM}" replaced by `yyyymm` and every "{YYMM}" by
// `yymm`; the rest of the text is kept as it stands.
std::string month_url(const std::string& pattern, const std::string& yyyymm,
                      const std::string& yymm);

struct MonthUrls {
  std::string present;  // the current UTC month's resource
  std::string last;     // the previous month's
};

// The current month's URL from `present_pattern` and the previous month's from
// `last_pattern`, with the keys of one clock reading, so that the two cannot
// straddle the turn of a month.
MonthUrls month_urls(const std::string& present_pattern, const std::string& last_pattern,
                     const std::tm& now);

}  // namespace velk::prep
