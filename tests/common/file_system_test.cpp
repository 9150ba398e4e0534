#include "common/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

using testing::TempDir;

/// Names of everything in the folder, to see that no temporary file is left behind.
std::vector<std::string> Entries(const TempDir& tmp) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(tmp.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(RealFileSystemTest, WriteAllReplacesTheWholeFileAndLeavesNothingElse) {
  TempDir tmp;
  RealFileSystem fs;
  const Text path = tmp.TextOf("X5.txt");
  fs.WriteAll(path, "a much longer first content\r\n");
  fs.WriteAll(path, "short\r\n");
  EXPECT_EQ(tmp.Read("X5.txt"), "short\r\n");
  fs.WriteAll(path, "");
  EXPECT_EQ(tmp.Read("X5.txt"), "");
  EXPECT_EQ(Entries(tmp), std::vector<std::string>{"X5.txt"});
}

TEST(RealFileSystemTest, AFailedWriteKeepsWhatStoodThere) {
  TempDir tmp;
  RealFileSystem fs;
  tmp.Write("X1.txt/inside", "kept");
  EXPECT_THROW(fs.WriteAll(tmp.TextOf("X1.txt"), "new"), ConversionError);
  EXPECT_EQ(tmp.Read("X1.txt/inside"), "kept");
  EXPECT_THROW(fs.WriteAll(tmp.TextOf("missing/X3.txt"), "new"), ConversionError);
  EXPECT_EQ(Entries(tmp), std::vector<std::string>{"X1.txt"});
}

TEST(RealFileSystemTest, FilesAreListedByName) {
  TempDir tmp;
  RealFileSystem fs;
  for (const char* name : {"12345678.003", "12345678.001", "b", "12345678.002", "a"}) {
    tmp.Write(name, "");
  }
  tmp.Write("folder/x", "");
  EXPECT_EQ(fs.ListFiles(tmp.text()),
            (std::vector<Text>{U"12345678.001", U"12345678.002", U"12345678.003", U"a", U"b"}));
  EXPECT_EQ(fs.ListFolders(tmp.text()), std::vector<Text>{U"folder"});
}

TEST(RealFileSystemTest, ReadingInPiecesGivesTheWholeFile) {
  TempDir tmp;
  RealFileSystem fs;
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  tmp.Write("big", bytes);
  EXPECT_EQ(fs.ReadAll(tmp.TextOf("big")), bytes);
  EXPECT_THROW(fs.ReadAll(tmp.TextOf("nothing")), ConversionError);
  tmp.Write("dir/x", "");
  EXPECT_THROW(fs.OpenForReading(tmp.TextOf("dir")), ConversionError);
}

}  // namespace
}  // namespace tecris2nx
