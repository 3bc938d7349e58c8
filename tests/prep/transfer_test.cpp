#include "acquire/transfer.h"

#include <gtest/gtest.h>

#include "acquire/file_helpers.h"
#include "run/error_report.h"
#include "test_support.h"

namespace {

// The Value of the single pair a download appends, after checking that its
// ErrorName names the URL.
int download(const std::string& url, const std::string& local) {
  report_reset();
  data_file_downloadftp(url, local);
  const std::string head = "<ErrorName>File'" + url + "'download</ErrorName>\n<Value>";
  if (error_file.rfind(head, 0) != 0 || error_file.size() != head.size() + 10) {
    ADD_FAILURE() << "unexpected report text: " << error_file;
    return -1;
  }
  return error_file[head.size()] - '0';
}

struct LocalCase {
  const char* name;
  std::string upstream;  // content of the resource
  const char* local;     // where to store it
  int expected_value;
  bool file_expected;
};

class LocalDownload : public ::testing::TestWithParam<LocalCase> {};

TEST_P(LocalDownload, StoresTheResourceOnlyWhenItIsWholeData) {
  ScratchDir dir;
  const LocalCase& c = GetParam();
  write_file("upstream.txt", c.upstream);
  EXPECT_EQ(download(file_url("upstream.txt"), c.local), c.expected_value);
  EXPECT_EQ(file_exists(c.local), c.file_expected);
  if (c.file_expected) {
    EXPECT_EQ(read_file(c.local), c.upstream);
  }
}

// Fault guarded (Oversized): a huge upstream file filled the disk and was
// then read whole into memory.
INSTANTIATE_TEST_SUITE_P(
    Resources, LocalDownload,
    ::testing::Values(LocalCase{"CopiedByteForByte", "2015 03 01 00:00\r\n", "w.txt", 0, true},
                      LocalCase{"EmptyGivesNoFile", "", "w.txt", 0, false},
                      LocalCase{"LocalFileCannotBeCreated", "data\n", "no-dir/w.txt", 1, false},
                      LocalCase{"Oversized", std::string(kMaxTextBytes + 1, 'x'), "w.txt", 1,
                                false}),
    [](const auto& info) { return info.param.name; });

// Fault guarded: a fetch that could not be stored whole (disk full part-way)
// left a partial working file that was then read as the whole month.
TEST(Download, WriteFailurePartWayFailsAndRemovesThePartialFile) {
  ScratchDir dir;
  write_file("upstream.txt", std::string(200000, 'x'));
  write_file("w.txt", "stale");
  int value = -1;
  {
    FileSizeLimit full_disk(150000);
    value = download(file_url("upstream.txt"), "w.txt");
  }
  EXPECT_EQ(value, 1);
  EXPECT_FALSE(file_exists("w.txt"));
}

}  // namespace
