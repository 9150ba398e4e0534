#include "tecris/path_check.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "common/cp932.h"

namespace tecris2nx {
namespace {

/// Drives C and D exist; records what the check asked for and what it showed.
struct FakeHost {
  std::set<char32_t> drives = {U'C', U'D'};
  std::vector<char32_t> probed;
  char32_t current = U'D';
  std::vector<Text> boxes;  ///< information boxes shown

  PathCheckEnv Env(PathStyle style) {
    PathCheckEnv env;
    env.style = style;
    env.makeDriveCurrent = [this](char32_t letter) {
      probed.push_back(letter);
      if (drives.count(letter) == 0) return false;
      current = letter;
      return true;
    };
    env.showInformation = [this](const Text& text) { boxes.push_back(text); };
    return env;
  }
};

constexpr int kNameBox = 2;

struct CheckRow {
  Text input;
  bool accepted;
  Text after;       // the text as the check leaves it, accepted or not
  int box;          // the box shown: 0 none, 1 (true) the drive-name box, kNameBox a name's
  char32_t probed;  // the drive asked for, 0 when none was
};

void RunRows(PathStyle style, const std::vector<CheckRow>& rows) {
  for (const CheckRow& r : rows) {
    FakeHost host;
    Text path = r.input;
    const std::string name = ToUtf8(r.input);
    EXPECT_EQ(CheckPath(path, host.Env(style)), r.accepted) << name;
    EXPECT_EQ(path, r.after) << name;
    ASSERT_EQ(host.boxes.size(), r.box != 0 ? 1u : 0u) << name;
    if (r.box != 0) {
      EXPECT_EQ(host.boxes[0] == kDriveNameMessage, r.box == 1) << name;
      if (r.box == kNameBox) {
        EXPECT_EQ(host.boxes[0], WindowsNameProblem(path, PathStyle::kWindows));
      }
    }
    EXPECT_EQ(host.probed, r.probed ? std::vector<char32_t>{r.probed} : std::vector<char32_t>{})
        << name;
  }
}

TEST(CheckPathTest, WindowsDrivesAndNormalForm) {
  RunRows(PathStyle::kWindows,
          {
              {U"", false, U"", true, 0},
              {U"   ", false, U"", true, 0},
              {U"DATA", false, U"DATA", true, 0},
              {U"ＣＤ", false, U"ＣＤ", true, 0},            // second byte is half of Ｃ
              {U"Ｃ:\\DATA", false, U"Ｃ:\\DATA", true, 0},  // a double-byte drive letter
              {U"C", false, U"C", true, 0},
              {U"\\DATA", false, U"\\DATA", true, 0},
              {U"C:", true, U"C:\\", false, U'C'},
              {U"  C:  ", true, U"C:\\", false, U'C'},
              {U"C:\\", true, U"C:\\", false, U'C'},
              {U"C:DATA", true, U"C:\\DATA\\", false, U'C'},
              {U"C:\\DATA", true, U"C:\\DATA\\", false, U'C'},
              {U"D:\\DATA\\JOB\\", true, U"D:\\DATA\\JOB\\", false, U'D'},
              {U"C:\\MY DATA", false, U"C:\\MY DATA", false, 0},
              {U"C:\\DATA\\*.*", false, U"C:\\DATA\\*.*", false, 0},
              {U"C:\\DAT?", false, U"C:\\DAT?", false, 0},
              {U"C:\\MY　DATA", true, U"C:\\MY　DATA\\", false, U'C'},  // full-width space
              {U"C:\\DATA\\\\SUB", false, U"C:\\DATA\\\\SUB\\", false, U'C'},
              {U"C:\\\\", false, U"C:\\\\", false, U'C'},
              {U"C:\\DATA\\\\", false, U"C:\\DATA\\\\", false, U'C'},
              {U"Q:\\DATA", false, U"Q:\\DATA", false, U'Q'},
              {U"Q:DATA", false, U"Q:\\DATA", false, U'Q'},    // rewritten before the probe
              {U"ｱ:\\DATA", false, U"ｱ:\\DATA", false, U'ｱ'},  // single-byte, so it is probed
          });
}

TEST(CheckPathTest, WindowsComponentRules) {
  RunRows(
      PathStyle::kWindows,
      {
          {U"C:\\LONGFOLDERNAME", true, U"C:\\LONGFOLDERNAME\\", false, U'C'},
          {U"C:\\ABCDEFGH.TXT", true, U"C:\\ABCDEFGH.TXT\\", false, U'C'},
          {U"C:\\ABCDEFGHI.TX", false, U"C:\\ABCDEFGHI.TX\\", false, U'C'},
          {U"C:\\DATA.1234", false, U"C:\\DATA.1234\\", false, U'C'},
          {U"C:\\DATA.123", true, U"C:\\DATA.123\\", false, U'C'},
          {U"C:\\A.B.C", false, U"C:\\A.B.C\\", false, U'C'},
          {U"C:\\..", false, U"C:\\..\\", false, U'C'},
          {U"C:\\ＡＢＣＤ.TXT", false, U"C:\\ＡＢＣＤ.TXT\\", false, U'C'},
          {U"C:\\ＡＢＣＤTXT", true, U"C:\\ＡＢＣＤTXT\\", false, U'C'},
          {U"C:\\ＡＢ.TXT", false, U"C:\\ＡＢ.TXT\\", false, U'C'},  // 8 bytes, dot at 3
          {U"C:\\Ａ.T", true, U"C:\\Ａ.T\\", false, U'C'},
          {U"C:\\A.ＴＸ", false, U"C:\\A.ＴＸ\\", false, U'C'},  // 6 bytes from a dot at 2
          {U"C:\\DATA\\ABCDEFGHI.TX\\SUB", false, U"C:\\DATA\\ABCDEFGHI.TX\\SUB\\", false, U'C'},
          {U"C:ABCDEFGHI.TX", false, U"C:\\ABCDEFGHI.TX\\", false, U'C'},
          // Names Windows would change or refuse: the box says which and why.
          {U"C:\\TDOT.", false, U"C:\\TDOT.\\", kNameBox, U'C'},
          {U"C:\\DEV\\CON\\X", false, U"C:\\DEV\\CON\\X\\", kNameBox, U'C'},
          {U"C:\\nul.txt", false, U"C:\\nul.txt\\", kNameBox, U'C'},
          {U"C:\\COM9", false, U"C:\\COM9\\", kNameBox, U'C'},
          {U"C:\\COM0", true, U"C:\\COM0\\", false, U'C'},
          {U"C:\\CONSOLE", true, U"C:\\CONSOLE\\", false, U'C'},
          {U"C:\\A<B", false, U"C:\\A<B\\", kNameBox, U'C'},
          {U"C:\\A|B\\C", false, U"C:\\A|B\\C\\", kNameBox, U'C'},
          {U"C:\\A:B", false, U"C:\\A:B\\", kNameBox, U'C'},
      });
}

// The names Windows would store under another name or refuse, for any folder text (the command
// line's destination may be relative or start with \\?\).
TEST(WindowsNameProblemTest, NamesTheComponentAndTheReason) {
  const Text trailing = U"末尾のピリオドや空白は Windows が取り除きます";
  const std::pair<Text, Text> rows[] = {
      {U"C:\\tspace ", U"\"tspace \" は使えません（" + trailing + U"）"},
      {U"C:\\dots...\\x", U"\"dots...\" は使えません（" + trailing + U"）"},
      {U"C:\\mid. \\sub", U"\"mid. \" は使えません（" + trailing + U"）"},
      {U"C:\\tdot.", U"\"tdot.\" は使えません（" + trailing + U"）"},
      {U"C:\\dev\\CON\\x", U"\"CON\" は使えません（CON は Windows の装置名です）"},
      {U"out/con .txt", U"\"con .txt\" は使えません（CON は Windows の装置名です）"},
      {U"lpt3", U"\"lpt3\" は使えません（LPT3 は Windows の装置名です）"},
      {U"C:\\x\\Com\u00B9", U"\"Com\u00B9\" は使えません（COM\u00B9 は Windows の装置名です）"},
      {U"C:\\CONOUT$", U"\"CONOUT$\" は使えません（CONOUT$ は Windows の装置名です）"},
      {U"C:\\a<b", U"\"a<b\" は使えません（文字 \"<\" は Windows の名前に使えません）"},
      {U"C:\\a|b", U"\"a|b\" は使えません（文字 \"|\" は Windows の名前に使えません）"},
      {U"C:\\a\"b", U"\"a\"b\" は使えません（文字 \"\"\" は Windows の名前に使えません）"},
      {U"x\\a:b", U"\"a:b\" は使えません（文字 \":\" は Windows の名前に使えません）"},
      {U"\\\\?\\C:\\x\\NUL", U"\"NUL\" は使えません（NUL は Windows の装置名です）"},
      {U"\\\\?\\C:\\a/b", U"\"a/b\" は使えません（文字 \"/\" は Windows の名前に使えません）"},
      {U"\\\\server\\share\\aux", U"\"aux\" は使えません（AUX は Windows の装置名です）"},
      // Accepted: roots, navigation, names Windows keeps as they are.
      {U"C:\\", U""},
      {U"C:", U""},
      {U"C:\\Nx\\変換結果", U""},
      {U"C:\\a.b\\.\\..\\x", U""},
      {U"C:\\data\\", U""},
      {U"C:/data/", U""},
      {U"\\\\?\\C:\\x", U""},
      {U"\\\\?\\UNC\\server\\share\\x", U""},
      {U"\\\\server\\share", U""},
      {U"C:\\CONSOLE\\COM10\\LPT\\NULL.txt", U""},
      {U".", U""},
  };
  for (const auto& [path, message] : rows) {
    const Text expected = message.empty() ? Text() : U"フォルダ名 " + message;
    EXPECT_EQ(WindowsNameProblem(path, PathStyle::kWindows), expected) << ToUtf8(path);
    EXPECT_EQ(WindowsNameProblem(path, PathStyle::kPosix), U"") << ToUtf8(path);
  }
  // How the name itself is shown is the message's business; the reason is this check's.
  EXPECT_NE(WindowsNameProblem(U"C:\\a\tb", PathStyle::kWindows)
                .find(U"（制御文字 \\x09 は Windows の名前に使えません）"),
            Text::npos);
}

TEST(WindowsNameProblemTest, RootLength) {
  const std::tuple<Text, PathStyle, std::size_t> rows[] = {
      {U"C:\\data", PathStyle::kWindows, 3},
      {U"C:", PathStyle::kWindows, 2},
      {U"C:data", PathStyle::kWindows, 2},
      {U"\\data", PathStyle::kWindows, 1},
      {U"data\\x", PathStyle::kWindows, 0},
      {U"\\\\?\\C:\\x", PathStyle::kWindows, 7},
      {U"\\\\?\\C:", PathStyle::kWindows, 6},
      {U"\\\\?\\UNC\\srv\\share\\x", PathStyle::kWindows, 18},
      {U"\\\\?\\Volume{1}\\x", PathStyle::kWindows, 14},
      {U"\\\\srv\\share\\x", PathStyle::kWindows, 12},
      {U"\\\\srv\\share", PathStyle::kWindows, 11},
      {U"/data", PathStyle::kPosix, 1},
      {U"data", PathStyle::kPosix, 0},
      {U"C:\\data", PathStyle::kPosix, 0},
  };
  for (const auto& [path, style, length] : rows) {
    EXPECT_EQ(RootLength(path, style), length) << ToUtf8(path);
  }
}

TEST(CheckPathTest, PosixStandIn) {
  RunRows(PathStyle::kPosix, {
                                 {U"", false, U"", true, 0},
                                 {U"data/x", false, U"data/x", true, 0},
                                 {U"./data", false, U"./data", true, 0},
                                 {U"C:\\DATA", false, U"C:\\DATA", true, 0},
                                 {U"/", true, U"/", false, 0},
                                 {U"  /  ", true, U"/", false, 0},
                                 {U"/data", true, U"/data/", false, 0},
                                 {U"/data/job/", true, U"/data/job/", false, 0},
                                 {U"/my data", false, U"/my data", false, 0},
                                 {U"/data/*.*", false, U"/data/*.*", false, 0},
                                 {U"/a?b", false, U"/a?b", false, 0},
                                 {U"//data", false, U"//data/", false, 0},
                                 {U"/data//sub", false, U"/data//sub/", false, 0},
                                 {U"/tmp/longfoldername", true, U"/tmp/longfoldername/", false, 0},
                                 {U"/ABCDEFGH.TXT", true, U"/ABCDEFGH.TXT/", false, 0},
                                 {U"/ABCDEFGHI.TX", false, U"/ABCDEFGHI.TX/", false, 0},
                                 {U"/data.1234", false, U"/data.1234/", false, 0},
                                 {U"/a.b.c", false, U"/a.b.c/", false, 0},
                                 {U"/data/../etc", false, U"/data/../etc/", false, 0},
                                 {U"/ＡＢＣＤ.TXT", false, U"/ＡＢＣＤ.TXT/", false, 0},
                                 {U"/ＡＢＣＤTXT", true, U"/ＡＢＣＤTXT/", false, 0},
                             });
}

TEST(CheckPathTest, FailedDriveLeavesCurrentDriveAlone) {
  FakeHost host;
  Text path = U"Q:\\DATA";
  EXPECT_FALSE(CheckPath(path, host.Env(PathStyle::kWindows)));
  EXPECT_EQ(host.current, U'D');
  path = U"C:\\DATA";
  EXPECT_TRUE(CheckPath(path, host.Env(PathStyle::kWindows)));
  EXPECT_EQ(host.current, U'C');  // a successful check leaves its drive current
}

TEST(CheckPathTest, ProbeThatThrowsOrIsMissingRejects) {
  PathCheckEnv env;
  env.style = PathStyle::kWindows;
  Text path = U"C:\\DATA";
  EXPECT_FALSE(CheckPath(path, env));
  env.makeDriveCurrent = [](char32_t) -> bool { throw std::runtime_error("not ready"); };
  path = U"C:\\DATA";
  EXPECT_FALSE(CheckPath(path, env));
}

TEST(AnsiTextTest, ByteLengthCountsCp932Bytes) {
  struct Row {
    Text text;
    int bytes;
  };
  const Row rows[] = {
      {U"", 0},
      {U"ABC", 3},
      {U"ＡＢ", 4},
      {U"ｱｲ", 2},  // half-width katakana are single bytes
      {U"表示", 4},
      {U"C:\\ＤＡＴＡ", 11},
      {U"\U0001F600", 1},  // no CP932 form: one "?"
      {Text(40000, U'A'), 32767},
      {Text(20000, U'あ'), 32767},  // saturates rather than wrapping negative
  };
  for (const Row& r : rows) EXPECT_EQ(AnsiByteLength(r.text), r.bytes) << ToUtf8(r.text);
}

TEST(AnsiTextTest, MidCutsBytes) {
  struct Row {
    Text text;
    int start, length;
    Text expected;
  };
  const Row rows[] = {
      {U"C:\\DATA", 2, 1, U":"},
      {U"ＣＤ", 2, 1, U"b"},                        // the trail byte of Ｃ (82 62)
      {U"ア", 2, 1, U"A"},                          // the trail byte of ア (83 41)
      {U"ア", 1, 1, Text(1, kRawByteBase + 0x83)},  // a lone lead byte is carried as a raw byte
      {U"あいう", 3, 2, U"い"},
      {U"ABC", 2, 5, U"BC"},  // fewer when the bytes run out
      {U"ABC", 4, 1, U""},
      {U"ABC", 0, 1, U""},
      {U"ABC", 1, 0, U""},
      {U"ABC", 1, -1, U""},
      {U"", 1, 1, U""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(AnsiMid(r.text, r.start, r.length), r.expected)
        << ToUtf8(r.text) << " " << r.start << " " << r.length;
  }
}

}  // namespace
}  // namespace tecris2nx
