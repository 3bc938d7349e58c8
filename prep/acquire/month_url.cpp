#include "prep/acquire/month_url.h"

#include "prep/common/date_stamps.h"

namespace velk::prep {

namespace {

void replace_all(std::string& text, const std::string& placeholder, const std::string& value) {
  for (std::size_t at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at + value.size())) {
    text.replace(at, placeholder.size(), value);
  }
}

}  // namespace

std::string month_url(const std::string& pattern, const std::string& yyyymm,
                      const std::string& yymm) {
  std::string url = pattern;
  replace_all(url, "{YYYYMM}", yyyymm);
  replace_all(url, "{YYMM}", yymm);
  return url;
}

MonthUrls month_urls(const std::string& present_pattern, const std::string& last_pattern,
                     const std::tm& now) {
  return {month_url(present_pattern, month_key(now), short_month_key(now)),
          month_url(last_pattern, previous_month_key(now), short_previous_month_key(now))};
}

}  // namespace velk::prep
