#include "app/cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "check/check_report.h"
#include "check/checker.h"
#include "common/cp932.h"
#include "common/pattern_folder.h"
#include "run/convert_file.h"
#include "support/command_line.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "tecris/tecris_files.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::TempDir;

constexpr const char* kFileC = "C,12345678001,y,1\n1,2,3,1.5,12,28\n";
constexpr const char* kX5 = "   1,   1.50,12,,30,,,,,,\n";

class CliTest : public testing::CommandLineTest {
 protected:
  CliTest() { tmp.Write("patdat/kishitu.txt", "x"); }
};

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> rows = {
      {},
      {"-o"},
      {"--bogus", "-o", "x", "f"},
      {"-o", Path("out")},
      {"a.001"},
      {"--list", Path("nowhere")},
      {"--patdat", Path("nowhere"), "-o", Path("out"), "a.001"},
      {"-j", "0", "-o", Path("out"), "a.001"},
      {"--jobs=65", "-o", Path("out"), "a.001"},
      {"--jobs=", "-o", Path("out"), "a.001"},
      {"-j", "two", "-o", Path("out"), "a.001"},
      {"-o", Path("out"), "a.001", "-j"},
  };
  for (const auto& args : rows) {
    EXPECT_EQ(Run(args), kCliUsage) << ::testing::PrintToString(args);
    EXPECT_NE(err.str().find("tecris2nx: "), std::string::npos);
  }
}

TEST_F(CliTest, HelpAndVersion) {
  EXPECT_EQ(Run({"--help"}), kCliOk);
  EXPECT_NE(out.str().find("tecris2nx [--patdat DIR] [--verbose] [-j N] -o OUTDIR FILE..."),
            std::string::npos);
  // Every option the parser takes is explained.
  for (const char* option :
       {"-o, --output OUTDIR", "--patdat DIR", "-v, --verbose", "-j, --jobs N", "--list DIR",
        "--encoding CODE", "-h, --help", "--version", "check "}) {
    EXPECT_NE(out.str().find(std::string("\n  ") + option), std::string::npos) << option;
  }
  // The last line says where the guide is.
  const std::string help = out.str();
  const std::size_t last = help.rfind('\n', help.size() - 2);
  EXPECT_EQ(help.rfind("利用者の手引き: ", last + 1), last + 1) << help;
  EXPECT_NE(help.find("tecris2nx-guide-ja.html", last), std::string::npos) << help;
  EXPECT_EQ(Run({"--version"}), kCliOk);
  EXPECT_EQ(out.str().rfind("tecris2nx ", 0), 0u);
}

TEST_F(CliTest, ConvertsIntoARelativeOrNewOutputFolder) {
  tmp.Write("in/12345678.001", Cp932Lines(kFileC));
  EXPECT_EQ(Run({"--patdat", Path("patdat"), "-o", Path("new/deeper/"), Path("in/12345678.001")}),
            kCliOk)
      << err.str();
  EXPECT_EQ(tmp.Read("new/deeper/12345678001/X5.txt"), Cp932Lines(kX5));
  EXPECT_EQ(err.str(), "");
}

// A batch too long for a command line is named by a list or a folder; Windows shells leave
// wildcards to the program, which expands them there.
TEST_F(CliTest, FoldersListsAndOnWindowsWildcardsStandForTheirFiles) {
  tmp.Write("in/12345678.001", Cp932Lines(kFileC));
  tmp.Write("in/12345678.003", Cp932Lines("C,12345678003,y,1\n1,2,3,1.5,12,28\n"));
  tmp.Write("list.txt", Path("in/12345678.003") + "\r\n" + Path("in/12345678.001") + "\r\n");
#ifdef _WIN32
  const bool wildcards = true;
#else
  const bool wildcards = false;
#endif
  const struct {
    std::vector<std::string> files;
    bool converted;
  } rows[] = {
      {{Path("in")}, true},
      {{"@" + Path("list.txt")}, true},
      {{Path("in") + "/*.00?"}, wildcards},
  };
  int n = 0;
  for (const auto& row : rows) {
    const std::string out = "out" + std::to_string(++n);
    std::vector<std::string> args = {"--patdat", Path("patdat"), "-o", Path(out)};
    args.insert(args.end(), row.files.begin(), row.files.end());
    EXPECT_EQ(Run(args), row.converted ? kCliOk : kCliFailed) << row.files[0] << err.str();
    EXPECT_EQ(tmp.Exists(out + "/12345678001/X5.txt"), row.converted) << row.files[0];
    EXPECT_EQ(tmp.Exists(out + "/12345678003/X5.txt"), row.converted) << row.files[0];
  }
  EXPECT_EQ(Run({"--patdat", Path("patdat"), "-o", Path("out"), "@" + Path("nowhere.txt")}),
            kCliUsage);
  EXPECT_NE(err.str().find("リストファイルを読めません"), std::string::npos) << err.str();
}

