// While alive, no write may take a file beyond `bytes`: the write fails as it
// would on a full disk (EFBIG instead of ENOSPC), without needing to mount one.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace velk::testing {

struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);  // the signal would end the process; the write fails instead
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit limited{bytes, previous.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, SIG_DFL);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  rlimit previous{};
};

}  // namespace velk::testing
