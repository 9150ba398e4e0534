#include "common/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/system_calls.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#endif

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

#ifndef _WIN32
/// The host's calls, failing on demand: the n-th write finds the disk full, the n-th rename is
/// refused, and something can be put at a temporary name just before it is created.
class FailingCalls : public SystemCalls {
 public:
  int failingWrite = 0;  ///< counted from 1; 0 for none
  int failingRename = 0;
  std::function<void(int folder, const char* name)> beforeCreate;

  int OpenAt(int folder, const char* name, int flags, unsigned mode) override {
    if (beforeCreate) {
      const auto plant = std::move(beforeCreate);
      beforeCreate = nullptr;
      plant(folder, name);
    }
    return SystemCalls::OpenAt(folder, name, flags, mode);
  }
  long Write(int file, const char* bytes, std::size_t size) override {
    if (++writes_ == failingWrite) {
      errno = ENOSPC;
      return -1;
    }
    return SystemCalls::Write(file, bytes, size);
  }
  int RenameAt(int folder, const char* from, const char* to) override {
    if (++renames_ == failingRename) {
      errno = EIO;
      return -1;
    }
    return SystemCalls::RenameAt(folder, from, to);
  }

 private:
  int writes_ = 0;
  int renames_ = 0;
};

TEST(RealFileSystemTest, AFailureAmongFilesWrittenTogetherLeavesTheOldOnesAndNoTemporary) {
  struct Row {
    int write, rename;
    std::string message;  ///< how the error ends
    int replaced;         ///< files that came out new
  };
  const Row rows[] = {
      {1, 0, "titl01.txt（ディスクの空き領域が足りません）", 0},
      {3, 0, "titl04.txt（ディスクの空き領域が足りません）", 0},
      {0, 1, "titl01.txt（入出力エラーが発生しました）", 0},
      {0, 3,
       "titl04.txt（入出力エラーが発生しました）。一緒に書き出すファイルのうち titl01.txt、"
       "titl02.txt は新しくなり、titl04.txt は元のままです",
       2},
  };
  const std::vector<std::string> names = {"titl01.txt", "titl02.txt", "titl04.txt"};
  for (const Row& r : rows) {
    TempDir tmp;
    NamedFiles files;
    for (const std::string& name : names) {
      tmp.Write(name, "old " + name);
      files.emplace_back(FromUtf8(name), "new " + name);
    }
    FailingCalls calls;
    calls.failingWrite = r.write;
    calls.failingRename = r.rename;
    RealFileSystem fs(calls);
    try {
      fs.WriteFiles(tmp.text(), files);
      ADD_FAILURE() << r.message;
    } catch (const ConversionError& e) {
      const std::string message = ToUtf8(e.message());
      EXPECT_TRUE(message.ends_with(r.message)) << message;
    }
    for (int i = 0; i < 3; ++i) {
      const std::string& name = names[static_cast<std::size_t>(i)];
      EXPECT_EQ(tmp.Read(name), (i < r.replaced ? "new " : "old ") + name) << r.message;
    }
    EXPECT_EQ(Entries(tmp), names) << r.message;
  }
}

// A set replaces nothing before its commit; after one, it goes on with the next files of the
// folder as a set of their own, and what comes after never undoes what was committed.
TEST(RealFileSystemTest, FilesWrittenInPiecesReplaceTheOldOnesOnlyWhenCommitted) {
  struct Row {
    const char* what;
    int write;   ///< the write that finds the disk full, counted from 1; 0 for none
    bool split;  ///< the first file committed alone, before the second begins
    bool commit;
    bool first, second;  ///< which files came out new
  };
  const Row rows[] = {
      {"committed", 0, false, true, true, true},
      {"dropped before its commit", 0, false, false, false, false},
      {"a piece of the second file not written", 4, false, true, false, false},
      {"committed one after the other", 0, true, true, true, true},
      {"the second dropped before its commit", 0, true, false, true, false},
      {"a piece of the second, a set of its own, not written", 4, true, true, true, false},
  };
  for (const Row& r : rows) {
    TempDir tmp;
    tmp.Write("X100.txt", "old 1");
    tmp.Write("X100A.txt", "old 2");
    FailingCalls calls;
    calls.failingWrite = r.write;
    RealFileSystem fs(calls);
    try {
      const std::unique_ptr<FileSet> set = fs.BeginFiles(tmp.text());
      set->Begin(U"X100.txt");
      set->Append("new ");
      set->Append("1");
      if (r.split) {
        set->Commit();
        EXPECT_TRUE(set->names().empty()) << r.what;
      }
      set->Begin(U"X100A.txt");
      set->Append("new ");
      set->Append("2");
      // Nothing is replaced while the files are written.
      EXPECT_EQ(tmp.Read("X100.txt"), r.split ? "new 1" : "old 1") << r.what;
      EXPECT_EQ(tmp.Read("X100A.txt"), "old 2") << r.what;
      if (r.commit) set->Commit();
      EXPECT_EQ(r.write, 0) << r.what;
    } catch (const ConversionError& e) {
      EXPECT_NE(r.write, 0) << r.what << ": " << ToUtf8(e.message());
      EXPECT_TRUE(ToUtf8(e.message()).ends_with("X100A.txt（ディスクの空き領域が足りません）"));
    }
    EXPECT_EQ(tmp.Read("X100.txt"), r.first ? "new 1" : "old 1") << r.what;
    EXPECT_EQ(tmp.Read("X100A.txt"), r.second ? "new 2" : "old 2") << r.what;
    EXPECT_EQ(Entries(tmp), (std::vector<std::string>{"X100.txt", "X100A.txt"})) << r.what;
  }
}

