#include "fit/omni_record.h"

#include "forecast/text/fixed_field.h"

namespace velk::fit {
namespace {

// A field of the OMNI2 record: first column (1-based), width, and the value
// OMNI writes when the datum is missing (compared exactly after conversion).
struct OmniField {
  const char* name;
  int first_col;
  int width;
  double fill;
};

constexpr OmniField kYear{"year", 1, 4, -1};
constexpr OmniField kDay{"day of year", 5, 4, -1};
constexpr OmniField kHour{"hour", 9, 3, -1};
constexpr OmniField kBMagnitude{"magnitude of average field vector", 37, 6, 999.9};
constexpr OmniField kBx{"Bx GSE/GSM", 55, 6, 999.9};
constexpr OmniField kBy{"By GSM", 73, 6, 999.9};
constexpr OmniField kBz{"Bz GSM", 79, 6, 999.9};
constexpr OmniField kTemperature{"proton temperature", 115, 9, 9999999.};
constexpr OmniField kDensity{"proton density", 124, 6, 999.9};
constexpr OmniField kSpeed{"plasma speed", 130, 6, 9999.};
constexpr OmniField kKp{"Kp*10", 219, 3, 99};
constexpr OmniField kDst{"Dst", 226, 6, 99999};
constexpr OmniField kAp{"ap", 295, 4, 999};

class FieldReader {
 public:
  FieldReader(std::string_view line, std::string& error) : line_(line), error_(error) {}

  bool real(const OmniField& field, double& value, bool& present) {
    // OMNI always writes the decimal point, so the implied-decimal count never applies.
    if (forecast::read_real_field(line_, field.first_col, field.width, 0, value) !=
        forecast::FieldStatus::kOk) {
      return fail(field);
    }
    present = value != field.fill;
    return true;
  }

  bool integer(const OmniField& field, int& value, bool& present) {
    if (forecast::read_int_field(line_, field.first_col, field.width, value) !=
        forecast::FieldStatus::kOk) {
      return fail(field);
    }
    present = value != static_cast<int>(field.fill);
    return true;
  }

  bool integer(const OmniField& field, int& value) {
    bool unused = false;
    return integer(field, value, unused);
  }

 private:
  bool fail(const OmniField& field) {
    error_ = "unreadable " + std::string(field.name) + " in columns " +
             std::to_string(field.first_col) + "-" +
             std::to_string(field.first_col + field.width - 1);
    return false;
  }

  std::string_view line_;
  std::string& error_;
};

}  // namespace

bool parse_omni_hour(std::string_view line, OmniHour& hour, std::string& error) {
  if (line.size() != static_cast<std::size_t>(kOmniRecordLength)) {
    error = "record has " + std::to_string(line.size()) + " characters, an OMNI2 record has " +
            std::to_string(kOmniRecordLength);
    return false;
  }
  FieldReader in(line, error);
  OmniHour h;
  const bool ok =
      in.integer(kYear, h.year) && in.integer(kDay, h.day_of_year) && in.integer(kHour, h.hour) &&
      in.real(kBMagnitude, h.b_magnitude, h.has_b_magnitude) && in.real(kBx, h.bx_gsm, h.has_bx) &&
      in.real(kBy, h.by_gsm, h.has_by) && in.real(kBz, h.bz_gsm, h.has_bz) &&
      in.real(kTemperature, h.temperature, h.has_temperature) &&
      in.real(kDensity, h.density, h.has_density) && in.real(kSpeed, h.speed, h.has_speed) &&
      in.integer(kKp, h.kp_times_10, h.has_kp) && in.integer(kDst, h.dst, h.has_dst) &&
      in.integer(kAp, h.ap, h.has_ap);
  if (!ok) return false;
  if (h.hour < 0 || h.hour > 23) {
    error = "hour " + std::to_string(h.hour) + " outside 0..23";
    return false;
  }
  hour = h;
  return true;
}

}  // namespace velk::fit
