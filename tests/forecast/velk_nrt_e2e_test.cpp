// Runs the built velk_nrt in a scratch directory on every case folder under
// data/e2e/cases and compares what it leaves behind with the case's expected/
// folder:
//   shared            names folders of data/e2e whose files are copied in too;
//                     symbolic links of the case are copied as links
//   expected/status   the exit status
//   expected/stdout   standard output, exactly (absent: empty)
//   expected/stderr   a text that standard error must contain (absent: empty)
//   expected/absent   names of files the run must not create, one a line
//   expected/scores   the seven scores in metadata order, as written under F6.3
//   GENERATED         a note that the expected files came from the program itself
//   GUARDS            a note naming the fault a regression case guards against
//   file_size_limit   the run's file-size limit in blocks, as /bin/sh's ulimit -f takes it
//   any other file    an output file, compared line by line; the creation-time
//                     line of the metadata is checked for its form only
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using velk::testing::lines_of;
using velk::testing::read_file;

const fs::path kData = VELK_E2E_DATA_DIR;

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kData / "cases"))
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void copy_files(const fs::path& from, const fs::path& to) {
  for (const auto& entry : fs::directory_iterator(from))
    if (entry.is_symlink())  // a link planted where the run writes
      fs::copy_symlink(entry.path(), to / entry.path().filename());
    else if (entry.is_regular_file() && entry.path().filename() != "shared")
      fs::copy_file(entry.path(), to / entry.path().filename(),
                    fs::copy_options::overwrite_existing);
}

class VelkNrtCase : public ::testing::TestWithParam<std::string> {};

TEST_P(VelkNrtCase, OutputsMatch) {
  const fs::path source = kData / "cases" / GetParam();
  const fs::path expected = source / "expected";
  const fs::path scratch = fs::current_path() / "velk_nrt_e2e" / GetParam();
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  copy_files(source, scratch);
  for (const std::string& shared : lines_of(read_file(source / "shared")))
    if (!shared.empty()) copy_files(kData / shared, scratch);

  // timeout bounds a run that would hang; it has no part in what is checked.
  const std::string limit = read_file(source / "file_size_limit");
  const std::string command =
      "cd '" + scratch.string() + "' && " +
      (limit.empty() ? "" : "ulimit -f " + limit.substr(0, limit.find('\n')) + " && ") +
      "timeout 120 '" VELK_NRT_PROGRAM "' > run.stdout 2> run.stderr";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), std::stoi(read_file(expected / "status")));
  const auto expected_or_empty = [&](const char* name) {
    return fs::exists(expected / name) ? read_file(expected / name) : "";
  };
  EXPECT_EQ(read_file(scratch / "run.stdout"), expected_or_empty("stdout"));
  const std::string err = read_file(scratch / "run.stderr"), mention = expected_or_empty("stderr");
  if (mention.empty())
    EXPECT_EQ(err, "");
  else
    EXPECT_NE(err.find(lines_of(mention).at(0)), std::string::npos) << err;
  for (const std::string& name : lines_of(expected_or_empty("absent")))
    EXPECT_FALSE(fs::exists(scratch / name)) << name;

  for (const auto& entry : fs::directory_iterator(expected)) {
    const std::string name = entry.path().filename().string();
    if (name == "status" || name == "stdout" || name == "stderr" || name == "absent") continue;
    const std::vector<std::string> want = lines_of(read_file(entry.path()));
    if (name == "scores") {
      std::vector<std::string> scores;
      for (const std::string& line : lines_of(read_file(scratch / "fc.xml")))
        if (line.find("<Value>") != std::string::npos ||
            line.find("<Persistence_Value>") != std::string::npos)
          scores.push_back(line.substr(line.find('>') + 1, line.find("</") - line.find('>') - 1));
      EXPECT_EQ(scores, want);
      continue;
    }
    ASSERT_TRUE(fs::exists(scratch / name)) << name;
    const std::string actual = read_file(scratch / name);
    const std::vector<std::string> got = lines_of(actual);
    EXPECT_EQ(got.size(), want.size()) << name << ": line count";
    EXPECT_TRUE(actual.empty() || actual.back() == '\n') << name << ": last line unterminated";
    for (std::size_t i = 0; i < std::min(want.size(), got.size()); ++i) {
      std::string line = got[i], expect = want[i];
      if (expect.find("<product_creation_time>") != std::string::npos)  // its form only
        for (std::string* text : {&line, &expect})
          for (char& c : *text) c = std::isdigit(static_cast<unsigned char>(c)) ? '9' : c;
      EXPECT_EQ(line, expect) << name << " line " << i + 1;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkNrtCase, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
