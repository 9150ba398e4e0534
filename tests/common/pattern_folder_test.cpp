#include "common/pattern_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "common/windows_api.h"
#include "common/error.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

using testing::TempDir;

const char32_t kSeparator = HostSeparator();

/// An entry below the folder, written with "/" and returned with the host's separator.
Text Under(const TempDir& dir, std::string_view relative) {
  Text text = dir.text() + kSeparator + FromUtf8(relative);
  for (char32_t& c : text) c = c == U'/' ? kSeparator : c;
  return text;
}

#ifdef _WIN32
const char* const kShare = "";  // installed share folders exist only without drive letters
// Windows users cannot write to an installed program's folder: their data folders come after it.
const char* const kBesideOrUser = "prefix/bin/PATDAT";
#else
const char* const kShare = "prefix/share/tecris2nx/PATDAT";
// A packaged program's folders belong to the package manager: the user's folder comes first.
const char* const kBesideOrUser = "user";
#endif

TEST(PatternFolderTest, LookupOrder) {
  // Override, beside the program (in prefix/bin), the installed share folder, the data folders.
  const std::string over = "over/kishitu.txt", beside = "prefix/bin/PATDAT/kishitu.txt",
                    share = "prefix/share/tecris2nx/PATDAT/kishitu.txt", user = "user/kishitu.txt",
                    machine = "machine/kishitu.txt";
  struct Row {
    std::map<std::string, std::string> files;  // relative path -> content
    const char* expected;                      // relative folder, "" for none
  };
  const Row rows[] = {
      {{{over, "x"}, {beside, "x"}}, "over"},
      {{{over, ""}, {beside, "x"}}, "prefix/bin/PATDAT"},
      {{{"over/other.txt", "x"}, {share, "x"}}, kShare},
      {{{beside, "x"}, {share, "x"}}, "prefix/bin/PATDAT"},
      {{{beside, ""}, {share, "x"}}, kShare},
      {{{beside + "/a", "x"}}, ""},  // kishitu.txt as a folder
      {{}, ""},
      {{{over, "x"}, {user, "x"}}, "over"},
      {{{beside, "x"}, {user, "x"}, {machine, "x"}}, kBesideOrUser},
      {{{beside, ""}, {user, "x"}, {machine, "x"}}, "user"},
      {{{user, ""}, {machine, "x"}}, "machine"},
      {{{"user/kishitu.txt/a", "x"}, {"machine/other.txt", "x"}}, ""},
  };
  for (const Row& r : rows) {
    TempDir dir;
    RealFileSystem fs;
    for (const auto& [path, content] : r.files) dir.Write(path, content);
    std::filesystem::create_directories(dir.path() / "prefix/bin");
    PatternLookupEnv env;
    env.programFolder = Under(dir, "prefix/bin");
    env.overrideFolder = dir.TextOf("over");
    env.dataFolders = {Text(), dir.TextOf("user"), dir.TextOf("machine")};
    env.walkDrives = false;
    const Text expected = *r.expected ? Under(dir, r.expected) + kSeparator : Text();
    EXPECT_EQ(LocatePatternFolder(fs, env), expected) << r.expected;
  }
}

#ifndef _WIN32
TEST(PatternFolderTest, UserThenSystemFoldersComeRightAfterTheOverride) {
  const std::string over = "over/kishitu.txt", user = "user/PATDAT/kishitu.txt",
                    system = "etc/PATDAT/kishitu.txt", beside = "prefix/bin/PATDAT/kishitu.txt";
  struct Row {
    std::map<std::string, std::string> files;  // relative path -> content
    const char* expected;                      // relative folder, "" for none
  };
  const Row rows[] = {
      {{{over, "x"}, {user, "x"}, {system, "x"}}, "over"},
      {{{over, ""}, {user, "x"}, {system, "x"}, {beside, "x"}}, "user/PATDAT"},
      {{{user, ""}, {system, "x"}, {beside, "x"}}, "etc/PATDAT"},
      {{{"etc/PATDAT/L2.txt", "x"}, {beside, "x"}}, "prefix/bin/PATDAT"},
      {{{"user/PATDAT", ""}}, ""},  // a file where the folder should be
  };
  for (const Row& r : rows) {
    TempDir dir;
    RealFileSystem fs;
    for (const auto& [path, content] : r.files) dir.Write(path, content);
    PatternLookupEnv env;
    env.programFolder = Under(dir, "prefix/bin");
    env.overrideFolder = dir.TextOf("over");
    env.dataFolders = {Under(dir, "user/PATDAT"), Under(dir, "etc/PATDAT")};
    env.walkDrives = false;
    const Text expected = *r.expected ? Under(dir, r.expected) + kSeparator : Text();
    EXPECT_EQ(LocatePatternFolder(fs, env), expected) << r.expected;
  }
}
#endif

