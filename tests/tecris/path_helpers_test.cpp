#include "tecris/path_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cp932.h"
#include "common/error.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

using testing::MemoryFileSystem;
using testing::TempDir;

TEST(CountSeparatorsTest, CountsEveryCharacterOfTheSet) {
  struct Row {
    Text text, separators;
    int count;
  };
  const Row rows[] = {
      {U"C:\\DATA\\JOB\\", U"\\", 3},
      {U"C:\\A/B\\C", U"\\/", 3},  // both kinds count
      {U"/data/job", U"\\", 0},
      {U"", U"\\", 0},
      {U"C:\\A", U"", 0},
      {U"表\\示", U"\\", 1},  // 表 ends in byte 5C in CP932 but is one character
      {Text(40000, U'\\'), U"\\", 32767},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CountSeparators(r.text, r.separators), r.count) << ToUtf8(r.text.substr(0, 40));
  }
}

TEST(SplitPathTest, GivesOneEntryMoreThanSeparators) {
  struct Row {
    Text text, separators;
    std::vector<Text> parts;
  };
  const Row rows[] = {
      {U"C:\\A\\B\\", U"\\", {U"C:", U"A", U"B", U""}},
      {U"C:\\", U"\\", {U"C:", U""}},
      {U"C:\\DATA", U"\\", {U"C:", U"DATA"}},
      {U"", U"\\", {U""}},
      {U"\\A", U"\\", {U"", U"A"}},
      {U"A\\\\B", U"\\", {U"A", U"", U"B"}},
      {U"A\\B/C", U"\\/", {U"A", U"B", U"C"}},
      {U"/data/job", U"/", {U"", U"data", U"job"}},
      {U"表\\示", U"\\", {U"表", U"示"}},
  };
  for (const Row& r : rows) EXPECT_EQ(SplitPath(r.text, r.separators), r.parts) << ToUtf8(r.text);
}

TEST(SplitPathTest, HasNoFixedLimit) {
  Text text;
  for (int i = 0; i < 300; ++i) text += U"a\\";
  const std::vector<Text> parts = SplitPath(text, U"\\");
  ASSERT_EQ(parts.size(), 301u);
  EXPECT_EQ(parts[299], U"a");
  EXPECT_EQ(parts[300], U"");
}

TEST(IsSafeJobNameTest, RejectsNamesThatLeaveOrBreakTheFolder) {
  struct Row {
    Text name;
    bool windows, posix;
  };
  const Row rows[] = {
      {U"12345678001", true, true},
      {U"１２３４５６７８００１", true, true},
      {U"12345678　01", true, true},  // the full-width space is an ordinary character
      {U".1234567800", true, true},
      {U"../../etc/x", false, false},
      {U"..\\..\\win\\", false, false},
      {U"1234\t678001", false, false},
      {U"1234\x1F"
       U"678001",
       false, false},
      {U"1234\x7F"
       U"678001",
       false, false},
      {Text(U"1234\0"
            U"678001",
            11),
       false, false},
      {U"...........", false, false},
      {U" . . . . . ", false, false},
      {U"           ", false, false},
      {U"", false, false},
      {U"1234567800.", false, true},  // Windows would drop the dot and name another folder
      {U"1234567800 ", false, true},
      {U"CON", false, true},
      {U"con.1234567", false, true},
      {U"Lpt9.txt", false, true},
      {U"COM1", false, true},
      {U"NUL.a.b", false, true},
      {U"aux", false, true},
      {U"PRN.TXT", false, true},
      {U"CON .TXT", false, true},
      {U"COM0", true, true},
      {U"COM10", true, true},
      {U"CONSOLE.TXT", true, true},
      {U"ＣＯＮ", true, true},
      {U"XCON.TXT", true, true},
      {U"1234567800" + Text(1, kRawByteBase + 0x80), false, false},  // not a CP932 character
  };
  for (const Row& r : rows) {
    EXPECT_EQ(IsSafeJobName(r.name, PathStyle::kWindows), r.windows) << ToUtf8(r.name);
    EXPECT_EQ(IsSafeJobName(r.name, PathStyle::kPosix), r.posix) << ToUtf8(r.name);
  }
  for (const char32_t c : TextView(U"\\/:*?\"<>|")) {
    const Text name = U"12345" + Text(1, c) + U"78001";
    EXPECT_FALSE(IsSafeJobName(name, PathStyle::kWindows)) << ToUtf8(name);
    EXPECT_FALSE(IsSafeJobName(name, PathStyle::kPosix)) << ToUtf8(name);
  }
}

std::string Cp932(const Text& text) { return EncodeCp932(text); }

