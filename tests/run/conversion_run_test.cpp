#include "run/conversion_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "common/cp932.h"
#include "common/error.h"
#include "common/file_system.h"
#include "support/scripted_front_end.h"
#include "support/temp_dir.h"
#include "tecris/path_check.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::ScriptedFrontEnd;
using testing::TempDir;

// A section C with one record: values 1.5, 12, 28.
constexpr const char* kSectionC = "C,x,y,1\n1,2,3,1.5,12,28\n";
constexpr const char* kX5 = "   1,   1.50,12,,30,,,,,,\n";
// Real folders in the host's own path form: on Windows the run checks drive letters for real.
const Text kSep(1, HostSeparator());

// Every case runs with files converted one after another and side by side: the user must not
// see a difference.
class ConversionRunTest : public ::testing::TestWithParam<int> {
 protected:
  ConversionRunTest() {
    ui.source = tmp.TextOf("in") + kSep;
    ui.destination = tmp.TextOf("out");
    tmp.Write("out/.keep", "");
  }

  /// Writes a TECRIS file into the source folder.
  void Source(const std::string& name, const std::string& utf8) {
    tmp.Write("in/" + name, Cp932Lines(utf8));
  }

  void Run() {
    ConversionRun(ui, RunEnvironment{fs, tmp.TextOf("patdat") + kSep, HostPathStyle(), GetParam()});
  }

  std::vector<Text> BoxTexts() const {
    std::vector<Text> texts;
    for (const auto& box : ui.boxes) texts.push_back(box.text);
    return texts;
  }

  TempDir tmp;
  RealFileSystem fs;
  ScriptedFrontEnd ui;
};

TEST_P(ConversionRunTest, ConvertsSelectedFilesAndReportsSuccess) {
  Source("a.001", std::string("X,12345678001,") + kSectionC);  // unknown marker: walk ends at once
  Source("b.002", std::string("C,12345678002,y,1\n1,2,3,1.5,12,28\n"));
  ui.selected = {U" a.001 ", U"b.002"};
  Run();
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(ui.messageLine, kDoneMessage);
  EXPECT_EQ(ui.messageLineHistory.front(), kBusyMessage);
  EXPECT_TRUE(ui.clearPending);
  EXPECT_FALSE(ui.busy);
  ASSERT_EQ(ui.converted.size(), 2u);
  EXPECT_TRUE(tmp.Exists("out/12345678001"));  // job folder made even though nothing was written
  EXPECT_FALSE(tmp.Exists("out/12345678001/X5.txt"));
  EXPECT_EQ(tmp.Read("out/12345678002/X5.txt"), Cp932Lines(kX5));
}

TEST_P(ConversionRunTest, PathFailuresStopBeforeAnythingIsConverted) {
  struct Row {
    const char* name;
    Text source, destination;
    std::vector<Text> boxes;
    Text title;
    bool focus;
  };
  const Text in = tmp.TextOf("in") + kSep;
  const Text out = tmp.TextOf("out");
  const Row rows[] = {
      {"relative source",
       U"in" + kSep,
       out,
       {kDriveNameMessage, kBadPathMessage},
       U"in" + kSep,
       false},
      {"blank in source", in + U"a b", out, {kBadPathMessage}, in + U"a b", false},
      {"empty destination", in, U"", {kDriveNameMessage, kBadPathMessage}, U"", true},
      {"wildcard destination", in, out + kSep + U"*", {kBadPathMessage}, out + kSep + U"*", true},
      {"trailing separator", in, out + kSep, {kTrailingSeparatorMessage}, out + kSep, false},
  };
  for (const Row& r : rows) {
    ScriptedFrontEnd fresh;
    fresh.source = r.source;
    fresh.destination = r.destination;
    fresh.selected = {U"a.001"};
    ui = fresh;
    Source("a.001", std::string("C,12345678001,y,1\n1,2,3,1.5,12,28\n"));
    Run();
    EXPECT_EQ(BoxTexts(), r.boxes) << r.name;
    EXPECT_EQ(ui.boxes.back().title, r.title) << r.name;
    EXPECT_EQ(ui.boxes.back().style, kStyleOkExclamation) << r.name;
    if (r.boxes.front() == kDriveNameMessage) {
      EXPECT_EQ(ui.boxes.front().style, kStyleOkInformation) << r.name;
      EXPECT_EQ(ui.boxes.front().title, U"") << r.name;
    }
    EXPECT_EQ(ui.focusedDestination, r.focus) << r.name;
    EXPECT_EQ(ui.messageLine, U"") << r.name;
    EXPECT_FALSE(ui.clearPending) << r.name;
    EXPECT_FALSE(tmp.Exists("out/12345678001")) << r.name;
  }
}

