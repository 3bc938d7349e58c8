#include "prep/common/date_stamps.h"

namespace {

ClockSource clock_source = nullptr;

std::string two_digits(int value) {
  return (value <= 9 ? "0" : "") + std::to_string(value);
}

std::string three_digits(int value) {
  std::string pad;
  if (value <= 99) pad += "0";
  if (value <= 9) pad += "0";
  return pad + std::to_string(value);
}

}  // namespace

ClockSource set_clock_source(ClockSource source) {
  ClockSource previous = clock_source;
  clock_source = source;
  return previous;
}

std::tm utc_time(std::time_t moment) {
  std::tm broken_down{};
  gmtime_r(&moment, &broken_down);
  return broken_down;
}

std::tm utc_now() {
  return utc_time(clock_source ? clock_source() : std::time(nullptr));
}

int year_time(const std::tm& t) {
  return t.tm_year + 1900;
}
int year_time_short(const std::tm& t) {
  return t.tm_year - 100;
}
int month_time(const std::tm& t) {
  return t.tm_mon + 1;
}
int month_time_last(const std::tm& t) {
  return t.tm_mon == 0 ? 12 : t.tm_mon;
}
int yearday_time(const std::tm& t) {
  return t.tm_yday;
}
int hour_time(const std::tm& t) {
  return t.tm_hour;
}
int min_time(const std::tm& t) {
  return t.tm_min;
}

std::string present_data(const std::tm& t) {
  return std::to_string(year_time(t)) + two_digits(month_time(t));
}

std::string last_data(const std::tm& t) {
  const int month = month_time_last(t);
  const int year = month == 12 ? year_time(t) - 1 : year_time(t);
  return std::to_string(year) + two_digits(month);
}

std::string short_data_present(const std::tm& t) {
  return std::to_string(year_time_short(t)) + two_digits(month_time(t));
}

std::string short_data_last(const std::tm& t) {
  const int month = month_time_last(t);
  const int year = month == 12 ? year_time_short(t) - 1 : year_time_short(t);
  return std::to_string(year) + two_digits(month);
}

std::string FileTimeForm(const std::tm& t) {
  return std::to_string(year_time(t)) + "_" + three_digits(yearday_time(t)) + "_" +
         two_digits(hour_time(t)) + "_" + two_digits(min_time(t));
}

// Each text is built from one clock reading, so its fields always agree.
int year_time() {
  return year_time(utc_now());
}
int year_time_short() {
  return year_time_short(utc_now());
}
int month_time() {
  return month_time(utc_now());
}
int month_time_last() {
  return month_time_last(utc_now());
}
int yearday_time() {
  return yearday_time(utc_now());
}
int hour_time() {
  return hour_time(utc_now());
}
int min_time() {
  return min_time(utc_now());
}

std::string present_data() {
  return present_data(utc_now());
}
std::string last_data() {
  return last_data(utc_now());
}
std::string short_data_present() {
  return short_data_present(utc_now());
}
std::string short_data_last() {
  return short_data_last(utc_now());
}
std::string FileTimeForm() {
  return FileTimeForm(utc_now());
}
