// Failed report records told as sentences for the page: what failed, for
// which source and where, with the raw step and error kept beside them.
#pragma once

#include <string>

#include "status/cycle_facts.h"

namespace velk::status {

// E.g. "Dst: downloading the current month from http://host/dst2003.for.request
// failed: HTTP 404." with the step's cause; without one, the reason the
// record alone suggests, if any ("(missing or unreadable)"), else none.
std::string failure_sentence(const FailedStep& step);

// The operator-facing name of a source key ("ace_mag" -> "ACE MAG").
std::string source_label(const std::string& source);

}  // namespace velk::status