TEST_P(ConversionRunTest, MissingLevelsAreCreatedTopDownOnYes) {
  Source("a.001", std::string("C,12345678001,y,1\n1,2,3,1.5,12,28\n"));
  ui.destination = tmp.TextOf("new/sub");
  ui.selected = {U"a.001"};
  ui.answers = {kAnswerYes};
  Run();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, kCreateFolderQuestion);
  EXPECT_EQ(ui.boxes[0].style, kStyleYesNoQuestion);
  EXPECT_EQ(ui.boxes[0].title, U"");
  EXPECT_EQ(tmp.Read("new/sub/12345678001/X5.txt"), Cp932Lines(kX5));
}

TEST_P(ConversionRunTest, NoCreatesNothing) {
  ui.destination = tmp.TextOf("new/sub");
  ui.selected = {U"a.001"};
  ui.answers = {kAnswerNo};
  Run();
  EXPECT_EQ(BoxTexts(), std::vector<Text>{kCreateFolderQuestion});
  EXPECT_FALSE(tmp.Exists("new"));
  EXPECT_EQ(ui.messageLine, U"");
}

TEST_P(ConversionRunTest, EmptySelectionStillCreatesLevels) {
  ui.destination = tmp.TextOf("new");
  ui.answers = {kAnswerYes};
  Run();
  EXPECT_EQ(BoxTexts(), (std::vector<Text>{kCreateFolderQuestion, kNothingSelectedMessage}));
  EXPECT_EQ(ui.boxes.back().style, kStyleOkOnly);
  EXPECT_TRUE(tmp.Exists("new"));
  EXPECT_FALSE(ui.busy);
  EXPECT_EQ(ui.messageLine, U"");
}

TEST_P(ConversionRunTest, BadIdentifierStopsTheRunAtThatFile) {
  Source("a.001", "C,12345678001,y,1\n1,2,3,1.5,12,28\n");
  Source("b.002", "C,1234567800,y,1\n1,2,3,1.5,12,28\n");  // 10 characters
  Source("c.003", "C,12345678003,y,1\n1,2,3,1.5,12,28\n");
  ui.selected = {U"a.001", U"b.002", U"c.003"};
  Run();
  EXPECT_EQ(BoxTexts(), std::vector<Text>{kBadFileMessage});
  EXPECT_EQ(ui.boxes[0].style, kStyleOkOnly);
  EXPECT_TRUE(tmp.Exists("out/12345678001/X5.txt"));
  EXPECT_FALSE(tmp.Exists("out/12345678003"));
  EXPECT_EQ(ui.messageLine, U"");
  EXPECT_FALSE(ui.clearPending);
  EXPECT_FALSE(ui.busy);
}

