// The one scratch directory of every unit test: a fresh directory of the test's
// own that is the working directory while the helper lives. Afterwards the
// previous working directory is restored and the scratch directory removed
// with everything in it. Also the whole-file reads the tests compare with.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace velk::testing {

inline std::string read_file(const std::filesystem::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ScratchDir {
 public:
  ScratchDir() {
    // mkdtemp makes the name unique, so test binaries may run side by side.
    std::string pattern = (std::filesystem::temp_directory_path() / "velk-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The full path of `name` inside the directory.
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // Writes `text` to `name` inside the directory and returns its full path.
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
    return file(name);
  }

 private:
  std::filesystem::path previous_ = std::filesystem::current_path(), path_;
};

}  // namespace velk::testing
