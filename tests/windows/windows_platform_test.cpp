// The Windows platform layer: code page 932 through the system, wide-character paths, drive
// letters, and whole conversions into folders with Japanese names.
#include "common/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "app/window/window_model.h"
#include "common/cp932.h"
#include "common/error.h"
#include "common/file_system.h"
#include "common/system_calls.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "tecris/path_check.h"
#include "tecris/tecris_files.h"
#include "window/fake_window.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::TempDir;
using testing::WindowHarness;

Text Raw(unsigned char byte) { return Text(1, kRawByteBase + byte); }

TEST(WindowsCp932Test, DecodesDoubleBytesAsTheSystemTableDoes) {
  const std::pair<std::string, Text> rows[] = {
      {"\x81\x45", U"・"},      // the system's default character, decoded as itself
      {"\x81\x5c", U"―"},       // U+2015, not the em dash
      {"\x81\x60", U"～"},      // U+FF5E, not the wave dash
      {"\x81\x7c", U"－"},      // U+FF0D, not the minus sign
      {"\x87\x90", U"≒"},       // NEC row 13 duplicate of 0x81E0
      {"\xed\x40", U"纊"},      // NEC-selected IBM extension
      {"\xfa\x40", U"ⅰ"},       // IBM extension
      {"\xf0\x40", U"\uE000"},  // user-defined area: private use
      {"\xf9\xfc", U"\uE757"},
      {"\x88\x9f\x5c", U"亜\\"},  // 0x5C after a double byte is still the backslash
  };
  for (const auto& [bytes, text] : rows) EXPECT_EQ(DecodeCp932(bytes), text) << ToUtf8(text);
}

TEST(WindowsCp932Test, UndefinedBytesAreCarriedNotReplaced) {
  const std::pair<std::string, Text> rows[] = {
      {"\x85\x40", Raw(0x85) + U"@"},  // unassigned rows: the system would give "・"
      {"\x86\x9f", Raw(0x86) + Raw(0x9f)},
      {"\xeb\x40", Raw(0xeb) + U"@"},
      {"\xef\xfc", Raw(0xef) + Raw(0xfc)},
      {"\x80", Raw(0x80)},  // single bytes the system maps to U+0080 and private characters
      {"\xa0\xfd\xfe\xff", Raw(0xa0) + Raw(0xfd) + Raw(0xfe) + Raw(0xff)},
      {"\x81\x7f", Raw(0x81) + U"\x7f"},  // 0x7F is never a trail byte
      {"a\x82", U"a" + Raw(0x82)},        // lead byte at the end
  };
  for (const auto& [bytes, text] : rows) {
    EXPECT_EQ(DecodeCp932(bytes), text) << ::testing::PrintToString(bytes);
    EXPECT_EQ(EncodeCp932(text), bytes) << ::testing::PrintToString(bytes);
  }
}

TEST(WindowsCp932Test, EncodesDuplicatesToTheSystemsChoice) {
  const std::pair<Text, std::string> rows[] = {
      {U"纊", "\xfa\x5c"}, {U"≒", "\x81\xe0"},      {U"￢", "\x81\xca"},
      {U"ⅰ", "\xfa\x40"},  {U"\uE000", "\xf0\x40"}, {U"・", "\x81\x45"},
  };
  for (const auto& [text, bytes] : rows) EXPECT_EQ(EncodeCp932(text), bytes) << ToUtf8(text);
}

TEST(WindowsCp932Test, LookAlikesAndNonCharactersAreRefused) {
  // The system would write a best-fit look-alike or a single byte for these.
  const Text rows[] = {
      U"〜",
      U"−",
      U"¥",
      U"‖",
      U"—",
      U"‾",
      U"\u0080",
      U"\u00a0",
      U"\uF8F0",
      U"\uF8F3",
      U"𠮷",
      Text(1, 0xD800),
      Text(1, 0xDC00),
      Text(1, 0xDD00),
      U"\uFFFD",
  };
  for (const Text& text : rows) {
    EXPECT_THROW(EncodeCp932(U"a" + text), ConversionError) << ToUtf8(text);
    EXPECT_EQ(EncodeCp932Lossy(U"a" + text + U"b"), "a?b") << ToUtf8(text);
  }
  try {
    EncodeCp932(U"x〜");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.message(), U"文字 U+301C は CP932 で書けません。");
  }
}

