// Which source a downloaded monthly text comes from, and which of the two
// months a cycle joins it is: what the record check finds out and what each
// acquisition asks of its two texts.
#pragma once

namespace velk::prep {

enum class Source { ace_mag, ace_swepam, dst, kp };

enum class Month {
  current,   // the current UTC month
  previous,  // the month before it
};

struct MonthRole {
  Source source;
  Month month;
};

constexpr bool operator==(MonthRole a, MonthRole b) {
  return a.source == b.source && a.month == b.month;
}
constexpr bool operator!=(MonthRole a, MonthRole b) {
  return !(a == b);
}

}  // namespace velk::prep