TEST_F(CliTest, AFailingFileIsReportedAndTheOthersStillConvert) {
  tmp.Write("in/good.001", Cp932Lines(kFileC));
  tmp.Write("in/short.001", Cp932Lines("C,12345678002,y,2\n1,2,3,1.5,12,28\n"));
  tmp.Write("in/badid.001", Cp932Lines("C,1234567800,y,0\n"));
  tmp.Write("in/good.003", Cp932Lines("C,12345678003,y,1\n1,2,3,1.5,12,28\n"));
  tmp.Write("in/folder.001/x", "");
  const int status = Run({"--patdat", Path("patdat"), "-o", Path("out"), Path("in/good.001"),
                          Path("in/short.001"), Path("in/badid.001"), Path("in/missing.001"),
                          Path("in/folder.001"), Path("in/good.003")});
  EXPECT_EQ(status, kCliFailed);
  const std::string messages = err.str();
  EXPECT_NE(
      messages.find(Path("in/short.001") +
                    ": セクション C のフィールド 10: ファイルがセクションの途中で終わっています。"),
      std::string::npos)
      << messages;
  EXPECT_NE(messages.find(Path("in/badid.001") + ": 指定されたﾌｧｲﾙは正しくありません"),
            std::string::npos);
  EXPECT_NE(messages.find(Path("in/missing.001") + ": ファイルがありません"), std::string::npos);
  EXPECT_NE(messages.find(Path("in/folder.001") + ": フォルダです"), std::string::npos);
  EXPECT_EQ(tmp.Read("out/12345678001/X5.txt"), Cp932Lines(kX5));
  EXPECT_EQ(tmp.Read("out/12345678003/X5.txt"), Cp932Lines(kX5));
  EXPECT_FALSE(tmp.Exists("out/12345678002/X5.txt"));
}

TEST_F(CliTest, VerboseNamesThePatternFolderTheOutputsAndAnUnreadSection) {
  tmp.Write("in/a.001", Cp932Lines(std::string(kFileC) + "B,1,2,0\n"));
  EXPECT_EQ(Run({"-v", "--patdat", Path("patdat"), "-o", Path("out"), Path("in/a.001")}), kCliOk);
  const std::string messages = err.str();
  const std::string sep = ToUtf8(Text(1, HostSeparator()));
  EXPECT_NE(messages.find("パターンデータ: " + Path("patdat") + sep), std::string::npos);
  EXPECT_NE(messages.find(Path("in/a.001") + " -> " + Path("out") + sep + "12345678001: X5.txt"),
            std::string::npos)
      << messages;
  EXPECT_NE(messages.find("マーカー \"B\" は順序外または不明"), std::string::npos);
}

TEST_F(CliTest, WithoutPatternDataTheRunStops) {
  tmp.Write("in/a.001", Cp932Lines(kFileC));
  EXPECT_EQ(Run({"-o", Path("out"), Path("in/a.001")}), kCliFailed);
  EXPECT_NE(err.str().find(" PATDAT の設定がありません."), std::string::npos);
  EXPECT_FALSE(tmp.Exists("out/12345678001"));
}

