// The forecaster's configuration file "velk_nrt.cfg": a banner, the build
// variant's model block and the run's file-name block.
#pragma once

#include <string>

namespace velk::prep {

struct BuildVariant;

// Longest text the forecaster reads from the configuration without cutting it.
constexpr std::size_t kMaxConfigText = 255;

// One line of the file-name block: key='path', with every apostrophe in the
// path doubled so that it reads back unchanged.
std::string file_name_line(const std::string& key, const std::string& path);

// The whole file for a variant, ending with `file_name_block`.
std::string config_file_text(const BuildVariant& variant, const std::string& file_name_block);

// Writes the configuration of this program's variant to `path`, replacing any
// earlier file whole. Returns false (the earlier file left as it was) when it
// could not be written.
bool write_config_file(const std::string& file_name_block, const std::string& path);

}  // namespace velk::prep