/// Restores the process's current folder (and so its drive) at scope end.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(std::filesystem::current_path()) {}
  ~CurrentFolderGuard() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }

 private:
  std::filesystem::path saved_;
};

/// A drive letter this system does not have, or 0 when all 26 are taken.
char32_t UnusedDriveLetter() {
  const DWORD drives = GetLogicalDrives();
  for (int i = 25; i >= 3; --i) {
    if ((drives & (1u << i)) == 0) return static_cast<char32_t>(U'A' + i);
  }
  return 0;
}

TEST(WindowsFileSystemTest, JapaneseNamesRoundTrip) {
  TempDir tmp;
  RealFileSystem fs;
  const Text folder = tmp.text() + U"\\変換先フォルダ　全角";
  fs.MakeFolder(folder);
  fs.MakeFolder(folder + U"\\ﾃﾞｰﾀ①");
  fs.WriteAll(folder + U"\\結果.txt", "abc\r\n");
  EXPECT_EQ(fs.KindOf(folder), EntryKind::kFolder);
  EXPECT_EQ(fs.KindOf(folder + U"\\結果.txt"), EntryKind::kFile);
  EXPECT_EQ(fs.ReadAll(folder + U"\\結果.txt"), "abc\r\n");
  EXPECT_EQ(fs.FileSize(folder + U"\\結果.txt"), 5);
  EXPECT_EQ(fs.ListFiles(folder), std::vector<Text>{U"結果.txt"});
  EXPECT_EQ(fs.ListFolders(folder), std::vector<Text>{U"ﾃﾞｰﾀ①"});
  EXPECT_EQ(fs.ListFolders(tmp.text()), std::vector<Text>{U"変換先フォルダ　全角"});
  // The same folder through "/" and the wide API directly.
  EXPECT_EQ(fs.KindOf(tmp.text() + U"/変換先フォルダ　全角/結果.txt"), EntryKind::kFile);
  EXPECT_TRUE(std::filesystem::exists(tmp.path() / L"\u5909\u63db\u5148\u30d5\u30a9\u30eb\u30c0"
                                                   L"\u3000\u5168\u89d2"));
}

TEST(WindowsFileSystemTest, KindOfDriveAndFolderForms) {
  TempDir tmp;
  tmp.Write("f.txt", "x");
  RealFileSystem fs;
  const Text drive = tmp.text().substr(0, 2);  // "C:"
  const std::pair<Text, EntryKind> rows[] = {
      {drive, EntryKind::kFolder},  // the drive's current folder
      {drive + U"\\", EntryKind::kFolder},
      {tmp.text() + U"\\", EntryKind::kFolder},
      {tmp.text() + U"/", EntryKind::kFolder},
      {tmp.TextOf("f.txt"), EntryKind::kFile},
      {tmp.TextOf("missing"), EntryKind::kNone},
      {U"", EntryKind::kNone},
  };
  for (const auto& [path, kind] : rows) EXPECT_EQ(fs.KindOf(path), kind) << ToUtf8(path);
}

TEST(WindowsFileSystemTest, RawBytesInPathsNeverEscapeAsOtherExceptions) {
  TempDir tmp;
  RealFileSystem fs;
  const Text odd = tmp.text() + U"\\a" + Raw(0x85) + U"b";
  EXPECT_EQ(fs.KindOf(odd), EntryKind::kNone);
  EXPECT_EQ(fs.FileSize(odd), 0);
  EXPECT_THROW(fs.ReadAll(odd), ConversionError);
  EXPECT_TRUE(fs.ListFiles(odd).empty());
  // Creating it may or may not succeed on a given file system; it must not throw anything else.
  try {
    fs.MakeFolder(odd);
    EXPECT_EQ(fs.KindOf(odd), EntryKind::kFolder);
    EXPECT_EQ(fs.ListFolders(tmp.text()), std::vector<Text>{U"a" + Raw(0x85) + U"b"});
  } catch (const ConversionError&) {
    EXPECT_EQ(fs.KindOf(odd), EntryKind::kNone);
  }
}

