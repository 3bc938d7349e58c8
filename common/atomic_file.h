// Files replaced whole: the new text goes to a temporary file beside the
// target, is synced, and is renamed over it. Readers never see a file half
// written, a process that dies leaves the earlier file whole, and a symbolic
// link planted at the name is replaced instead of written through.
//
// A temporary file is named "<prefix><process id>-XXXXXX". The process id
// lets the next cycle's start-up tell the files a killed writer left from
// those a running one still writes (remove_stale_temporaries_beside).
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace velk {

// The preprocessor's temporary files, and those of velk_status, which runs
// in the same cycle and leaves its leftovers to the same clean-up.
constexpr std::string_view kCycleTemporaryPrefix = ".nrtprep-";
// The forecaster's temporary files.
constexpr std::string_view kForecasterTemporaryPrefix = ".velk_nrt-";

// Permissions a plainly created file would get (mkstemp gives 0600).
mode_t default_file_mode();

// Creates a temporary file beside `path` with default_file_mode() and opens
// it for writing. Returns its descriptor and sets `temporary` to its name; -1
// (errno set) when it cannot be created.
int create_temporary_beside(const std::string& path, std::string_view prefix,
                            std::string& temporary);

// Writes all of `text` to `fd`, going on after interruptions and partial
// writes; false on an error or a write that takes nothing.
bool write_all(int fd, std::string_view text);

// Replaces the file at `path` with `text`. Returns false, leaving any earlier
// file untouched and no temporary file behind, when that fails.
bool write_file_atomically(const std::string& text, const std::string& path,
                           std::string_view prefix = kCycleTemporaryPrefix);

// Removes from the directory of `path` the temporary files that a run of the
// preprocessor, velk_status or the forecaster left there: one that died before
// it could rename them, or whose removal of them failed. Only those whose
// writing process no longer runs: those of a run still going, such as another
// cycle writing into a shared directory, stay.
void remove_stale_temporaries_beside(const std::string& path);

}  // namespace velk
