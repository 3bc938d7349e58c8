#include "acquire/transfer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "acquire/file_helpers.h"
#include "run/error_report.h"
#include "test_support.h"

namespace {

// Fetches upstream.txt into `local`; the fetch must fail, say so in its one
// report pair, and leave no file. (Fetches that succeed are the end-to-end
// cases' business.)
void expect_failed_download(const std::string& local, rlim_t disk_room = RLIM_INFINITY) {
  const std::string url = file_url("upstream.txt");
  report_reset();
  {
    FileSizeLimit full_disk(disk_room);
    data_file_downloadftp(url, local);
  }
  EXPECT_EQ(report_pairs(error_file),
            (std::vector<ReportPair>{{"", "File'" + url + "'download", 1}}));
  EXPECT_FALSE(std::filesystem::exists(local));
}

TEST(Download, LocalFileThatCannotBeCreatedFails) {
  ScratchDir dir;
  write_file("upstream.txt", "data\n");
  expect_failed_download("no-dir/w.txt");
}

// Fault guarded: a huge upstream file filled the disk and was then read whole
// into memory.
TEST(Download, OversizedResourceFailsWithoutAFile) {
  ScratchDir dir;
  write_file("upstream.txt", std::string(kMaxTextBytes + 1, 'x'));
  expect_failed_download("w.txt");
}

// Fault guarded: a fetch that could not be stored whole (disk full part-way)
// left a partial working file that was then read as the whole month.
TEST(Download, WriteFailurePartWayFailsAndRemovesThePartialFile) {
  ScratchDir dir;
  write_file("upstream.txt", std::string(200000, 'x'));
  write_file("w.txt", "stale");
  expect_failed_download("w.txt", 150000);
}

}  // namespace
