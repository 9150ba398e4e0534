#include "run/convert_file.h"

#include "check/check_report.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "check/check_report.h"
#include "common/error.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::MemoryFileSystem;

/// Fails to read two files: one as the system would say why, one with an error nobody foresaw.
class FailingReads : public MemoryFileSystem {
 public:
  std::string ReadAll(const Text& path) const override {
    if (path == U"/in/locked.001") throw ConversionError(U"ファイルを開けません: /in/locked.001");
    if (path == U"/in/odd.001") throw std::runtime_error("odd");
    return MemoryFileSystem::ReadAll(path);
  }
};

TEST(ConvertFileTest, ReportsTheOutcomeAndTheIdentifierBeforeWriting) {
  struct Row {
    const char* name;
    Text input;
    FileOutcome outcome;
    Text error;
    std::optional<Text> told;  ///< what the identifier callback heard; none: not called
    std::vector<Text> written;
  };
  const Text badId =
      U"指定されたﾌｧｲﾙは正しくありません（2 番目のフィールドがフォルダ名に使える 11 "
      U"文字の識別子ではありません）";
  const Row rows[] = {
      {"converted", U"/in/good.001", FileOutcome::kConverted, U"", U"12345678001", {U"X5.txt"}},
      {"ten characters", U"/in/short.001", FileOutcome::kNoJobName, badId, U"", {}},
      {"one field", U"/in/one.001", FileOutcome::kNoJobName, badId, U"", {}},
      {"missing", U"/in/missing.001", FileOutcome::kNoJobName, U"ファイルがありません", U"", {}},
      {"folder",
       U"/in/sub",
       FileOutcome::kNoJobName,
       U"フォルダです（ファイルを指定してください）",
       U"",
       {}},
      {"section error",
       U"/in/cut.001",
       FileOutcome::kFailed,
       U"セクション C のフィールド 10: ファイルがセクションの途中で終わっています。",
       U"12345678002",
       {}},
      {"unreadable",
       U"/in/locked.001",
       FileOutcome::kFailed,
       U"ファイルを開けません: /in/locked.001",
       std::nullopt,
       {}},
      {"unforeseen",
       U"/in/odd.001",
       FileOutcome::kFailed,
       U"予期しないエラーが発生しました（odd）。",
       std::nullopt,
       {}},
  };
  FailingReads fs;
  fs.AddFile(U"/in/good.001", Cp932Lines("C,12345678001,y,1\n1,2,3,1.5,12,28\n"));
  fs.AddFile(U"/in/short.001", Cp932Lines("C,1234567800,y,0\n"));
  fs.AddFile(U"/in/one.001", Cp932Lines("C\n"));
  fs.AddFile(U"/in/sub/x", "");
  fs.AddFile(U"/in/cut.001", Cp932Lines("C,12345678002,y,2\n1,2,3,1.5,12,28\n"));
  fs.AddFile(U"/in/locked.001", "");
  fs.AddFile(U"/in/odd.001", "");
  fs.MakeFolder(U"/out");
  const RunEnvironment env{fs, U"/patdat/", PathStyle::kPosix};
  for (const Row& r : rows) {
    std::optional<Text> told;
    const FileReport report = ConvertFile(r.input, U"/out", env, [&](const Text& jobName) {
      told = jobName;
      // Nothing of the file is in the output folder yet: a batch may still have to wait.
      if (!jobName.empty()) {
        EXPECT_EQ(fs.KindOf(U"/out/" + jobName), EntryKind::kNone) << r.name;
      }
    });
    EXPECT_EQ(report.inputPath, r.input) << r.name;
    EXPECT_EQ(report.outcome, r.outcome) << r.name;
    EXPECT_EQ(report.error, r.error) << r.name;
    EXPECT_EQ(told, r.told) << r.name;
    EXPECT_EQ(report.written, r.written) << r.name;
  }
  EXPECT_EQ(fs.ReadAll(U"/out/12345678001/X5.txt"), Cp932Lines("   1,   1.50,12,,30,,,,,,\n"));
}

// Counting warnings reads the file whole before converting it: the outputs stay byte for byte
// what they are without it, and the count and findings come from the check.
TEST(ConvertFileTest, CountingWarningsLeavesTheOutputsAsTheyAre) {
  struct Row {
    const char* file;
    int warnings;
    const char* firstFinding;  // its start; empty: none
  };
  const Row rows[] = {
      {"12345678.001", 0, ""},
      {"12345678.003", 1, "14:9: warning T404: "},
      {"12345678.006", 0, ""},
  };
  const std::string examples = std::string(testing::SourceDir()) + "/examples/";
  const Text patdat = FromUtf8(examples + "sample-patdat") + HostSeparator();
  testing::TempDir tmp;
  tmp.Write("plain/.keep", "");
  tmp.Write("counted/.keep", "");
  RealFileSystem fs;
  for (const Row& r : rows) {
    FileReport reports[2];
    for (const bool count : {false, true}) {
      RunEnvironment env{fs, patdat};
      env.countWarnings = count;
      reports[count] =
          ConvertFile(FromUtf8(examples + r.file), tmp.TextOf(count ? "counted" : "plain"), env);
      ASSERT_EQ(reports[count].outcome, FileOutcome::kConverted) << r.file;
    }
    EXPECT_EQ(reports[0].warnings, -1) << r.file;
    EXPECT_EQ(reports[1].warnings, r.warnings) << r.file;
    const std::string first = r.firstFinding;
    EXPECT_EQ(reports[1].findings.empty(), first.empty()) << r.file;
    if (!first.empty() && !reports[1].findings.empty()) {
      EXPECT_EQ(FindingText(reports[1].findings[0]).substr(0, first.size()), FromUtf8(first))
          << r.file;
    }
    ASSERT_EQ(reports[0].written, reports[1].written) << r.file;
    const std::string job = "/" + ToUtf8(reports[0].jobName) + "/";
    for (const Text& name : reports[0].written) {
      EXPECT_EQ(tmp.Read("counted" + job + ToUtf8(name)), tmp.Read("plain" + job + ToUtf8(name)))
          << r.file << " " << ToUtf8(name);
    }
  }
}

