#include "prep/acquire/source_names.h"

namespace velk::prep {

namespace {

struct SourceNames {
  const char* step_stem;
  const char* current_file;
  const char* previous_file;
};

const SourceNames& names_of(Source source) {
  static const SourceNames kDst{"DST", "Dst_present.txt", "Dst_last.txt"};
  static const SourceNames kKp{"KP", "Kp_present.txt", "KP_last.txt"};
  static const SourceNames kAceMag{"AceMag", "MAG_present.txt", "MAG_last.txt"};
  static const SourceNames kAceSwepam{"AceSwepam", "SWEPAM_present.txt", "SWEPAM_last.txt"};
  switch (source) {
    case Source::dst:
      return kDst;
    case Source::kp:
      return kKp;
    case Source::ace_mag:
      return kAceMag;
    case Source::ace_swepam:
      break;
  }
  return kAceSwepam;
}

}  // namespace

std::string download_step_name(MonthRole role) {
  return std::string(names_of(role.source).step_stem) +
         (role.month == Month::previous ? "File2Download" : "FileDownload");
}

std::string header_only_step_name(Source source) {
  return std::string(names_of(source).step_stem) + "FilePreviousMonthOnly";
}

const char* working_file_name(MonthRole role) {
  const SourceNames& names = names_of(role.source);
  return role.month == Month::previous ? names.previous_file : names.current_file;
}

}  // namespace velk::prep
