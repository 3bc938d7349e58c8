// The calendar every program counts days with: the full Gregorian rule. The
// files carry dates in several forms (month and day, day of the year, the
// modified Julian day, the Bartels rotation), and all are converted here.
#pragma once

namespace velk {

struct CivilDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
};

// Every fourth year, except the century years not divisible by 400. Files
// with two-digit years pass those: 00 is then 2000, a leap year.
bool is_leap_year(int year);
int days_in_year(int year);
// For a month within 1..12.
int days_in_month(int year, int month);

// Day of the year (1 = 1 January) to month and day; false when doy is outside the year.
bool date_from_day_of_year(int year, int doy, CivilDate& date);

// Days since 1970-01-01 (negative before it); valid for any Gregorian date.
long days_since_epoch(const CivilDate& date);

// Modified Julian day number of the date (1858-11-17 is day 0).
long modified_julian_day(const CivilDate& date);

// Bartels rotation number and day within the rotation (1..27); rotation 1
// began on 1832-02-08.
void bartels_rotation(const CivilDate& date, int& rotation, int& day_of_rotation);

}  // namespace velk
