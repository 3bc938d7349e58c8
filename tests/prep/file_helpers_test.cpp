#include "acquire/file_helpers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "test_support.h"

namespace {

// Fault guarded: a pipe named as a file blocked the run for ever, and a huge
// file was read whole into memory.
TEST(FileReadRefused, DirectoriesPipesAndOversizedFilesGiveAnEmptyText) {
  ScratchDir dir;
  ASSERT_EQ(::mkdir("sub", 0755), 0);
  ASSERT_EQ(::mkfifo("pipe", 0644), 0);
  write_file("huge", std::string(kMaxTextBytes + 1, '2'));
  for (const char* name : {"absent", "", "sub", "pipe", "huge"})
    EXPECT_EQ(file_read(name), "") << name;
}

// Fault guarded: a write that could not complete (full disk, missing or
// unwritable directory) left a truncated file in place of the good one and
// was not noticed.
TEST(FileWright, FailedWriteLeavesTheOldFileWholeAndSaysSo) {
  ScratchDir dir;
  write_file("out.txt", std::string(1000, 'o'));
  bool written = true;
  {
    FileSizeLimit full_disk(100);
    written = file_wright(std::string(1000, 'n'), "out.txt");
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(read_file("out.txt"), std::string(1000, 'o'));
  EXPECT_FALSE(file_wright("text", "missing-dir/out.txt"));
  EXPECT_FALSE(std::filesystem::exists("missing-dir"));
  // A shorter text replaces the file whole; no temporary file stays behind.
  ASSERT_TRUE(file_wright("short\n", "out.txt"));
  EXPECT_EQ(read_file("out.txt"), "short\n");
  EXPECT_EQ(directory_entries("."), std::vector<std::string>{"out.txt"});
}

}  // namespace