TEST(RealFileSystemTest, WhatIsPutAtATemporaryNameIsNeitherFollowedNorRemoved) {
  struct Row {
    const char* what;
    std::function<void(int folder, const char* name, const std::string& victim)> plant;
  };
  const Row rows[] = {
      {"a link to another file",
       [](int folder, const char* name, const std::string& victim) {
         ASSERT_EQ(::symlinkat(victim.c_str(), folder, name), 0);
       }},
      {"a dangling link",
       [](int folder, const char* name, const std::string& victim) {
         ASSERT_EQ(::symlinkat((victim + ".new").c_str(), folder, name), 0);
       }},
      {"a pipe", [](int folder, const char* name,
                    const std::string&) { ASSERT_EQ(::mkfifoat(folder, name, 0600), 0); }},
  };
  for (const Row& r : rows) {
    TempDir tmp;
    tmp.Write("job/X1.txt", "old");
    tmp.Write("victim", "SECRET");
    const std::string victim = (tmp.path() / "victim").string();
    std::string planted;
    FailingCalls calls;
    calls.beforeCreate = [&](int folder, const char* name) {
      planted = name;
      r.plant(folder, name, victim);
    };
    RealFileSystem fs(calls);
    fs.WriteAll(tmp.TextOf("job/X1.txt"), "new");
    EXPECT_EQ(tmp.Read("job/X1.txt"), "new") << r.what;
    EXPECT_EQ(tmp.Read("victim"), "SECRET") << r.what;
    EXPECT_FALSE(std::filesystem::exists(victim + ".new")) << r.what;
    EXPECT_TRUE(planted.starts_with("X1.txt.") && planted.ends_with(kTemporarySuffix)) << planted;
    // Another run's file: left where it is.
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.path() / "job" / planted) ||
                std::filesystem::is_fifo(tmp.path() / "job" / planted))
        << r.what;
  }
}

TEST(RealFileSystemTest, LinksInThePlaceOfOutputAreRefused) {
  TempDir tmp;
  RealFileSystem fs;
  tmp.Write("elsewhere/X1.txt", "SECRET");
  tmp.Write("out/job/x", "");
  tmp.Write("out/file", "");
  std::filesystem::create_directory_symlink(tmp.path() / "elsewhere", tmp.path() / "out/link");
  std::filesystem::create_symlink(tmp.path() / "elsewhere/X1.txt", tmp.path() / "out/job/X1.txt");
  struct Row {
    const char* what;
    std::function<void()> act;
    std::string problem;
  };
  const Row rows[] = {
      {"job folder made where a file is", [&] { fs.MakeFolder(tmp.TextOf("out/file")); },
       "同じ名前のファイルがあります"},
      {"files written into a linked folder",
       [&] {
         fs.WriteFiles(tmp.TextOf("out/link"), {{U"X1.txt", "new"}});
       },
       "シンボリックリンクはたどりません"},
      {"X1.txt read back through a linked folder",
       [&] { fs.ReadBack(tmp.TextOf("out/link/X1.txt")); }, "シンボリックリンクはたどりません"},
  };
  for (const Row& r : rows) {
    try {
      r.act();
      ADD_FAILURE() << r.what;
    } catch (const ConversionError& e) {
      EXPECT_NE(ToUtf8(e.message()).find(r.problem), std::string::npos)
          << r.what << ": " << ToUtf8(e.message());
    }
  }
  EXPECT_EQ(tmp.Read("elsewhere/X1.txt"), "SECRET");
  fs.MakeFolder(tmp.TextOf("out/job"));                           // a folder already there is fine
  EXPECT_EQ(fs.ReadAll(tmp.TextOf("out/job/X1.txt")), "SECRET");  // input may be a link
}

TEST(RealFileSystemTest, NamesThatAreNotUtf8KeepTheirBytes) {
  TempDir tmp;
  RealFileSystem fs;
  const std::string cp932 = "\x95\xCF\x8A\xB7";  // a folder name written in CP932
  const Text folder = tmp.text() + U"/" + FromNativeName(cp932);
  fs.MakeFolder(folder);
  fs.WriteAll(folder + U"/X5.txt", "x");
  EXPECT_EQ(tmp.Read(cp932 + "/X5.txt"), "x");
  EXPECT_EQ(fs.ListFolders(tmp.text()), std::vector<Text>{FromNativeName(cp932)});
  EXPECT_EQ(fs.ListFiles(folder), std::vector<Text>{U"X5.txt"});
  try {
    fs.ReadAll(folder + U"/missing");
    ADD_FAILURE();
  } catch (const ConversionError& e) {
    EXPECT_NE(
        ToUtf8(e.message()).find("/\\x95ϊ\\xB7/missing（ファイルまたはフォルダがありません）"),
        std::string::npos)
        << ToUtf8(e.message());
  }
}
#endif

}  // namespace
}  // namespace tecris2nx
