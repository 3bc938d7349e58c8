#include "common/calendar.h"

namespace velk {

namespace {

const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

}  // namespace

bool is_leap_year(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_year(int year) {
  return is_leap_year(year) ? 366 : 365;
}

int days_in_month(int year, int month) {
  return kMonthDays[month - 1] + (month == 2 && is_leap_year(year) ? 1 : 0);
}

bool date_from_day_of_year(int year, int doy, CivilDate& date) {
  if (doy < 1 || doy > days_in_year(year)) return false;
  int remaining = doy;
  for (int m = 1; m <= 12; ++m) {
    const int length = days_in_month(year, m);
    if (remaining <= length) {
      date = CivilDate{year, m, remaining};
      return true;
    }
    remaining -= length;
  }
  return false;
}

long days_since_epoch(const CivilDate& date) {
  // Counts in 400-year eras starting 1 March, so the leap day ends each era year.
  const long y = date.year - (date.month <= 2 ? 1 : 0);
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long year_of_era = y - era * 400;
  const long shifted_month = date.month > 2 ? date.month - 3 : date.month + 9;
  const long day_of_year = (153 * shifted_month + 2) / 5 + date.day - 1;
  const long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

long modified_julian_day(const CivilDate& date) {
  return days_since_epoch(date) + 40587;
}

void bartels_rotation(const CivilDate& date, int& rotation, int& day_of_rotation) {
  const long days = days_since_epoch(date) - days_since_epoch(CivilDate{1832, 2, 8});
  const long whole = days >= 0 ? days / 27 : (days - 26) / 27;
  rotation = static_cast<int>(whole + 1);
  day_of_rotation = static_cast<int>(days - whole * 27 + 1);
}

}  // namespace velk
