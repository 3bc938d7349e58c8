#include "prep/common/date_stamps.h"

namespace velk::prep {

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

int short_year(const std::tm& t) {
  return t.tm_year - 100;
}

}  // namespace

int previous_month_year(const std::tm& t, int year) {
  return previous_month(t) == 12 ? year - 1 : year;
}

ClockSource set_clock_source(ClockSource source) {
  ClockSource previous = clock_source;
  clock_source = source;
  return previous;
}

std::tm utc_now() {
  const std::time_t moment = clock_source ? clock_source() : std::time(nullptr);
  std::tm broken_down{};
  gmtime_r(&moment, &broken_down);
  return broken_down;
}

int full_year(const std::tm& t) {
  return t.tm_year + 1900;
}
int month_of_year(const std::tm& t) {
  return t.tm_mon + 1;
}
int previous_month(const std::tm& t) {
  return t.tm_mon == 0 ? 12 : t.tm_mon;
}

std::string month_key(const std::tm& t) {
  return std::to_string(full_year(t)) + two_digits(month_of_year(t));
}

std::string previous_month_key(const std::tm& t) {
  return std::to_string(previous_month_year(t, full_year(t))) + two_digits(previous_month(t));
}

std::string short_month_key(const std::tm& t) {
  return std::to_string(short_year(t)) + two_digits(month_of_year(t));
}

std::string short_previous_month_key(const std::tm& t) {
  return std::to_string(previous_month_year(t, short_year(t))) + two_digits(previous_month(t));
}

std::string file_time_stamp(const std::tm& t) {
  return std::to_string(full_year(t)) + "_" + three_digits(t.tm_yday) + "_" +
         two_digits(t.tm_hour) + "_" + two_digits(t.tm_min);
}

}  // namespace velk::prep