TEST(PatternFolderTest, DataFoldersFollowTheXdgDataHome) {
  struct Row {
    const char* xdgDataHome;
    const char* home;
    std::vector<Text> expected;
  };
  const Text system = U"/etc/tecris2nx/PATDAT";
  const Row rows[] = {
      {nullptr, "/home/u", {U"/home/u/.local/share/tecris2nx/PATDAT", system}},
      {"/data", "/home/u", {U"/data/tecris2nx/PATDAT", system}},
      {"/data/", nullptr, {U"/data/tecris2nx/PATDAT", system}},
      {"", "/home/u/", {U"/home/u/.local/share/tecris2nx/PATDAT", system}},
      {"relative", "/home/u", {U"/home/u/.local/share/tecris2nx/PATDAT", system}},
      {nullptr, "", {system}},
      {"relative", "home", {system}},
      {nullptr, nullptr, {system}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(DataPatternFolders(r.xdgDataHome, r.home), r.expected)
        << (r.xdgDataHome ? r.xdgDataHome : "(unset)") << " " << (r.home ? r.home : "(unset)");
  }
}

TEST(PatternFolderTest, WalkFindsTheFirstMatchDepthFirst) {
  struct Row {
    std::map<std::string, std::string> files;  // relative path -> content
    const char* expected;
  };
  const Row rows[] = {
      {{{"PATDAT/kishitu.txt", "x"}, {"a/PATDAT/kishitu.txt", "x"}}, "PATDAT"},
      {{{"a/b/c/PATDAT/kishitu.txt", "x"}}, "a/b/c/PATDAT"},
      {{{"PATDAT/PATDAT/kishitu.txt", "x"}}, "PATDAT/PATDAT"},
      {{{"a/PATDAT/kishitu.txt", "x"}, {"a/b/PATDAT/kishitu.txt", "x"}}, "a/PATDAT"},
      // An empty marker does not count, even beside a non-empty file listed before it.
      {{{"a/PATDAT/kishitu.txt", ""}, {"a/PATDAT/first.txt", "x"}, {"a/b/PATDAT/kishitu.txt", "x"}},
       "a/b/PATDAT"},
      {{{"a/b/other.txt", "x"}}, ""},
  };
  for (const Row& r : rows) {
    TempDir dir;
    RealFileSystem fs;
    for (const auto& [path, content] : r.files) dir.Write(path, content);
    PatternWalk walk;
    const Text expected = *r.expected ? Under(dir, r.expected) + kSeparator : Text();
    EXPECT_EQ(SearchPatternFolders(fs, dir.text(), walk), expected) << r.expected;
  }
}

TEST(PatternFolderTest, WalkYieldsAtEveryFolderAndObeysTheFilter) {
  TempDir dir;
  RealFileSystem fs;
  dir.Write("a/x/file", "");
  dir.Write("skip/PATDAT/kishitu.txt", "x");
  dir.Write("skip/deep/PATDAT/kishitu.txt", "x");
  int yields = 0;
  std::set<Text> asked;
  PatternWalk walk;
  walk.yieldToEvents = [&yields](const Text&) { ++yields; };
  walk.mayEnter = [&](const Text& folder) {
    asked.insert(folder);
    return folder != dir.TextOf("skip");
  };
  EXPECT_EQ(SearchPatternFolders(fs, dir.text(), walk), U"");
  EXPECT_EQ(yields, 3);  // root, a, a/x
  EXPECT_EQ(asked.count(Under(dir, "skip/deep")), 0u);
  EXPECT_EQ(asked.count(Under(dir, "a/PATDAT")), 1u);
}

#ifndef _WIN32
TEST(PatternFolderTest, LocalFilterRefusesLinksAndSystemFolders) {
  TempDir dir;
  dir.Write("real/PATDAT/kishitu.txt", "x");
  dir.Write("plain.txt", "x");
  std::filesystem::create_directory_symlink(dir.path() / "real", dir.path() / "link");
  std::filesystem::create_directory_symlink(dir.path() / "real/PATDAT", dir.path() / "PATDAT");
  const auto filter = LocalFolderFilter();
  struct Row {
    Text folder;
    bool local;
  };
  const Row rows[] = {
      {dir.text(), true},
      {dir.TextOf("real"), true},
      {dir.TextOf("link"), false},
      {dir.TextOf("PATDAT"), false},
      {dir.TextOf("plain.txt"), false},
      {dir.TextOf("none"), false},
      {U"/proc", false},
      {U"/sys", false},
      {U"/dev", false},
      {U"/", true},
  };
  for (const Row& r : rows) EXPECT_EQ(filter(r.folder), r.local) << ToUtf8(r.folder);

  // The walk neither tests the linked PATDAT nor descends into the link.
  RealFileSystem fs;
  PatternWalk walk;
  walk.mayEnter = filter;
  EXPECT_EQ(SearchPatternFolders(fs, dir.text(), walk), dir.TextOf("real/PATDAT") + kSeparator);
}
#endif

#ifdef _WIN32
TEST(PatternFolderTest, HostLookupReadsTheVariablesWide) {
  struct Row {
    const wchar_t* name;
    const wchar_t* value;  // nullptr: unset
  };
  const Row rows[] = {{L"TECRIS2NX_PATDAT", L"C:\\型\\PATDAT"},
                      {L"LOCALAPPDATA", L"C:\\Users\\利用者\\AppData\\Local"},
                      {L"ProgramData", nullptr}};
  std::vector<std::pair<const wchar_t*, std::wstring>> saved;
  for (const Row& r : rows) {
    wchar_t old[4096];
    const DWORD n = GetEnvironmentVariableW(r.name, old, 4096);
    saved.emplace_back(r.name, n > 0 && n < 4096 ? std::wstring(old, n) : std::wstring());
    SetEnvironmentVariableW(r.name, r.value);
  }
  const PatternLookupEnv env = HostPatternLookupEnv(nullptr);
  for (const auto& [name, value] : saved) {
    SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
  }
  EXPECT_EQ(env.overrideFolder, U"C:\\型\\PATDAT");
  EXPECT_EQ(env.dataFolders,
            std::vector<Text>{U"C:\\Users\\利用者\\AppData\\Local\\tecris2nx\\PATDAT"});
}

TEST(PatternFolderTest, DriveWalkLeavesTheCurrentFolderAsItWas) {
  TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  RealFileSystem fs;
  PatternLookupEnv env;
  // The program's drive is walked first; another drive than the current folder's.
  env.programFolder = dir.path().root_name().u32string() == U"Z:" ? U"C:\\x" : U"Z:\\x";
  struct Stop {};
  int folders = 0;
  // Stopped inside the walk, after the drive has been made current.
  env.yieldToEvents = [&folders](const Text&) {
    if (++folders == 2) throw Stop();
  };
  EXPECT_THROW(LocatePatternFolder(fs, env), Stop);
  const std::filesystem::path after = std::filesystem::current_path();
  std::filesystem::current_path(before);
  EXPECT_EQ(after, dir.path());
}
#endif

/// Drives and folders held in memory, with drive-letter paths.
class DriveFileSystem : public FileSystem {
 public:
  std::set<char32_t> drives;
  std::map<Text, std::vector<Text>> folders;  // folder -> sub-folder names in listing order
  std::map<Text, std::int64_t> sizes;
  std::vector<char32_t> tried;

  EntryKind KindOf(const Text&) const override { return EntryKind::kNone; }
  void MakeFolder(const Text&) override { throw ConversionError(U"unused"); }
  std::string ReadAll(const Text&) const override { throw ConversionError(U"unused"); }
  void WriteAll(const Text&, std::string_view) override { throw ConversionError(U"unused"); }
  std::int64_t FileSize(const Text& path) const override {
    const auto it = sizes.find(path);
    return it == sizes.end() ? 0 : it->second;
  }
  std::vector<Text> ListFiles(const Text&) const override { return {}; }
  std::vector<Text> ListFolders(const Text& folder) const override {
    const auto it = folders.find(folder);
    return it == folders.end() ? std::vector<Text>{} : it->second;
  }
  bool MakeDriveCurrent(char32_t letter) override {
    tried.push_back(letter);
    return drives.count(letter) != 0;
  }
};

TEST(PatternFolderTest, DriveWalk) {
  struct Row {
    const char* name;
    Text programFolder;
    std::set<char32_t> drives;
    std::vector<Text> markers;  // non-empty kishitu.txt files
    Text expected;
    std::size_t drivesTried;
  };
  const Row rows[] = {
      {"program drive first",
       U"D:\\prog",
       {U'C', U'D'},
       {U"C:\\PATDAT\\kishitu.txt", U"D:\\x\\PATDAT\\kishitu.txt"},
       U"D:\\x\\PATDAT\\",
       1},
      {"then A to Z",
       U"D:\\prog",
       {U'C', U'D', U'E'},
       {U"E:\\PATDAT\\kishitu.txt", U"C:\\x\\PATDAT\\kishitu.txt"},
       U"C:\\x\\PATDAT\\",
       4},
      {"unusable drives skipped", U"D:\\prog", {U'D'}, {U"C:\\PATDAT\\kishitu.txt"}, U"", 27},
      {"root before deeper",
       U"C:\\prog",
       {U'C'},
       {U"C:\\x\\PATDAT\\kishitu.txt", U"C:\\PATDAT\\kishitu.txt"},
       U"C:\\PATDAT\\",
       1},
      {"no program folder", U"", {U'C'}, {U"C:\\PATDAT\\kishitu.txt"}, U"C:\\PATDAT\\", 3},
  };
  for (const Row& r : rows) {
    DriveFileSystem fs;
    fs.drives = r.drives;
    for (char32_t d : r.drives) fs.folders[Text(1, d) + U":\\"] = {U"prog", U"x"};
    for (const Text& marker : r.markers) fs.sizes[marker] = 10;
    PatternWalk walk;
    walk.separator = U'\\';
    EXPECT_EQ(SearchDrives(fs, r.programFolder, walk), r.expected) << r.name;
    EXPECT_EQ(fs.tried.size(), r.drivesTried) << r.name;
  }
}

}  // namespace
}  // namespace tecris2nx