TEST(ReadJobNameTest, TakesAnElevenCharacterSecondField) {
  struct Row {
    const char* name;
    std::string bytes;
    Text windows, posix;
  };
  const std::string longQuoted = "\"" + std::string(70000, ',') + "\",12345678001,x\r\n";
  const std::string straddling = std::string(65530, 'x') + ",12345678001,x\r\n";
  const std::string longTail = "A,12345678001\r\n" + std::string(100000, ',');
  const Row rows[] = {
      {"one line", "A,12345678001,x\r\n", U"12345678001", U"12345678001"},
      {"two lines", "A\r\n12345678001\r\nB\r\n", U"12345678001", U"12345678001"},
      {"lone LF, no final line end", "A\n12345678001", U"12345678001", U"12345678001"},
      {"blanks around", "A,  12345678001  ,x", U"12345678001", U"12345678001"},
      {"quoted", "A,\"12345678001\"\r\n", U"12345678001", U"12345678001"},
      {"quoted, trailing blank", "A,\"1234567800 \"", U"", U"1234567800 "},
      {"full-width", Cp932(U"Ａ,１２３４５６７８００１\r\n"), U"１２３４５６７８００１",
       U"１２３４５６７８００１"},
      {"10 characters", "A,1234567800\r\n", U"", U""},
      {"12 characters", "A,123456780012\r\n", U"", U""},
      {"climbs out", "A,../../etc/x\r\n", U"", U""},
      {"dots only", "A,...........\r\n", U"", U""},
      {"control character", "A,\"12345\n78001\"", U"", U""},
      {"device name", "A,CON.1234567", U"", U"CON.1234567"},
      {"empty file", "", U"", U""},
      {"end-of-file mark only", "\x1A", U"", U""},
      {"one field", "A\r\n", U"", U""},
      {"identifier first", "12345678001\r\n", U"", U""},
      {"trailing comma", "A,", U"", U""},
      {"first field past 64 KiB", longQuoted, U"12345678001", U"12345678001"},
      {"second field across 64 KiB", straddling, U"12345678001", U"12345678001"},
      {"long file", longTail, U"12345678001", U"12345678001"},
  };
  TempDir tmp;
  RealFileSystem fs;
  for (const Row& r : rows) {
    tmp.Write("f.001", r.bytes);
    for (const PathStyle style : {PathStyle::kWindows, PathStyle::kPosix}) {
      IdentifiedFile read = ReadJobName(fs.OpenForReading(tmp.TextOf("f.001")), style);
      EXPECT_EQ(read.jobName, style == PathStyle::kWindows ? r.windows : r.posix) << r.name;
      // The conversion reads the file again from here: every byte, once, in order.
      std::string again;
      while (read.content->ReadMore(again, 1000)) {
      }
      EXPECT_EQ(again, r.bytes) << r.name;
    }
    // In pieces large enough for all that was read at once, into a buffer empty or not.
    for (const std::string& before : {std::string(), std::string("held")}) {
      IdentifiedFile read = ReadJobName(fs.OpenForReading(tmp.TextOf("f.001")), PathStyle::kPosix);
      std::string again = before;
      while (read.content->ReadMore(again, std::size_t{1} << 20)) {
      }
      EXPECT_EQ(again, before + r.bytes) << r.name;
    }
  }
}

TEST(ReadJobNameTest, AFailingReadIsPassedOnNotTakenForAShortFile) {
  // Hands out the first field, then fails.
  class FailingSource : public ByteSource {
   public:
    bool ReadMore(std::string& into, std::size_t) override {
      if (calls_++ == 0) {
        into += "A,123";
        return true;
      }
      throw ConversionError(U"ファイルを読めません: /in/f.001（読み込みエラー）");
    }

   private:
    int calls_ = 0;
  };
  try {
    ReadJobName(std::make_unique<FailingSource>(), PathStyle::kPosix);
    ADD_FAILURE() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.message(), U"ファイルを読めません: /in/f.001（読み込みエラー）");
  }
}

TEST(EnsureJobFolderTest, MakesTheFolderOnlyWhenNothingIsThere) {
  TempDir tmp;
  RealFileSystem fs;
  tmp.Write("out/12345678002/X1.txt", "kept");
  tmp.Write("out/12345678003", "a file");

  EnsureJobFolder(fs, tmp.TextOf("out"), U"12345678001", U'/');
  EXPECT_EQ(fs.KindOf(tmp.TextOf("out/12345678001")), EntryKind::kFolder);

  EnsureJobFolder(fs, tmp.TextOf("out"), U"12345678002", U'/');  // reused, contents kept
  EXPECT_EQ(tmp.Read("out/12345678002/X1.txt"), "kept");

  EnsureJobFolder(fs, tmp.TextOf("out"), U"12345678003", U'/');  // left for the run to refuse
  EXPECT_EQ(fs.KindOf(tmp.TextOf("out/12345678003")), EntryKind::kFile);

  EnsureJobFolder(fs, tmp.TextOf("out"), U"ジョブ", U'/');
  EXPECT_TRUE(tmp.Exists("out/ジョブ"));  // Japanese names become UTF-8 folder names
}

}  // namespace
}  // namespace tecris2nx
