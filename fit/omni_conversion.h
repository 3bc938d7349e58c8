// Turns a run of consecutive OMNI2 hourly records into the four input files
// of the forecaster, so that years of recorded history feed the very reader
// the forecaster uses. Every OMNI fill value becomes the forecaster's fill
// value of that input.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/calendar.h"
#include "fit/omni_record.h"

namespace velk::fit {

struct NrtTexts {
  std::string mag, swepam, kp, dst;
};

class OmniConverter {
 public:
  // Keeps only the days from `first` to `last` (inclusive) when given.
  OmniConverter(std::optional<CivilDate> first, std::optional<CivilDate> last);

  // Feeds the next line; `where` names it in messages ("omni2_2015.dat:12").
  // False (with `error` set) on an unreadable record or a break in the hours.
  bool add(std::string_view line, const std::string& where, std::string& error);

  // The four files; false when no whole day was selected or the selection
  // does not start at hour 0 and end at hour 23 of a day.
  bool finish(NrtTexts& texts, std::string& error) const;

 private:
  std::optional<long> first_day_, last_day_;  // days since 1970-01-01
  std::optional<long> previous_hour_;         // hours since 1970-01-01 of the last line
  std::string previous_where_;
  std::vector<OmniHour> hours_;
  std::vector<CivilDate> dates_;
};

}  // namespace velk::fit
