#include "app/cli/log_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "common/cp932.h"
#include "common/temporary_files.h"
#include "support/command_line.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;

using testing::kPatdat;
using testing::kSource;
const std::string kExample = kSource + "/examples/12345678.002";

class LogCommandTest : public testing::CommandLineTest {};

TEST_F(LogCommandTest, WritesOneSvgPerFileNamedAfterItsIdentifier) {
  tmp.Write("short.001", Cp932Lines("B,12345678001,x\n3\nB,1,1,1.0,1300,砂,H,\n"));
  const std::string out_dir = Path("logs/deep");
  EXPECT_EQ(Run({"log", "--patdat", kPatdat, "-o", out_dir, kExample, Path("short.001"),
                 kSource + "/examples/12345678.004"}),
            kCliFailed);
  // The failing file is reported as the conversion reports it; the others are drawn.
  EXPECT_EQ(err.str(),
            "tecris2nx: " + Path("short.001") +
                ": セクション B のフィールド 12: ファイルがセクションの途中で終わっています。\n");
  const std::string svg = fs.ReadAll(FromUtf8(out_dir + "/12345678002.svg"));
  EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg", 0), 0U);
  EXPECT_NE(svg.find("市道拡幅工事に伴う地質調査"), std::string::npos);
  EXPECT_EQ(fs.KindOf(FromUtf8(out_dir + "/12345678004.svg")), EntryKind::kFile);
  EXPECT_EQ(fs.ListFiles(FromUtf8(out_dir)).size(), 2U);
}

// What the user must know of a drawn file is said whether or not anything else is: a file read
// from UTF-8, and a later file whose picture replaces an earlier one's.
TEST_F(LogCommandTest, NamesConvertedEncodingsAndRepeatedIdentifiers) {
  tmp.Write("a/12345678.001", Cp932Lines("B,12345678001,x\n1\nB,1,1,1.0,0,砂,H,\n"));
  tmp.Write("b/12345678.001",
            "\xEF\xBB\xBF"
            "B,12345678001,x\r\n1\r\nB,1,1,2.0,0,砂,H,\r\n");
  tmp.Write("list.txt", Path("a") + "\n" + Path("b/12345678.001") + "\n");
  const std::string first = Path("a/12345678.001");
  const std::string second = Path("b/12345678.001");
  const std::string expected =
      "tecris2nx: " + second + ": 警告: 文字コードが UTF-8（BOM 付き）のファイルでした。" +
      "CP932 に変換して読みました。\n" + "tecris2nx: " + second + ": 警告: 識別子 12345678001 は" +
      "前のファイル " + first + " と同じです。後のファイルの出力が前のものを置き換えます。\n";
  const std::vector<std::string> rows[] = {
      {first, second},           // named one by one
      {"@" + Path("list.txt")},  // a folder and a file, listed
  };
  for (const std::vector<std::string>& files : rows) {
    std::vector<std::string> args = {"log", "--patdat", kPatdat, "-o", Path("logs")};
    args.insert(args.end(), files.begin(), files.end());
    EXPECT_EQ(Run(args), kCliOk);
    EXPECT_EQ(err.str(), expected);
    // The later file's picture is the one kept.
    EXPECT_NE(fs.ReadAll(FromUtf8(Path("logs/12345678001.svg"))).find("2.00"), std::string::npos);
  }
}

TEST_F(LogCommandTest, UsageErrorsWriteNothing) {
  struct Row {
    std::vector<std::string> args;
    std::string message;
  };
  const std::string out_dir = Path("out");
  const Row rows[] = {
#ifdef _WIN32
      {{"log", "--format", "pdf", "-o", out_dir, kExample},
       "--format pdf はこの版では書き出せません（書き出せる形式: svg, png）"},
      {{"log", "--format=eps", "-o", out_dir, kExample}, "不明な形式です: eps（svg, png）"},
      {{"log", "--format", "PDF", "-o", out_dir, kExample},
       "--format pdf はこの版では書き出せません（書き出せる形式: svg, png）"},
#else
      {{"log", "--format", "pdf", "-o", out_dir, kExample},
       "--format pdf はこの版では書き出せません（書き出せる形式: svg）"},
      {{"log", "--format", "png", "-o", out_dir, kExample},
       "--format png はこの版では書き出せません（書き出せる形式: svg）"},
      {{"log", "--format=eps", "-o", out_dir, kExample}, "不明な形式です: eps（svg のみ）"},
      {{"log", "--format", "PDF", "-o", out_dir, kExample},
       "--format pdf はこの版では書き出せません（書き出せる形式: svg）"},
#endif
      {{"log", "--scale", "150", "-o", out_dir, kExample},
       "--scale は 50, 100, 200 のいずれかです: 150"},
      {{"log", "--paper", "b4", "-o", out_dir, kExample}, "--paper は a4 か a3 です: b4"},
      {{"log", kExample}, "出力先フォルダ (-o OUTDIR) を指定してください"},
      {{"log", "-o", out_dir}, "柱状図にする TECRIS ファイルを指定してください"},
      {{"log", "--scale"}, "--scale には値が必要です"},
      {{"log", "--dpi", "71", "-o", out_dir, kExample}, "--dpi は 72 から 1200 の整数です: 71"},
      {{"log", "--dpi=1201", "-o", out_dir, kExample}, "--dpi は 72 から 1200 の整数です: 1201"},
      {{"log", "--dpi", "3e2", "-o", out_dir, kExample}, "--dpi は 72 から 1200 の整数です: 3e2"},
      {{"log", "--dpi"}, "--dpi には値が必要です"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Run(row.args), kCliUsage) << row.message;
    EXPECT_EQ(err.str().rfind("tecris2nx log: " + row.message + "\n", 0), 0U) << err.str();
    EXPECT_EQ(fs.KindOf(FromUtf8(out_dir)), EntryKind::kNone) << row.message;
  }
  EXPECT_EQ(Run({"log", "--help"}), kCliOk);
  EXPECT_EQ(out.str(), kLogUsage);
}

