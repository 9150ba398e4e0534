#include "app/cli/file_arguments.h"

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/error.h"
#include "support/memory_file_system.h"

namespace tecris2nx {
namespace {

TEST(FileArgumentsTest, WildcardsMatchAsWindowsProgramsDo) {
  struct Row {
    Text pattern, name;
    bool ignoreCase, matches;
  };
  const Row rows[] = {
      {U"*.001", U"20000017.001", true, true},
      {U"*.001", U"20000017.0011", true, false},
      {U"2000????.*", U"20000017.001", true, true},
      {U"2000????.*", U"2000017.001", true, false},
      {U"*.TXT", U"a.txt", true, true},
      {U"*.TXT", U"a.txt", false, false},
      {U"*", U"", true, true},
      {U"a*b*c", U"aXbYbZc", true, true},
      {U"a*b*c", U"aXbYbZ", true, false},
      {U"砂*", U"砂礫.001", true, true},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(MatchesWildcard(r.pattern, r.name, r.ignoreCase), r.matches)
        << ToUtf8(r.pattern) << " " << ToUtf8(r.name);
  }
}

// A TECRIS file: its second field is the identifier its name carries.
std::string Tecris(const char* id) { return std::string("A,") + id + ",\r\n"; }

TEST(FileArgumentsTest, ListsFoldersAndWildcardsStandForTheirFiles) {
  testing::MemoryFileSystem fs;
  fs.AddFile(U"/d/20000017.001", Tecris("20000017001"));
  fs.AddFile(U"/d/20000017.002", Tecris("20000017002"));
  fs.AddFile(U"/d/20003001.001", "A,2000");  // no readable identifier: not listed
  fs.AddFile(U"/d/notes.txt", "x");
  fs.AddFile(U"/lists/utf8.txt", "\xEF\xBB\xBF/d/20000017.001\r\n\r\n/d/砂.001\n");
  fs.AddFile(U"/lists/cp932.txt", "/d/\x8d\xbb.001\r\n@/lists/utf8.txt\r\n");
  fs.AddFile(U"/lists/folder.txt", "/d\n/d/*.002\n");
  struct Row {
    const char* what;
    std::vector<Text> arguments;
    bool wildcards;
    std::vector<Text> expected;
    bool folders = false;  ///< lists a folder
  };
  const Row rows[] = {
      {"names as they are",
       {U"/d/20000017.002", U"/missing.001"},
       true,
       {U"/d/20000017.002", U"/missing.001"}},
      {"a folder: its TECRIS files",
       {U"/d"},
       false,
       {U"/d/20000017.001", U"/d/20000017.002"},
       true},
      {"wildcards on",
       {U"/d/*.00?"},
       true,
       {U"/d/20000017.001", U"/d/20000017.002", U"/d/20003001.001"}},
      {"wildcards off: the name as it is", {U"/d/*.001"}, false, {U"/d/*.001"}},
      {"a wildcard that matches nothing stays", {U"/d/*.009"}, true, {U"/d/*.009"}},
      {"a UTF-8 list with a mark and a blank line",
       {U"@/lists/utf8.txt"},
       false,
       {U"/d/20000017.001", U"/d/砂.001"}},
      {"a CP932 list; a list inside a list is a name",
       {U"@/lists/cp932.txt"},
       false,
       {U"/d/砂.001", U"@/lists/utf8.txt"}},
      {"a list's folders and wildcards",
       {U"@/lists/folder.txt"},
       true,
       {U"/d/20000017.001", U"/d/20000017.002", U"/d/20000017.002"},
       true},
  };
  for (const Row& r : rows) {
    // A folder's files are read with the host's separator, and this file system knows "/" only:
    // on Windows the command line's test lists a real folder instead.
    if (r.folders && HostSeparator() != U'/') continue;
    FileArgumentRules rules;
    rules.style = PathStyle::kPosix;
    rules.wildcards = r.wildcards;
    EXPECT_EQ(ExpandFileArguments(fs, r.arguments, rules), r.expected) << r.what;
  }
  try {
    ExpandFileArguments(fs, {U"@/lists/none.txt"}, FileArgumentRules{PathStyle::kPosix, false});
    ADD_FAILURE() << "no error for a missing list";
  } catch (const ConversionError& e) {
    EXPECT_TRUE(e.message().starts_with(U"リストファイルを読めません: /lists/none.txt（"))
        << ToUtf8(e.message());
  }
}

}  // namespace
}  // namespace tecris2nx