// Each file's conversion reads the pattern files afresh, since they may have been edited in
// between: the second file asks for each of them as often as the first did.
TEST(ConvertFileTest, CountingWarningsReadsThePatternFilesAfreshForEachFile) {
  class CountedReads : public MemoryFileSystem {
   public:
    EntryKind KindOf(const Text& path) const override {
      if (path.starts_with(U"/patdat/")) ++asked[path];
      return MemoryFileSystem::KindOf(path);
    }
    std::string ReadAll(const Text& path) const override {
      if (path.starts_with(U"/patdat/")) ++read[path];
      return MemoryFileSystem::ReadAll(path);
    }
    mutable std::map<Text, int> asked, read;
  };
  const std::string examples = std::string(testing::SourceDir()) + "/examples/";
  CountedReads fs;
  fs.AddFilesOf(FromUtf8(examples + "sample-patdat") + HostSeparator(), U"/patdat/");
  fs.AddFile(U"/in/12345678.003", RealFileSystem().ReadAll(FromUtf8(examples + "12345678.003")));
  fs.MakeFolder(U"/out");
  RunEnvironment env{fs, U"/patdat/", PathStyle::kPosix};
  env.countWarnings = true;
  std::map<Text, int> firstAsked, firstRead;
  for (const int round : {1, 2}) {
    const FileReport report = ConvertFile(U"/in/12345678.003", U"/out", env);
    ASSERT_EQ(report.outcome, FileOutcome::kConverted) << ToUtf8(report.error);
    EXPECT_EQ(report.warnings, 1);  // as read from the real folder above
    EXPECT_FALSE(fs.read.empty());
    if (round == 1) {
      firstAsked = fs.asked;
      firstRead = fs.read;
      continue;
    }
    for (const auto& [path, times] : fs.asked)
      EXPECT_EQ(times, 2 * firstAsked[path]) << ToUtf8(path);
    for (const auto& [path, times] : fs.read) EXPECT_EQ(times, 2 * firstRead[path]) << ToUtf8(path);
  }
}

TEST(ConvertFilesInOrderTest, AFailedWriteIsThatFilesFailure) {
  for (const int workers : {1, 3}) {
    testing::TempDir tmp;
    tmp.Write("in/a.001", Cp932Lines("C,12345678001,y,1\n1,2,3,1.5,12,28\n"));
    tmp.Write("in/b.001", Cp932Lines("C,12345678002,y,1\n1,2,3,1.5,12,28\n"));
    tmp.Write("in/c.001", Cp932Lines("C,12345678003,y,1\n1,2,3,1.5,12,28\n"));
    tmp.Write("out/12345678002/X5.txt/x", "");  // a folder where the file goes
    RealFileSystem fs;
    const std::vector<Text> inputs = {tmp.TextOf("in/a.001"), tmp.TextOf("in/b.001"),
                                      tmp.TextOf("in/c.001")};
    std::vector<std::pair<std::size_t, FileOutcome>> seen;
    ConvertFilesInOrder(inputs, tmp.TextOf("out"),
                        RunEnvironment{fs, U"/patdat/", HostPathStyle(), workers},
                        [&](std::size_t i, const FileReport& report) {
                          EXPECT_EQ(report.inputPath, inputs[i]);
                          seen.emplace_back(i, report.outcome);
                          if (report.outcome == FileOutcome::kFailed) {
                            EXPECT_NE(report.error.find(U"X5.txt"), Text::npos) << workers;
                          }
                          return true;
                        });
    const std::vector<std::pair<std::size_t, FileOutcome>> expected = {
        {0, FileOutcome::kConverted}, {1, FileOutcome::kFailed}, {2, FileOutcome::kConverted}};
    EXPECT_EQ(seen, expected) << workers;
    EXPECT_TRUE(tmp.Exists("out/12345678003/X5.txt")) << workers;
  }
}

TEST(ReportLinesTest, NamesTheOutputsAndWhereTheWalkStopped) {
  struct Row {
    const char* name;
    FileReport report;
    std::vector<Text> lines;
  };
  FileReport written;
  written.jobFolder = U"/out/12345678001";
  written.written = {U"X5.txt", U"L209.txt"};
  FileReport nothing = written;
  nothing.written.clear();
  FileReport stopped = written;
  stopped.stoppedEarly = true;
  stopped.stoppedAtMarker = U"B";
  const Row rows[] = {
      {"written", written, {U"a.001 -> /out/12345678001: X5.txt L209.txt"}},
      {"nothing written", nothing, {U"a.001 -> /out/12345678001: （書き出したファイルなし）"}},
      {"stopped",
       stopped,
       {U"a.001 -> /out/12345678001: X5.txt L209.txt",
        U"  マーカー \"B\" は順序外または不明のため、そこから先は変換していません。"}},
  };
  for (const Row& r : rows) EXPECT_EQ(ReportLines(U"a.001", r.report), r.lines) << r.name;
}

}  // namespace
}  // namespace tecris2nx
