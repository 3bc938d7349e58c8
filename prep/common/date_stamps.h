// The clock and the calendar keys made from one reading of it, in UTC: the
// year-and-month keys that name the upstream files of the current and the
// previous month, the months a downloaded text is dated against, and the time
// stamp of default names. Every key is made from a broken-down reading that
// the caller takes once (utc_now), so that the fields of one text, such as
// the two keys of one URL, cannot straddle the turn of a month.
#pragma once

#include <ctime>
#include <string>

namespace velk::prep {

// Where the helpers read the time. Tests install a fixed clock; returns the
// previous source. nullptr restores the system clock.
using ClockSource = std::time_t (*)();
ClockSource set_clock_source(ClockSource source);

// The clock reading broken down in UTC.
std::tm utc_now();

int full_year(const std::tm& t);       // e.g. 2013
int month_of_year(const std::tm& t);   // 1..12
int previous_month(const std::tm& t);  // 1..12; 12 in January
// The year the previous month belongs to, written as `year` writes the
// current one (in full or as its last two digits).
int previous_month_year(const std::tm& t, int year);

std::string month_key(const std::tm& t);                 // YYYYMM
std::string previous_month_key(const std::tm& t);        // YYYYMM of the previous month
std::string short_month_key(const std::tm& t);           // YYMM
std::string short_previous_month_key(const std::tm& t);  // YYMM of the previous month
std::string file_time_stamp(const std::tm& t);           // YYYY_DDD_HH_MM

}  // namespace velk::prep