TEST_F(LogCommandTest, ScaleAndPaperChangeTheSheet) {
  const std::string out_dir = Path("out");
  ASSERT_EQ(
      Run({"log", "--patdat", kPatdat, "--scale", "50", "--paper", "a3", "-o", out_dir, kExample}),
      kCliOk)
      << err.str();
  const std::string svg = fs.ReadAll(FromUtf8(out_dir + "/12345678002.svg"));
  EXPECT_NE(svg.find("width=\"297mm\""), std::string::npos);
  EXPECT_NE(svg.find("縮尺 1:50"), std::string::npos);
}

/// SOURCE_DATE_EPOCH set for the life of this object, or unset; the run's own value after.
class DateEpoch {
 public:
  explicit DateEpoch(const std::optional<std::string>& value) {
    if (const char* was = std::getenv(kName)) was_ = was;
    Set(value);
  }
  ~DateEpoch() { Set(was_); }

 private:
  static constexpr const char* kName = "SOURCE_DATE_EPOCH";
  static void Set(const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(kName, value ? value->c_str() : "");
#else
    if (value) {
      setenv(kName, value->c_str(), 1);
    } else {
      unsetenv(kName);
    }
#endif
  }
  std::optional<std::string> was_;
};

TEST_F(LogCommandTest, DatesTheSheetBySourceDateEpochOnlyWhenItIsValid) {
  struct Row {
    std::string epoch;
    bool valid;
  };
  const Row rows[] = {
      {"1700049600", true},    // 2023-11-15 12:00 UTC: that day wherever the run is
      {"12x", false},          // atoll read 12: 1970-01-01
      {"-86400", false},       // before 1970
      {" 1700049600", false},  // not digits alone
      {"99999999999999999", false},
  };
  const std::string out_dir = Path("out");
  for (const Row& row : rows) {
    DateEpoch epoch(row.epoch);
    ASSERT_EQ(Run({"log", "--patdat", kPatdat, "-o", out_dir, kExample}), kCliOk) << row.epoch;
    const std::string svg = fs.ReadAll(FromUtf8(out_dir + "/12345678002.svg"));
    EXPECT_EQ(svg.find("作成日 1970-"), std::string::npos) << row.epoch;
    EXPECT_NE(svg.find("作成日 20"), std::string::npos) << row.epoch;
    EXPECT_EQ(svg.find("作成日 2023-11-15") != std::string::npos, row.valid) << row.epoch;
    EXPECT_EQ(err.str(), row.valid ? ""
                                   : "tecris2nx: 警告: SOURCE_DATE_EPOCH が秒数ではありません（" +
                                         row.epoch + "）。今日の日付を使います。\n");
  }
}

TEST_F(LogCommandTest, FormatsAreCaseBlind) {
  const std::string out_dir = Path("out");
  ASSERT_EQ(Run({"log", "--format", "SVG", "--patdat", kPatdat, "-o", out_dir, kExample}), kCliOk)
      << err.str();
  EXPECT_EQ(fs.KindOf(FromUtf8(out_dir + "/12345678002.svg")), EntryKind::kFile);
}

// A killed run leaves its half-written picture under a temporary name: the next run into the
// folder removes it, as the conversion does in its job folders, and keeps what a live run writes.
TEST_F(LogCommandTest, RemovesWhatEndedRunsLeftInTheFolder) {
  TemporaryOwner ended = ThisRun();
  ended.started += 1;  // this process id at another start: that run has ended
  const std::string left =
      "12345678002.svg.1c113ae6b748d893." + OwnerMark(ended) + kTemporarySuffix;
  const std::string live =
      "12345678002.svg.1c113ae6b748d894." + OwnerMark(ThisRun()) + kTemporarySuffix;
  tmp.Write("out/" + left, "<svg");
  tmp.Write("out/" + live, "<svg");
  ASSERT_EQ(Run({"log", "--patdat", kPatdat, "-o", Path("out"), kExample}), kCliOk) << err.str();
  EXPECT_EQ(fs.KindOf(FromUtf8(Path("out/" + left))), EntryKind::kNone);
  EXPECT_EQ(fs.KindOf(FromUtf8(Path("out/" + live))), EntryKind::kFile);
  EXPECT_EQ(fs.KindOf(FromUtf8(Path("out/12345678002.svg"))), EntryKind::kFile);
}

#ifndef _WIN32
// The user's own folder may be a link, as the conversion takes it; only the files written inside
// it are never followed.
TEST_F(LogCommandTest, WritesIntoTheFolderALinkNames) {
  tmp.Write("real/keep.txt", "");
  std::filesystem::create_directory_symlink(tmp.path() / "real", tmp.path() / "linkdir");
  ASSERT_EQ(Run({"log", "--patdat", kPatdat, "-o", Path("linkdir"), kExample}), kCliOk)
      << err.str();
  EXPECT_EQ(fs.KindOf(FromUtf8(Path("real/12345678002.svg"))), EntryKind::kFile);
  EXPECT_EQ(Run({"log", "--patdat", kPatdat, "-o", Path("linkdir") + "/", kExample}), kCliOk)
      << err.str();
}
#endif

}  // namespace
}  // namespace tecris2nx