// Conversion, check and log take the pattern data alike; only check names itself in the line.
TEST_F(CliTest, EveryCommandReportsThePatternFolderAlike) {
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string message;  ///< all of stderr
  };
  const std::string nowhere = Path("nowhere");
  const std::string missing = "--patdat " + nowhere + ": フォルダがありません\n";
  const std::string none = "tecris2nx:" + ToUtf8(kNoPatternFolderMessage) +
                           "（--patdat DIR か環境変数 TECRIS2NX_PATDAT で指定してください）\n";
  const Row rows[] = {
      {{"--patdat", nowhere, "-o", Path("out"), "a.001"}, kCliUsage, "tecris2nx: " + missing},
      {{"--patdat=" + nowhere, "-o", Path("out"), "a.001"}, kCliUsage, "tecris2nx: " + missing},
      {{"check", "--patdat", nowhere, "a.001"}, kCliUsage, "tecris2nx check: " + missing},
      {{"log", "--patdat", nowhere, "-o", Path("out"), "a.001"},
       kCliUsage,
       "tecris2nx: " + missing},
      {{"-o", Path("out"), "a.001"}, kCliFailed, none},
      {{"log", "-o", Path("out"), "a.001"}, kCliFailed, none},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Run(row.args), row.status) << ::testing::PrintToString(row.args);
    EXPECT_EQ(err.str(), row.message) << ::testing::PrintToString(row.args);
  }
}

TEST_F(CliTest, ListsOnlyTecrisFiles) {
  tmp.Write("in/12345678.001", Cp932Lines("A,12345678001\n"));
  tmp.Write("in/12345678.002", Cp932Lines("A,12345678.002\n"));  // field 2 not the digits
  tmp.Write("in/12345678.003", Cp932Lines("A\n"));               // one field only
  tmp.Write("in/1234567A.004", Cp932Lines("A,1234567A004\n"));
  tmp.Write("in/12345678.005", Cp932Lines("\"A\",\"12345678005\"\n"));
  tmp.Write("in/99999999.999/x", "");  // a folder
  EXPECT_EQ(Run({"--list", Path("in")}), kCliOk);
  std::vector<std::string> names;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) names.push_back(line);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"12345678.001", "12345678.005"}));
}

// Warnings counted along the conversion are check mode's findings, also for a file of over a
// megabyte, read in many pieces.
TEST(ConversionRunTest, CountedWarningsAreTheFindingsOfCheckMode) {
  // Over a megabyte, with a finding now and then.
  std::string large = "C,12345678009,y,32000\n";
  for (int r = 1; r <= 32000; ++r) {
    const std::string depth = r % 9973 == 0 ? "0.5" : std::to_string(r) + ".5";
    large += std::to_string(r) + ",200.25,300.25," + depth + "," + (r % 2500 == 0 ? "x" : "12.50") +
             ",28.75\n";
  }
  // The same with bytes that are no CP932 now and then, and a marker of no section at its end.
  std::string odd = Cp932Lines(large);
  for (std::size_t at = 1000; at < odd.size(); at += 70001) odd[at] = '\x81';
  odd += Cp932Lines("Z,1,2\nB,1,1\n");
  TempDir tmp;
  tmp.Write("in/12345678.009", Cp932Lines(large));
  tmp.Write("in/12345678.010", odd);
  tmp.Write("out/.keep", "");
  std::ifstream example(std::string(testing::SourceDir()) + "/examples/12345678.003",
                        std::ios::binary);
  tmp.Write("in/12345678.003", std::string(std::istreambuf_iterator<char>(example), {}));
  const Text patdat =
      FromUtf8(std::string(testing::SourceDir()) + "/examples/sample-patdat") + HostSeparator();
  RealFileSystem fs;
  for (const char* name : {"in/12345678.009", "in/12345678.010", "in/12345678.003"}) {
    RunEnvironment env{fs, patdat};
    env.countWarnings = true;
    const FileReport report = ConvertFile(tmp.TextOf(name), tmp.TextOf("out"), env);
    const FileCheck check = CheckTecrisFile(fs, tmp.TextOf(name), CheckSettings{patdat});
    ASSERT_EQ(report.outcome, FileOutcome::kConverted) << name << ToUtf8(report.error);
    EXPECT_EQ(report.warnings, check.Count(Severity::kWarning)) << name;
    EXPECT_GT(report.warnings, 0) << name;
    ASSERT_EQ(report.findings.size(), check.findings.size()) << name;
    for (std::size_t i = 0; i < check.findings.size(); ++i) {
      EXPECT_EQ(ToUtf8(FindingText(report.findings[i])), ToUtf8(FindingText(check.findings[i])))
          << name;
    }
    // Counted only, as --verbose counts them: the same number, no finding kept.
    env.keepFindings = false;
    const FileReport counted = ConvertFile(tmp.TextOf(name), tmp.TextOf("out"), env);
    EXPECT_EQ(counted.warnings, report.warnings) << name;
    EXPECT_TRUE(counted.findings.empty()) << name;
  }
}