TEST_P(ConversionRunTest, MarkersAreTakenInLetterOrderOnly) {
  struct Row {
    const char* name;
    std::string content;
    bool x5;
    Text stoppedAt;
  };
  const Row rows[] = {
      {"full-width lower-case marker", "ｃ,12345678001,y,1\n1,2,3,1.5,12,28\n", true, U""},
      {"quoted marker with a blank", "\"C \",12345678001,y,1\n1,2,3,1.5,12,28\n", false, U"C "},
      {"C then B: B is out of order", "C,12345678001,y,1\n1,2,3,1.5,12,28\nB,1,2,3\n", true, U"B"},
      {"unknown marker after C", "C,12345678001,y,1\n1,2,3,1.5,12,28\nX\n", true, U"X"},
      {"ends right after the section", "C,12345678001,y,1\n1,2,3,1.5,12,28", true, U""},
      {"only empty lines after the section", "C,12345678001,y,1\n1,2,3,1.5,12,28\n\n\n", true, U""},
  };
  for (const Row& r : rows) {
    TempDir out;
    ScriptedFrontEnd fresh;
    fresh.source = tmp.TextOf("in") + kSep;
    fresh.destination = out.text();
    fresh.selected = {U"f.001"};
    ui = fresh;
    Source("f.001", r.content);
    Run();
    EXPECT_TRUE(ui.boxes.empty()) << r.name;
    EXPECT_EQ(ui.messageLine, kDoneMessage) << r.name;
    EXPECT_EQ(out.Exists("12345678001/X5.txt"), r.x5) << r.name;
    ASSERT_EQ(ui.converted.size(), 1u) << r.name;
    EXPECT_EQ(ui.converted[0].stoppedAtMarker, r.stoppedAt) << r.name;
    EXPECT_EQ(ui.converted[0].stoppedEarly, !r.stoppedAt.empty()) << r.name;
  }
}

TEST_P(ConversionRunTest, AFileThatCannotBeConvertedStopsTheRunWithoutSuccess) {
  struct Row {
    const char* name;
    std::string content;
    Text problem;
    bool x1;  // the section before the failing one was converted and stays
  };
  const Row rows[] = {
      {"ends inside section C", "C,12345678001,y,2\n1,2,3,1.5,12,28\n",
       U"セクション C のフィールド 10: ファイルがセクションの途中で終わっています。", false},
      {"count out of range", "C,12345678001,y,-1\n",
       U"セクション C のフィールド 3: 件数 \"-1\" が 0 から 32767 の範囲にありません。", false},
      {"section B, then C ends inside",
       "B,12345678001,y,1\n1,2,3,0.5,0,,,\nC,x,y,2\n1,2,3,1.5,12,28\n",
       U"セクション C のフィールド 10: ファイルがセクションの途中で終わっています。", true},
  };
  for (const Row& r : rows) {
    TempDir out;
    ScriptedFrontEnd fresh;
    fresh.source = tmp.TextOf("in") + kSep;
    fresh.destination = out.text();
    fresh.selected = {U"ok.001", U"f.001", U"ok.002"};
    ui = fresh;
    Source("ok.001", "C,12345678000,y,1\n1,2,3,1.5,12,28\n");
    Source("f.001", r.content);
    Source("ok.002", "C,12345678002,y,1\n1,2,3,1.5,12,28\n");
    Run();
    const Text input = tmp.TextOf("in") + kSep + U"f.001";
    ASSERT_EQ(ui.boxes.size(), 1u) << r.name;
    EXPECT_EQ(ui.boxes[0].text, U"ファイル " + input + U" を変換できませんでした。\n" + r.problem)
        << r.name;
    EXPECT_EQ(ui.boxes[0].style, kStyleOkExclamation) << r.name;
    EXPECT_EQ(ui.messageLine, U"") << r.name;
    EXPECT_FALSE(ui.clearPending) << r.name;
    EXPECT_FALSE(ui.busy) << r.name;
    EXPECT_EQ(out.Read("12345678000/X5.txt"), Cp932Lines(kX5)) << r.name;
    EXPECT_FALSE(out.Exists("12345678001/X5.txt")) << r.name;
    EXPECT_EQ(out.Exists("12345678001/X1.txt"), r.x1) << r.name;
    EXPECT_FALSE(out.Exists("12345678002")) << r.name;
    ASSERT_EQ(ui.failed.size(), 1u);
    EXPECT_EQ(ui.failed[0].second, r.problem);
  }
}

