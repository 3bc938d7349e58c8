// Calendar keys of the moment of the call, in UTC: the year-and-month keys
// that name the upstream files of the current and the previous month, the
// months a downloaded text is dated against, and the time stamp of default
// names. The functions without arguments keep their established names (their
// "present_data" and "last_data" are date keys, not data) and read the clock
// anew at each call; those taking a broken-down UTC time do the work for one
// given reading, so that the fields of one text always agree.
#pragma once

#include <ctime>
#include <string>

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

// The established numeric clock helpers. Nothing in the program reads them any
// more (each text is built from one reading instead); they stay as named.
int year_time();
int year_time_short();
int month_time();
int month_time_last();
int yearday_time();
int hour_time();
int min_time();

// The established text helpers: the keys above for the moment of the call.
// FileTimeForm stamps the default names; the acquisitions take their month
// keys from one reading through the functions above, so that the two keys of
// one URL cannot straddle the turn of a month. The others stay as named.
std::string present_data();        // month_key
std::string last_data();           // previous_month_key
std::string short_data_present();  // short_month_key
std::string short_data_last();     // short_previous_month_key
std::string FileTimeForm();        // file_time_stamp
