#include "fit/omni_conversion.h"

#include <array>
#include <cmath>

#include "fit/nrt_records.h"

namespace velk::fit {
namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

MagValues mag_values(const OmniHour& h) {
  MagValues v{kMagFill, kMagFill, kMagFill, kMagFill, kMagFill, kMagFill};
  if (h.has_bx) v.bx = h.bx_gsm;
  if (h.has_by) v.by = h.by_gsm;
  if (h.has_bz) v.bz = h.bz_gsm;
  if (h.has_b_magnitude) v.bt = h.b_magnitude;
  // OMNI gives the field's angles in GSE only; the ACE lists give them in GSM,
  // so they are computed from the GSM components.
  if (h.has_bx && h.has_by && h.has_bz) {
    const double b = std::sqrt(h.bx_gsm * h.bx_gsm + h.by_gsm * h.by_gsm + h.bz_gsm * h.bz_gsm);
    if (b > 0) {
      v.latitude = std::asin(h.bz_gsm / b) * kDegreesPerRadian;
      v.longitude = std::atan2(h.by_gsm, h.bx_gsm) * kDegreesPerRadian;
      if (v.longitude < 0) v.longitude += 360.0;
      if (v.longitude >= 359.95) v.longitude = 0.0;  // would print as 360.0
    } else {
      v.latitude = 0.0;
      v.longitude = 0.0;
    }
  }
  return v;
}

SwepamValues swepam_values(const OmniHour& h) {
  return SwepamValues{h.has_density ? h.density : kDensityFill, h.has_speed ? h.speed : kSpeedFill,
                      h.has_temperature ? h.temperature : kTemperatureFill};
}

std::string where_of(const CivilDate& d, int hour) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d UT", d.year, d.month, d.day, hour);
  return text;
}

}  // namespace

OmniConverter::OmniConverter(std::optional<CivilDate> first, std::optional<CivilDate> last) {
  if (first) first_day_ = days_since_epoch(*first);
  if (last) last_day_ = days_since_epoch(*last);
}

bool OmniConverter::add(std::string_view line, const std::string& where, std::string& error) {
  OmniHour h;
  std::string why;
  if (!parse_omni_hour(line, h, why)) {
    error = where + ": " + why;
    return false;
  }
  CivilDate date;
  if (!date_from_day_of_year(h.year, h.day_of_year, date)) {
    error = where + ": day " + std::to_string(h.day_of_year) + " is not a day of " +
            std::to_string(h.year);
    return false;
  }
  const long day = days_since_epoch(date);
  const long hour = day * 24 + h.hour;
  // The forecaster's reader takes consecutive records as consecutive hours,
  // so a gap or a repeat would silently shift every later value in time.
  if (previous_hour_ && hour != *previous_hour_ + 1) {
    error = where + ": " + where_of(date, h.hour) + " does not follow the record at " +
            previous_where_ + " by one hour";
    return false;
  }
  previous_hour_ = hour;
  previous_where_ = where;
  if ((first_day_ && day < *first_day_) || (last_day_ && day > *last_day_)) return true;
  hours_.push_back(h);
  dates_.push_back(date);
  return true;
}

bool OmniConverter::finish(NrtTexts& texts, std::string& error) const {
  if (hours_.empty()) {
    error = "no OMNI record lies in the selected days";
    return false;
  }
  if (hours_.front().hour != 0 || hours_.back().hour != 23) {
    error = "the selected records run from " + where_of(dates_.front(), hours_.front().hour) +
            " to " + where_of(dates_.back(), hours_.back().hour) +
            "; the daily Kp and Dst records need whole days (00 to 23 UT)";
    return false;
  }
  NrtTexts out;
  out.mag = mag_header();
  out.swepam = swepam_header();
  std::string line;
  for (std::size_t i = 0; i < hours_.size(); ++i) {
    const OmniHour& h = hours_[i];
    const CivilDate& d = dates_[i];
    if (!mag_line(d, h.hour, mag_values(h), line)) {
      error = where_of(d, h.hour) + ": a magnetic field value does not fit its columns";
      return false;
    }
    out.mag += line + "\n";
    if (!swepam_line(d, h.hour, swepam_values(h), line)) {
      error = where_of(d, h.hour) + ": a solar-wind value does not fit its columns";
      return false;
    }
    out.swepam += line + "\n";
    if (h.hour != 23) continue;

    // The whole day is in hand: hours_[i-23 .. i].
    const std::size_t day_start = i - 23;
    std::array<int, 8> kp{}, ap{};
    for (int interval = 0; interval < 8; ++interval) {
      kp[interval] = kKpFill;
      ap[interval] = kApFill;
      // OMNI repeats each 3-hour value on the hours of its interval; the first
      // hour that holds one gives it.
      for (int k = 2; k >= 0; --k) {
        const OmniHour& x = hours_[day_start + static_cast<std::size_t>(interval * 3 + k)];
        if (x.has_kp) kp[interval] = x.kp_times_10;
        if (x.has_ap) ap[interval] = x.ap;
      }
    }
    std::array<int, 24> dst{};
    for (int k = 0; k < 24; ++k) {
      const OmniHour& x = hours_[day_start + static_cast<std::size_t>(k)];
      dst[static_cast<std::size_t>(k)] = x.has_dst ? x.dst : kDstFill;
    }
    if (!kp_line(d, kp, ap, line)) {
      error = where_of(d, 0) + ": a Kp or ap value does not fit its columns";
      return false;
    }
    out.kp += line + "\n";
    if (!dst_line(d, dst, line)) {
      error = where_of(d, 0) + ": a Dst value does not fit its columns";
      return false;
    }
    out.dst += line + "\n";
  }
  texts = std::move(out);
  return true;
}

}  // namespace velk::fit
