#include "acquire/transfer.h"

#include <gtest/gtest.h>

#include "loopback_http.h"
#include "run/error_report.h"
#include "test_support.h"

namespace {

// The single pair a download appends, with the URL in its ErrorName.
std::string download_pair(const std::string& url, int value) {
  return "<ErrorName>File'" + url + "'download</ErrorName>\n<Value>" + std::to_string(value) +
         "</Value>\n";
}

int download(const std::string& url, const std::string& local) {
  report_reset();
  data_file_downloadftp(url, local);
  if (error_file == download_pair(url, 0)) return 0;
  if (error_file == download_pair(url, 1)) return 1;
  ADD_FAILURE() << "unexpected report text: " << error_file;
  return -1;
}

TEST(Download, RefusedConnectionFailsAndLeavesNoFile) {
  ScratchDir dir;
  EXPECT_EQ(download("http://127.0.0.1:1/dst_realtime/201301/dst1301.for.request", "w.txt"), 1);
  EXPECT_FALSE(file_exists("w.txt"));
}

struct LocalCase {
  const char* name;
  const char* upstream;  // content of the local resource; nullptr: none
  const char* local;     // where to store it
  int expected_value;
  bool file_expected;
};

class LocalDownload : public ::testing::TestWithParam<LocalCase> {};

TEST_P(LocalDownload, StoresTheResourceOnlyWhenThereIsData) {
  ScratchDir dir;
  const LocalCase& c = GetParam();
  if (c.upstream != nullptr) write_file("upstream.txt", c.upstream);
  EXPECT_EQ(download(file_url("upstream.txt"), c.local), c.expected_value);
  EXPECT_EQ(file_exists(c.local), c.file_expected);
  if (c.file_expected) {
    EXPECT_EQ(read_file(c.local), c.upstream);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Resources, LocalDownload,
    ::testing::Values(LocalCase{"CopiedByteForByte", "2015 03 01  0000\n2015 03 01\n", "w.txt", 0,
                                true},
                      LocalCase{"Missing", nullptr, "w.txt", 1, false},
                      LocalCase{"EmptyGivesNoFile", "", "w.txt", 0, false},
                      LocalCase{"LocalFileCannotBeCreated", "data\n", "no-dir/w.txt", 1, false}),
    [](const auto& info) { return info.param.name; });

struct HttpCase {
  const char* name;
  LoopbackHttp::Answer answer;
  int expected_value;
  bool file_expected;
};

class HttpDownload : public ::testing::TestWithParam<HttpCase> {};

TEST_P(HttpDownload, OnlyASuccessfulAnswerIsStoredAsData) {
  ScratchDir dir;
  LoopbackHttp server;
  server.set("/data.txt", GetParam().answer);
  server.set("/moved.txt", {200, "moved data\n", "", false});
  EXPECT_EQ(download(server.url("/data.txt"), "w.txt"), GetParam().expected_value);
  EXPECT_EQ(file_exists("w.txt"), GetParam().file_expected);
  if (GetParam().file_expected) {
    const std::string expected =
        GetParam().answer.status == 200 ? GetParam().answer.body : std::string("moved data\n");
    EXPECT_EQ(read_file("w.txt"), expected);
  }
}

// Faults guarded: error pages, redirection pages and cut-off transfers were
// stored as if they were the month's data.
INSTANTIATE_TEST_SUITE_P(
    Answers, HttpDownload,
    ::testing::Values(
        HttpCase{"Ok", {200, "DST1503*01\n", "", false}, 0, true},
        HttpCase{"NotFound", {404, "<html>gone</html>\n", "", false}, 1, false},
        HttpCase{"ServerError", {500, "<html>oops</html>\n", "", false}, 1, false},
        HttpCase{"RedirectIsFollowed", {301, "<html>moved</html>\n", "/moved.txt", false}, 0, true},
        HttpCase{"RedirectWithoutTarget", {302, "<html>moved</html>\n", "", false}, 1, false},
        HttpCase{"CutShort", {200, "DST1503*01 partial", "", true}, 1, false},
        HttpCase{"EmptyBody", {200, "", "", false}, 0, false}),
    [](const auto& info) { return info.param.name; });

TEST(HttpDownloadStale, FailedFetchRemovesThePartlyWrittenFile) {
  // Fault guarded: a fetch cut off after some data left a partial working
  // file that the acquisition then read as a whole month.
  ScratchDir dir;
  LoopbackHttp server;
  server.set("/d", {200, std::string(5000, 'x'), "", true});
  write_file("w.txt", "stale");
  EXPECT_EQ(download(server.url("/d"), "w.txt"), 1);
  EXPECT_FALSE(file_exists("w.txt"));
}

TEST(DownloadCallbacks, ProbeWriterAcceptsOnlyWithASink) {
  char data[] = "abc";
  std::string sink;
  EXPECT_EQ(writer(data, 1, 3, &sink), 3u);
  EXPECT_EQ(sink, "abc");
  EXPECT_EQ(writer(data, 1, 3, nullptr), 0u);
}

}  // namespace
