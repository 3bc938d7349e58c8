// The acquisition helpers: clock keys, whole-file reads and writes, transfers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "prep/acquire/month_url.h"
#include "prep/acquire/transfer.h"
#include "prep/common/date_stamps.h"
#include "prep/common/file_helpers.h"
#include "tests/prep/test_support.h"

namespace velk::prep {
namespace {

// The service months and file stamps are UTC, whatever the zone of the host.
TEST(DateKeysClock, TimeZoneSettingPlaysNoPart) {
  const struct {
    const char* clock;
    const char* month;
    const char* stamp;
  } cases[] = {
      {"2013-03-01 00:30", "201303", "2013_059_00_30"},
      // Fault guarded: day 099 (10 April) stamped as "99", a name the cycle's
      // retention never matches and so never prunes.
      {"2023-04-10 08:05", "202304", "2023_099_08_05"},
      {"2024-01-01 00:00", "202401", "2024_000_00_00"},
  };
  ::setenv("TZ", "America/New_York", 1);
  ::tzset();
  for (const auto& c : cases) {
    FixedClock clock(c.clock);
    EXPECT_EQ(month_key(utc_now()), c.month) << c.clock;
    EXPECT_EQ(file_time_stamp(utc_now()), c.stamp) << c.clock;
  }
  ::unsetenv("TZ");
  ::tzset();
}

// Fault guarded: an input file, the report or the configuration written into
// the existing file instead of replacing it: a reader could meet it half
// written, and a run killed part-way left it cut. A replaced file is a new
// file, so a second link to the old one keeps the old text.
TEST(AtomicWrites, ReplaceTheFileInsteadOfWritingIntoIt) {
  const std::pair<const char*, bool (*)(const std::string&, const std::string&)> writers[] = {
      {"write_input_file",
       [](const std::string& text, const std::string& path) {
         Report report;
         return write_input_file(text, path, report);
       }},
      {"write_file_atomically", [](const std::string& text, const std::string& path) {
         return write_file_atomically(text, path);
       }}};
  for (const auto& [name, write] : writers) {
    ScratchDir dir;
    write_file("in.asc", "old\n");
    ASSERT_EQ(::link("in.asc", "witness"), 0);
    EXPECT_TRUE(write("new\n", "in.asc")) << name;
    EXPECT_EQ(read_file("in.asc"), "new\n") << name;
    EXPECT_EQ(read_file("witness"), "old\n") << name;
  }
}

// A URL pattern takes the month keys wherever it names them, and only there:
// an operator may move a source to any path, and the standard Kp names
// ("qlyymm") must come through as they stand.
TEST(MonthUrls, PatternsTakeTheKeysOfEachMonth) {
  FixedClock clock("2013-01-15 12:00");  // the previous month lies in the year before
  const struct {
    const char *present_pattern, *last_pattern, *present, *last;
  } cases[] = {
      {"http://h/dst_realtime/{YYYYMM}/dst{YYMM}.for.request", nullptr,
       "http://h/dst_realtime/201301/dst1301.for.request",
       "http://h/dst_realtime/201212/dst1212.for.request"},
      {"http://h/kp_index/qlyymm.wdc", "http://h/kp_index/pqlyymm.wdc",
       "http://h/kp_index/qlyymm.wdc", "http://h/kp_index/pqlyymm.wdc"},
      {"https://h:8443/{YYMM}/{YYMM}_{YYYYMM}{YYMM", nullptr,
       "https://h:8443/1301/1301_201301{YYMM", "https://h:8443/1212/1212_201212{YYMM"},
  };
  for (const auto& c : cases) {
    const MonthUrls urls = month_urls(
        c.present_pattern, c.last_pattern ? c.last_pattern : c.present_pattern, utc_now());
    EXPECT_EQ(urls.present, c.present);
    EXPECT_EQ(urls.last, c.last);
  }
}

// Fault guarded: a pipe named as a file blocked the run for ever, and a huge
// file was read whole into memory.
TEST(FileReadRefused, DirectoriesPipesAndOversizedFilesGiveAnEmptyText) {
  ScratchDir dir;
  ASSERT_EQ(::mkdir("sub", 0755), 0);
  ASSERT_EQ(::mkfifo("pipe", 0644), 0);
  write_file("huge", std::string(kMaxTextBytes + 1, '2'));
  for (const char* name : {"absent", "", "sub", "pipe", "huge"})
    EXPECT_EQ(read_data_file(name), "") << name;
}

// Fault guarded: a write that could not complete (full disk, missing or
// unwritable directory) left a truncated file in place of the good one and
// was not noticed.
TEST(AtomicWrites, FailedWriteLeavesTheOldFileWholeAndSaysSo) {
  ScratchDir dir;
  write_file("out.txt", std::string(1000, 'o'));
  {
    FileSizeLimit full_disk(100);
    EXPECT_FALSE(write_file_atomically(std::string(1000, 'n'), "out.txt"));
  }
  EXPECT_EQ(read_file("out.txt"), std::string(1000, 'o'));
  EXPECT_FALSE(write_file_atomically("text", "missing-dir/out.txt"));
  EXPECT_FALSE(std::filesystem::exists("missing-dir"));
  // A shorter text replaces the file whole; no temporary file stays behind.
  ASSERT_TRUE(write_file_atomically("short\n", "out.txt"));
  EXPECT_EQ(read_file("out.txt"), "short\n");
  EXPECT_EQ(file_count("."), 1);
}

// Each fetch of upstream.txt must fail, tell whose fault it was, and leave no
// file. (Fetches that succeed are the end-to-end cases' business.) The upstream
// file is reached by file://, a scheme only these tests allow.
TEST(Download, FailedFetchesLeaveNoFile) {
  constexpr DownloadOutcome kNotFetched = DownloadOutcome::kNotFetched;
  constexpr DownloadOutcome kNotStored = DownloadOutcome::kNotStored;
  const struct {
    std::size_t upstream_bytes;
    const char* local;
    rlim_t disk_room;
    const char* schemes;
    DownloadOutcome outcome;
    const char* cause;
  } cases[] = {
      // the local file cannot be created
      {5, "no-dir/w.txt", RLIM_INFINITY, "file", kNotStored,
       "no such file or directory while writing"},
      // Fault guarded: a huge upstream file filled the disk and was then read
      // whole into memory.
      {kMaxTextBytes + 1, "w.txt", RLIM_INFINITY, "file", kNotFetched,
       "larger than the 16 MiB limit"},
      // Fault guarded: a fetch that could not be stored whole (disk full
      // part-way) left a partial working file that was then read as the whole
      // month, and was reported as a failure of the upstream service.
      {200000, "w.txt", 150000, "file", kNotStored, "file too large while writing"},
      // Buffered whole: the disk is found full only when the file is closed.
      {1000, "w.txt", 100, "file", kNotStored, "file too large while writing"},
      // Fault guarded: any scheme was fetched, so a URL or a redirection could
      // read local files into the inputs.
      {5, "fresh.txt", RLIM_INFINITY, kTransferSchemes, kNotFetched, "unsupported protocol"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.upstream_bytes);
    ScratchDir dir;
    write_file("upstream.txt", std::string(c.upstream_bytes, 'x'));
    write_file("w.txt", "stale");
    const std::string url = "file://" + (std::filesystem::current_path() / "upstream.txt").string();
    {
      FileSizeLimit full_disk(c.disk_room);
      const Download download = download_to_file(url, c.local, c.schemes);
      EXPECT_EQ(download.outcome, c.outcome);
      EXPECT_EQ(download.cause, c.cause);
    }
    EXPECT_FALSE(std::filesystem::exists(c.local));
  }
}

}  // namespace
}  // namespace velk::prep