TEST(WindowsFileSystemTest, ErrorsNameTheJapanesePath) {
  TempDir tmp;
  RealFileSystem fs;
  const Text missing = tmp.text() + U"\\無い\\結果.txt";
  try {
    fs.WriteAll(missing, "x");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.message().rfind(U"ファイルに書き込めません: " + missing, 0), 0u)
        << ToUtf8(e.message());
  }
  try {
    fs.MakeFolder(tmp.text() + U"\\無い\\下");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_NE(e.message().find(U"\\無い\\下"), Text::npos) << ToUtf8(e.message());
  }
}

TEST(WindowsFileSystemTest, DriveProbe) {
  CurrentFolderGuard guard;
  RealFileSystem fs;
  const Text current = std::filesystem::current_path().u32string();
  ASSERT_GE(current.size(), 2u);
  ASSERT_EQ(current[1], U':');
  struct Row {
    char32_t letter;
    bool usable;
  };
  std::vector<Row> rows = {
      {current[0], true},
      {static_cast<char32_t>(current[0] - U'A' + U'a'), true},  // lower case names the same drive
      {U'1', false},
      {U'/', false},
      {U'\\', false},
      {U'Ａ', false},
  };
  if (const char32_t unused = UnusedDriveLetter(); unused != 0) rows.push_back({unused, false});
  for (const Row& r : rows) {
    EXPECT_EQ(fs.MakeDriveCurrent(r.letter), r.usable) << ToUtf8(Text(1, r.letter));
  }
}

// A drive that exists but is not ready (under Wine: a drive letter whose target is missing; the
// test script names it). The run must refuse it as a source or destination.
TEST(WindowsFileSystemTest, ADriveThatIsNotReadyIsRefused) {
  const char* name = std::getenv("TECRIS2NX_TEST_UNREADY_DRIVE");
  if (name == nullptr || name[0] == '\0') GTEST_SKIP() << "no unready drive set up";
  CurrentFolderGuard guard;
  const char32_t letter = static_cast<char32_t>(name[0]);
  RealFileSystem fs;
  EXPECT_FALSE(fs.MakeDriveCurrent(letter));

  WindowHarness w(1, PathStyle::kWindows);
  w.Source("a.001", "C,12345678001,y,1\n1,2,3,1.5,12,28\n");
  const Text drive = Text(1, letter) + U":\\";
  WindowEnvironment env = w.Env();
  env.listDrives = [&w, drive] { return std::vector<Text>{testing::RootOf(w.tmp.text()), drive}; };
  w.Start(std::move(env));

  // As the source drive: the drive list goes back, without a word.
  w.model->OnDriveChosen(Side::kSource, 1);
  EXPECT_EQ(w.view.driveSelections[1], std::vector<int>{0});
  EXPECT_TRUE(w.view.boxes.empty());

  // As the destination text: the path check refuses it.
  w.view.destination = drive + U"out";
  w.view.selected = {U"a.001"};
  w.view.answers = {MessageAnswer::kYes};
  w.Execute();
  ASSERT_EQ(w.view.boxes.size(), 1u);
  EXPECT_EQ(w.view.boxes[0].text, kBadPathMessage);
  EXPECT_NE(w.view.messageLine, kDoneMessage);
  EXPECT_FALSE(w.tmp.Exists("out/12345678001"));
}

/// Every output file below a folder, by relative path, with its bytes.
std::vector<std::pair<std::string, std::string>> Tree(const std::filesystem::path& root) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const auto relative = std::filesystem::relative(entry.path(), root);
    files.emplace_back(ToUtf8(relative.generic_u32string()), bytes.str());
  }
  std::sort(files.begin(), files.end());
  return files;
}