TEST(TecrisFileNameTest, AcceptsEightDigitsPointThreeDigits) {
  const std::pair<Text, bool> rows[] = {
      {U"12345678.001", true},   {U"1234567.0012", false},  {U"12345678.01", false},
      {U"1234567A.001", false},  {U"12345678.0011", false}, {U"12345678,001", false},
      {U"１2345678.001", false}, {U"12345678.00.", false},  {U"", false},
  };
  for (const auto& [name, ok] : rows) EXPECT_EQ(IsTecrisFileName(name), ok) << ToUtf8(name);
}

// Files converted side by side must leave exactly what one after another leaves, and say the same:
// every example, a failing file between them, and files sharing a job folder (the second reads the
// soil layers the first wrote).
TEST_F(CliTest, SideBySideLeavesWhatOneAfterAnotherLeaves) {
  std::vector<std::string> files;
  for (const char* name : {"12345678.006", "12345678.001", "12345678.002", "12345678.003",
                           "12345678.004", "12345678.005"}) {
    std::ifstream example(std::string(testing::SourceDir()) + "/examples/" + name,
                          std::ios::binary);
    tmp.Write(std::string("in/") + name, std::string(std::istreambuf_iterator<char>(example), {}));
    files.push_back(Path(std::string("in/") + name));
    if (files.size() == 3) {
      tmp.Write("in/short.001", Cp932Lines("C,12345678002,y,2\n1,2,3,1.5,12,28\n"));
      files.push_back(Path("in/short.001"));
    }
  }
  // The last example's job again, without soil layers of its own.
  tmp.Write("in/again.006",
            Cp932Lines("D,12345678006,x,1\nD,1,1,1,2.50,2.80,,,,,,,,,,,,,,,,,,,,\n"));
  files.push_back(Path("in/again.006"));

  std::string firstMessages;
  for (const char* jobs : {"1", "4"}) {
    std::vector<std::string> args = {"--patdat", ToUtf8(tmp.TextOf("patdat")),   "-j", jobs,
                                     "-o",       Path(std::string("out") + jobs)};
    args.insert(args.end(), files.begin(), files.end());
    EXPECT_EQ(Run(args), kCliFailed) << jobs;
    if (firstMessages.empty()) firstMessages = err.str();
    EXPECT_EQ(err.str(), firstMessages) << jobs;
  }
  EXPECT_NE(firstMessages.find("short.001"), std::string::npos);
  std::size_t compared = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(tmp.path() / "out1")) {
    const auto relative = std::filesystem::relative(entry.path(), tmp.path() / "out1");
    const auto other = tmp.path() / "out4" / relative;
    ASSERT_EQ(std::filesystem::is_directory(entry.path()), std::filesystem::is_directory(other))
        << relative;
    if (entry.is_regular_file()) {
      EXPECT_EQ(tmp.Read("out1/" + relative.generic_string()),
                tmp.Read("out4/" + relative.generic_string()))
          << relative;
      ++compared;
    }
  }
  std::size_t written = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(tmp.path() / "out4")) {
    written += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(written, compared);
  EXPECT_GT(compared, 20u);
  // The job read twice took its soil layer from the first file's X1.txt.
  EXPECT_NE(tmp.Read("out4/12345678006/X100.txt").find(EncodeCp932(U"砂")), std::string::npos);
}

