// The newest hour that each input file holds data for, so that the status can
// tell an input that stopped advancing from one that is merely late.
#pragma once

#include <string>

namespace velk::status {

enum class InputKind { kAce, kDst, kKp };

// "YYYY-MM-DDTHH:MMZ" of the newest row with data: an ACE record with status
// 0 (its hour), a Dst hour other than 9999, a Kp three-hour interval that is
// not blank (its start). Empty when the file holds none. Throws
// std::runtime_error when the file cannot be read.
std::string newest_input_row(const std::string& path, InputKind kind);

}  // namespace velk::status
