// Calendar keys of the moment of the call, in UTC: the year-and-month keys of
// the current and the previous month, and the time stamp of default names.
// Every no-argument helper reads the clock anew; the overloads taking a
// broken-down UTC time do the formatting for a given moment.
#pragma once

#include <ctime>
#include <string>

// Where the helpers read the time. Tests install a fixed clock; returns the
// previous source. nullptr restores the system clock.
using ClockSource = std::time_t (*)();
ClockSource set_clock_source(ClockSource source);

// The clock reading broken down in UTC.
std::tm utc_now();
std::tm utc_time(std::time_t moment);

int year_time(const std::tm& t);
int year_time_short(const std::tm& t);
int month_time(const std::tm& t);
int month_time_last(const std::tm& t);
int yearday_time(const std::tm& t);
int hour_time(const std::tm& t);
int min_time(const std::tm& t);

std::string present_data(const std::tm& t);        // YYYYMM
std::string last_data(const std::tm& t);           // YYYYMM of the previous month
std::string short_data_present(const std::tm& t);  // YYMM
std::string short_data_last(const std::tm& t);     // YYMM of the previous month
std::string FileTimeForm(const std::tm& t);        // YYYY_DDD_HH_MM

int year_time();
int year_time_short();
int month_time();
int month_time_last();
int yearday_time();
int hour_time();
int min_time();

std::string present_data();
std::string last_data();
std::string short_data_present();
std::string short_data_last();
std::string FileTimeForm();
