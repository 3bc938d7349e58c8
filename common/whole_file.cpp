#include "common/whole_file.h"

#include <sys/stat.h>

#include <fstream>

namespace velk {

bool file_opens_for_reading(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream probe(path);
  return probe.is_open();
}

bool read_whole_file(const std::string& path, std::size_t max_bytes, std::string& text) {
  text.clear();
  if (!file_opens_for_reading(path)) return false;
  std::ifstream in(path, std::ios::binary);
  char block[65536];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    // Checked while reading: the file may grow after a size check.
    if (text.size() + got > max_bytes) {
      text.clear();
      return false;
    }
    text.append(block, got);
  }
  return !in.bad();
}

}  // namespace velk