/// A file system on which one file exists but cannot be read.
class UnreadableFileSystem : public RealFileSystem {
 public:
  explicit UnreadableFileSystem(Text path) : path_(std::move(path)) {}
  std::unique_ptr<ByteSource> OpenForReading(const Text& path) const override {
    if (path == path_) throw ConversionError(U"ファイルを開けません: 読み取り権限がありません");
    return RealFileSystem::OpenForReading(path);
  }

 private:
  Text path_;
};

TEST_P(ConversionRunTest, UnreadableInputIsAnErrorNamingTheFile) {
  Source("a.001", "C,12345678001,y,1\n1,2,3,1.5,12,28\n");
  Source("b.002", "C,12345678002,y,1\n1,2,3,1.5,12,28\n");
  const Text input = tmp.TextOf("in") + kSep + U"b.002";
  UnreadableFileSystem unreadable(input);
  ui.selected = {U"a.001", U"b.002"};
  ConversionRun(
      ui, RunEnvironment{unreadable, tmp.TextOf("patdat") + kSep, HostPathStyle(), GetParam()});
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            U"ファイル " + input +
                U" を変換できませんでした。\nファイルを開けません: 読み取り権限がありません");
  EXPECT_EQ(ui.boxes[0].style, kStyleOkExclamation);
  EXPECT_EQ(ui.messageLine, U"");
  EXPECT_FALSE(ui.clearPending);
  EXPECT_FALSE(ui.busy);
  EXPECT_TRUE(tmp.Exists("out/12345678001/X5.txt"));
}

TEST_P(ConversionRunTest, JobFolderTakenByAPlainFile) {
  Source("a.001", "C,12345678001,y,1\n1,2,3,1.5,12,28\n");
  tmp.Write("out/12345678001", "not a folder");
  ui.selected = {U"a.001"};
  Run();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes[0].text.find(U"ジョブフォルダを作成できません"), Text::npos);
  EXPECT_EQ(tmp.Read("out/12345678001"), "not a folder");
}

INSTANTIATE_TEST_SUITE_P(Workers, ConversionRunTest, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "workers" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace tecris2nx

namespace tecris2nx {
namespace {

// A, then C, then B: A and C are converted, B is out of order and left, without a message.
TEST(ConversionRunWalkTest, SectionsAfterAnOutOfOrderMarkerAreNotRead) {
  TempDir tmp;
  std::ifstream example(std::string(TECRIS2NX_SOURCE_DIR) + "/examples/12345678.001",
                        std::ios::binary);
  std::ostringstream bytes;
  bytes << example.rdbuf();
  tmp.Write("in/12345678.001",
            bytes.str() + Cp932Lines("B,12345678001,x,1\nB,1,1,1.0,0,表土,C,\n"));
  RealFileSystem fs;
  ScriptedFrontEnd ui;
  ui.source = tmp.TextOf("in") + Text(1, HostSeparator());
  ui.destination = tmp.TextOf("out");
  ui.selected = {U"12345678.001"};
  ui.answers = {kAnswerYes};
  ConversionRun(ui, RunEnvironment{fs, FromUtf8(TECRIS2NX_SOURCE_DIR "/examples/sample-patdat/")});
  EXPECT_EQ(ui.messageLine, kDoneMessage);
  ASSERT_EQ(ui.converted.size(), 1u);
  EXPECT_EQ(ui.converted[0].written,
            (std::vector<Text>{U"titl01.txt", U"titl02.txt", U"titl04.txt", U"X5.txt"}));
  EXPECT_EQ(ui.converted[0].stoppedAtMarker, U"B");
  EXPECT_FALSE(tmp.Exists("out/12345678001/X1.txt"));
}

}  // namespace
}  // namespace tecris2nx
