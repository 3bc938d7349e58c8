// The version every program of the pipeline reports.
#pragma once

namespace velk {
const char* version();
}