TEST_F(CliTest, ControlCharactersFromAFileOrItsNameReachNoTerminalRaw) {
  const std::string bad =
      Cp932Lines("C,12345678001,y,1\n1,2,3,9E999\x1b]0;TITLE-SET\x07\x1b[2J,12,28\n");
  tmp.Write("in/12345678.001", bad);
  const std::string value = "値 \"9E999\\x1B]0;TITLE-SET\\x07\\x1B[2J\"";
  struct Row {
    std::vector<std::string> args;
    const std::ostringstream* stream;
    std::string expected;  ///< part of the stream
  };
  const std::string file = Path("in/12345678.001");
  std::vector<Row> rows = {
      {{"--patdat", Path("patdat"), "-o", Path("out"), file}, &err, value},
      {{"check", "--patdat", Path("patdat"), file}, &out, value},
      {{"check", "--json", "--patdat", Path("patdat"), file},
       &out,
       "9E999\\u001b]0;TITLE-SET\\u0007\\u001b[2J"},  // JSON's own escapes
  };
#ifndef _WIN32
  // Windows names cannot hold control characters.
  tmp.Write("in/x\ny/12345678.001", bad);
  const std::string split = Path("in/x\ny/12345678.001");
  const std::string shownSplit = Path("in/x") + "\\x0Ay/12345678.001";
  rows.insert(
      rows.end(),
      {
          {{"--patdat", Path("patdat"), "-o", Path("out"), split},
           &err,
           "tecris2nx: " + shownSplit + ": セクション C の記録 1 の値 1: " + value},
          {{"check", "--patdat", Path("patdat"), split}, &out, shownSplit + ":2:7: error T104: "},
          // A folder stands for its TECRIS files.
          {{"--patdat", Path("patdat"), "-o", Path("out\x1b[2J"), Path("in/x\ny")},
           &err,
           "tecris2nx: " + shownSplit + ": セクション C"},
      });
#endif
  for (const Row& r : rows) {
    Run(r.args);
    const std::string text = r.stream->str();
    EXPECT_NE(text.find(r.expected), std::string::npos) << r.expected << "\n" << text;
    for (const std::string& stream : {out.str(), err.str()}) {
      EXPECT_EQ(stream.find_first_of("\x1b\x07"), std::string::npos) << stream;
      EXPECT_EQ(stream.find("x\ny"), std::string::npos) << stream;
    }
  }
}

/// An interrupt that arrives when the batch asks for the n-th time (counted from 1).
class InterruptAt : public Interruption {
 public:
  InterruptAt(int signal, int at) : signal_(signal), at_(at) {}
  int Received() override { return ++asked_ >= at_ ? signal_ : 0; }
  void HoldForWriting() override { held = true; }
  bool held = false;

 private:
  int signal_;
  int at_;
  int asked_ = 0;
};

TEST_F(CliTest, AnInterruptStartsNoFurtherFileAndSaysWhereTheRunStopped) {
  for (const std::string name : {"12345678.001", "12345678.002", "12345678.003"}) {
    tmp.Write("in/" + name, Cp932Lines(std::string("C,") + name.substr(0, 8) + name.substr(9) +
                                       ",y,1\n1,2,3,1.5,12,28\n"));
  }
  InterruptAt interrupt(15, 2);  // before the second file
  env.interruption = &interrupt;
  const int status =
      Run({"-j", "1", "--patdat", Path("patdat"), "-o", Path("out"), Path("in/12345678.001"),
           Path("in/12345678.002"), Path("in/12345678.003")});
  EXPECT_EQ(status, 143);
  EXPECT_TRUE(interrupt.held);
  EXPECT_EQ(err.str(), "tecris2nx: 中断しました。3 件のうち 1 件を処理しました（" +
                           Path("in/12345678.002") + " から先は変換していません）\n");
  EXPECT_EQ(tmp.Read("out/12345678001/X5.txt"), "   1,   1.50,12,,30,,,,,,\r\n");
  EXPECT_FALSE(tmp.Exists("out/12345678002"));
}

// One end-to-end run of the built program.
TEST(CliBinaryTest, ConvertsAFileByteExact) {
  TempDir tmp;
  tmp.Write("in/12345678.001", Cp932Lines(kFileC));
  tmp.Write("patdat/kishitu.txt", "x");
  const std::string command = std::string("\"") + testing::ProgramPath() + "\" --patdat \"" +
                              tmp.path().string() + "/patdat\" -o \"" + tmp.path().string() +
                              "/out\" \"" + tmp.path().string() + "/in/12345678.001\"";
#ifdef _WIN32
  // cmd.exe drops the first and the last quote of its command line.
  EXPECT_EQ(std::system(("\"" + command + "\"").c_str()), 0);
#else
  EXPECT_EQ(std::system(command.c_str()), 0);
#endif
  EXPECT_EQ(tmp.Read("out/12345678001/X5.txt"), "   1,   1.50,12,,30,,,,,,\r\n");
}

}  // namespace
}  // namespace tecris2nx
