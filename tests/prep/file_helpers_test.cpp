#include "acquire/file_helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "test_support.h"

namespace {

const std::string kMarker = "#" + std::string(73, '-');

struct ReadCase {
  const char* name;
  std::string content;
  std::string expected;
};

class FileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(FileRead, TurnsColonsIntoBlanksAndRepeatsTheLastCharacter) {
  ScratchDir dir;
  write_file("in.txt", GetParam().content);
  EXPECT_EQ(file_read("in.txt"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, FileRead,
                         ::testing::Values(ReadCase{"OneCharacter", "x", "xx"},
                                           ReadCase{"TimeOfDay", "12:30\n", "12 30\n\n"},
                                           ReadCase{"ColonAtTheEnd", "a:", "a  "},
                                           ReadCase{"Empty", "", ""},
                                           ReadCase{"BinaryBytes", std::string("a\0b\n", 4),
                                                    std::string("a\0b\n\n", 5)}),
                         [](const auto& info) { return info.param.name; });

TEST(FileReadMissing, UnreadableNamesGiveAnEmptyText) {
  ScratchDir dir;
  EXPECT_EQ(file_read("absent.txt"), "");
  EXPECT_EQ(file_read(""), "");
  EXPECT_EQ(file_read(dir.path()), "");
}

struct TrimCase {
  const char* name;
  std::string text;
  std::string expected;
};

class FileEraze : public ::testing::TestWithParam<TrimCase> {};

TEST_P(FileEraze, TrimsToTheDataRecords) {
  EXPECT_EQ(file_eraze(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FileEraze,
    ::testing::Values(
        TrimCase{"AceHeader",
                 ":Product: x\n# comment 2\n" + kMarker + "----------\n2015 03 01\n2015 03 02\n\n",
                 "2015 03 01\n2015 03 02\n\n"},
        TrimCase{"MarkerAtTheStartKeepsTheHeader", kMarker + "\n2015\n", kMarker + "\n2015\n"},
        TrimCase{"NoMarkerNoTrailer", "DST1503*01\n", "DST1503*01\n"},
        TrimCase{"MarkerWithoutAnyTwoEmptiesTheText", "x\n" + kMarker + "\n1999\n", ""},
        TrimCase{"TrailerWithTheLineEndBeforeIt", "DST1503*01\n\n[Created at]\n\n", "DST1503*01\n"},
        TrimCase{"TextStartingWithBracketStaysWhole", "[x]\n", "[x]\n"},
        TrimCase{"HeaderAndTrailer", "h\n" + kMarker + "\n2015 a\n[b", "2015 a"},
        TrimCase{"Empty", "", ""}),
    [](const auto& info) { return info.param.name; });

TEST(FileWright, EmptyTextLeavesAnEmptyFile) {
  ScratchDir dir;
  ASSERT_TRUE(file_wright("", "out.txt"));
  EXPECT_TRUE(file_exists("out.txt"));
  EXPECT_EQ(read_file("out.txt"), "");
}

TEST(FileWright, ReplacesALongerFileWholeAndLeavesNoTemporaryFile) {
  ScratchDir dir;
  write_file("out.txt", std::string(1000, 'x'));
  ASSERT_TRUE(file_wright("short\n", "out.txt"));
  EXPECT_EQ(read_file("out.txt"), "short\n");
  EXPECT_EQ(directory_entries("."), std::vector<std::string>{"out.txt"});
}

TEST(FileWright, WritesIntoAnotherDirectoryWithPlainFilePermissions) {
  ScratchDir dir;
  ASSERT_EQ(::mkdir("sub", 0755), 0);
  const mode_t mask = ::umask(022);
  ASSERT_TRUE(file_wright("text", "sub/out.txt"));
  ::umask(mask);
  EXPECT_EQ(read_file("sub/out.txt"), "text");
  struct stat info {};
  ASSERT_EQ(::stat("sub/out.txt", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  EXPECT_EQ(directory_entries("sub"), std::vector<std::string>{"out.txt"});
}

// Fault guarded: a write that cannot complete must say so and must not leave
// a truncated file (or a temporary one) where the good file was.
TEST(FileWright, FailureIsReportedAndLeavesTheOldFileAlone) {
  ScratchDir dir;
  EXPECT_FALSE(file_wright("text", "missing-dir/out.txt"));
  EXPECT_FALSE(file_exists("missing-dir"));
  ASSERT_EQ(::mkdir("target", 0755), 0);
  write_file("target/keep", "old");
  EXPECT_FALSE(file_wright("text", "target"));  // a directory cannot be replaced
  EXPECT_EQ(read_file("target/keep"), "old");
  EXPECT_EQ(directory_entries("."), std::vector<std::string>{"target"});
}

}  // namespace