/// The bundled sample TECRIS files, as paths.
std::vector<std::string> SampleFiles() {
  RealFileSystem fs;
  const std::string examples = std::string(testing::SourceDir()) + "/examples";
  std::vector<std::string> files;
  for (const Text& name : fs.ListFiles(FromUtf8(examples))) {
    if (IsTecrisFileName(name)) files.push_back(examples + "/" + ToUtf8(name));
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The command line writes the same bytes whatever the destination folder is called.
TEST(WindowsConversionTest, JapaneseDestinationGetsTheSameBytes) {
  const std::vector<std::string> samples = SampleFiles();
  ASSERT_FALSE(samples.empty());
  TempDir tmp;
  RealFileSystem fs;
  CliEnvironment env{fs, PatternLookupEnv{}};
  env.lookup.walkDrives = false;
  const std::string patdat = std::string(testing::SourceDir()) + "/examples/sample-patdat";
  const std::string destinations[] = {
      ToUtf8(tmp.TextOf("plain")),
      ToUtf8(tmp.TextOf("変換結果\\ﾎﾞｰﾘﾝｸﾞ　データ")),
  };
  std::vector<int> statuses;
  for (const std::string& destination : destinations) {
    std::vector<std::string> args = {"--patdat", patdat, "-o", destination};
    args.insert(args.end(), samples.begin(), samples.end());
    std::ostringstream out, err;
    statuses.push_back(RunCommandLine(args, out, err, env));
    EXPECT_EQ(err.str().find(destination), std::string::npos) << err.str();
  }
  EXPECT_EQ(statuses[1], statuses[0]);
  const auto plain = Tree(tmp.path() / "plain");
  EXPECT_FALSE(plain.empty());
  EXPECT_EQ(Tree(std::filesystem::path(FromUtf8(destinations[1]))), plain);
}

// The window's run: Windows path style with the real drive probe, into a Japanese folder it
// creates after asking.
TEST(WindowsConversionTest, RunCreatesAndFillsAJapaneseDestination) {
  WindowHarness w(1, PathStyle::kWindows);
  w.Source("12345678.001", "C,12345678001,y,1\n1,2,3,1.5,12,28\n");
  w.tmp.Write("patdat/kishitu.txt", "x");
  CurrentFolderGuard guard;
  struct Row {
    const char* destination;
    const char* relative;
  };
  const Row rows[] = {
      {"出力", "出力/12345678001/X5.txt"},
      {"出力/新しい/ﾌｫﾙﾀﾞ", "出力/新しい/ﾌｫﾙﾀﾞ/12345678001/X5.txt"},
  };
  for (const Row& r : rows) {
    w.Start();
    w.view.destination = w.tmp.TextOf(r.destination);
    w.view.selected = {U"12345678.001"};
    w.view.answers = {MessageAnswer::kYes, MessageAnswer::kYes};
    w.Execute();
    EXPECT_EQ(w.view.messageLine, kDoneMessage) << r.destination;
    EXPECT_EQ(w.tmp.Read(r.relative), "   1,   1.50,12,,30,,,,,,\r\n") << r.relative;
  }
}

/// The system's calls, with a rename that is refused a given number of times first, as when a
/// virus scanner holds a new file for a moment.
class HeldRenames : public SystemCalls {
 public:
  HeldRenames(unsigned long error, int refusals) : error_(error), refusals_(refusals) {}
  bool Replace(const wchar_t* from, const wchar_t* to) override {
    if (refusals_ > 0) {
      --refusals_;
      SetLastError(error_);
      return false;
    }
    return SystemCalls::Replace(from, to);
  }
  void Pause(unsigned) override { ++pauses; }
  int pauses = 0;

 private:
  unsigned long error_;
  int refusals_;
};

TEST(WindowsFileSystemTest, ARenameRefusedForAMomentIsTriedAgain) {
  struct Row {
    unsigned long error;
    int refusals;
    bool written;
    int pauses;
  };
  const Row rows[] = {
      {ERROR_SHARING_VIOLATION, 2, true, 2},
      {ERROR_ACCESS_DENIED, 1, true, 1},
      {ERROR_LOCK_VIOLATION, 4, true, 4},
      {ERROR_SHARING_VIOLATION, 9, false, 4},  // held too long: the file fails, the old one stays
      {ERROR_WRITE_PROTECT, 1, false, 0},      // not a passing hold: no second try
  };
  for (const Row& r : rows) {
    TempDir tmp;
    tmp.Write("job/X1.txt", "old");
    HeldRenames calls(r.error, r.refusals);
    RealFileSystem fs(calls);
    bool written = true;
    try {
      fs.WriteFiles(tmp.TextOf("job"), {{U"X1.txt", "new"}});
    } catch (const ConversionError&) {
      written = false;
    }
    EXPECT_EQ(written, r.written) << r.error << " " << r.refusals;
    EXPECT_EQ(calls.pauses, r.pauses) << r.error << " " << r.refusals;
    EXPECT_EQ(tmp.Read("job/X1.txt"), written ? "new" : "old");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(tmp.path() / "job")) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"X1.txt"});  // no temporary left
  }
}

