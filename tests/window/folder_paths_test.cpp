#include "app/window/folder_paths.h"

#include <gtest/gtest.h>

namespace tecris2nx {
namespace {

TEST(FolderPathsTest, DriveIndexFindsTheLongestRootAtAFolderBoundary) {
  struct Row {
    Text path;
    int index;
  };
  const std::vector<Text> posix = {U"/", U"/media", U"/media/usb"};
  const Row posixRows[] = {
      {U"/", 0},
      {U"/home/user", 0},
      {U"/media/usb/data", 2},  // longest root wins
      {U"/media/usb", 2},       // the mount point itself
      {U"/media/usb2/x", 1},    // a longer name is not below
  };
  for (const Row& r : posixRows) {
    EXPECT_EQ(DriveIndexOf(posix, r.path, U'/'), r.index) << ToUtf8(r.path);
  }
  // Drive letters ignore case, as Windows does.
  const std::vector<Text> windows = {U"C:\\", U"D:\\"};
  const Row windowsRows[] = {{U"d:\\data", 1}, {U"C:\\", 0}, {U"E:\\x", -1}, {U"C:", -1}};
  for (const Row& r : windowsRows) {
    EXPECT_EQ(DriveIndexOf(windows, r.path, U'\\'), r.index) << ToUtf8(r.path);
  }
}

TEST(FolderPathsTest, FolderOfKeepsTheRootsSeparator) {
  const std::pair<Text, Text> rows[] = {
      {U"/in/a.001", U"/in"},        {U"/a.001", U"/"}, {U"C:\\a.001", U"C:\\"},
      {U"C:\\in\\a.001", U"C:\\in"}, {U"a.001", U""},
  };
  for (const auto& [path, folder] : rows) {
    const char32_t separator = path.find(U'\\') != Text::npos ? U'\\' : U'/';
    EXPECT_EQ(FolderOf(path, separator), folder) << ToUtf8(path);
  }
}

}  // namespace
}  // namespace tecris2nx