/// The command line in this process over a temporary folder with one TECRIS file.
class WindowsCommandLineTest : public ::testing::Test {
 protected:
  WindowsCommandLineTest() : env{fs, PatternLookupEnv{}} {
    env.lookup.walkDrives = false;
    tmp.Write("in/12345678.001", Cp932Lines("C,12345678001,y,1\n1,2,3,1.5,12,28\n"));
    tmp.Write("patdat/kishitu.txt", "x");
  }

  int Convert(const std::string& destination) {
    err.str("");
    std::ostringstream out;
    return RunCommandLine({"--patdat", ToUtf8(tmp.TextOf("patdat")), "-o", destination,
                           ToUtf8(tmp.TextOf("in\\12345678.001"))},
                          out, err, env);
  }

  TempDir tmp;
  RealFileSystem fs;
  CliEnvironment env;
  std::ostringstream err;
};

// Windows would strip the dots or blanks, open a device or refuse the name: the command line
// says which level and why before it makes any of them.
TEST_F(WindowsCommandLineTest, NamesWindowsWouldChangeAreRefusedAndNothingIsMade) {
  const std::filesystem::path dest = tmp.path() / "dest";
  std::filesystem::create_directory(dest);
  const std::pair<const char*, const char*> rows[] = {
      {"tspace ", "\"tspace \""}, {"dots...\\x", "\"dots...\""}, {"mid. \\sub", "\"mid. \""},
      {"dev\\CON\\x", "\"CON\""}, {"tdot.", "\"tdot.\""},        {"a<b", "\"a<b\""},
      {"a|b", "\"a|b\""},         {"x\\nul.txt", "\"nul.txt\""},
  };
  for (const auto& [relative, component] : rows) {
    EXPECT_EQ(Convert(ToUtf8(tmp.TextOf("dest")) + "\\" + relative), kCliFailed) << relative;
    EXPECT_NE(err.str().find(std::string("フォルダ名 ") + component + " は使えません"),
              std::string::npos)
        << err.str();
    EXPECT_TRUE(std::filesystem::is_empty(dest)) << relative;
  }
}

// A \\?\ destination is taken as it is, and one deeper than the old 260-character limit works.
TEST_F(WindowsCommandLineTest, VerbatimAndLongDestinations) {
  std::string deep = ToUtf8(tmp.TextOf("long"));
  while (deep.size() < 300) deep += "\\level-of-a-deep-share";
  const std::string rows[] = {"\\\\?\\" + ToUtf8(tmp.TextOf("verbatim")) + "\\out", deep};
  for (const std::string& destination : rows) {
    EXPECT_EQ(Convert(destination), kCliOk) << destination << ": " << err.str();
    EXPECT_EQ(fs.ReadAll(FromUtf8(destination + "\\12345678001\\X5.txt")),
              "   1,   1.50,12,,30,,,,,,\r\n")
        << destination;
  }
}

// Redirected, the program writes what Windows tools write: the ANSI code page (932 here), and
// UTF-8 only for JSON.
TEST_F(WindowsCommandLineTest, RedirectedOutputIsAnsiExceptJson) {
  const std::string missing = ToUtf8(tmp.TextOf("missing.001"));
  const std::string binary = testing::ProgramPath();
  for (const char* form : {"text", "json"}) {
    const bool json = std::string(form) == "json";
    const std::string command = "\"\"" + binary + "\" check " + (json ? "--json " : "") + "\"" +
                                missing + "\" >\"" + ToUtf8(tmp.TextOf(form)) + "\"\"";
    EXPECT_EQ(std::system(command.c_str()), kCliFailed) << command;
  }
  const Text message = U"ファイルがありません。";
  EXPECT_NE(tmp.Read("text").find(EncodeCp932(message)), std::string::npos) << tmp.Read("text");
  EXPECT_NE(tmp.Read("json").find(ToUtf8(message)), std::string::npos) << tmp.Read("json");
}

}  // namespace
}  // namespace tecris2nx
