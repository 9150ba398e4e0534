#include "app/window/window_model.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <sstream>
#include <thread>
#include <tuple>

#include "common/cp932.h"
#include "common/error.h"
#include "common/file_system.h"
#include "common/pattern_folder.h"
#include "run/convert_file.h"
#include "support/temp_dir.h"
#include "tecris/path_check.h"
#include "window/fake_window.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::FakeView;
using testing::FakeWindowThread;
using testing::TempDir;
using testing::WindowHarness;

// A section C with one record: values 1.5, 12, 28.
constexpr const char* kSectionC = "C,x,y,1\n1,2,3,1.5,12,28\n";
constexpr const char* kX5 = "   1,   1.50,12,,30,,,,,,\n";
// Real folders in the host's own path form: on Windows the run checks drive letters for real.
const Text kSep(1, HostSeparator());

std::string SectionCFile(const std::string& job) { return "C," + job + ",y,1\n1,2,3,1.5,12,28\n"; }

// Every case runs with files converted one after another and side by side: the user must not
// see a difference.
class WindowRunTest : public ::testing::TestWithParam<int> {
 protected:
  WindowRunTest() : w(GetParam()) {}
  WindowHarness w;
};

TEST_P(WindowRunTest, ConvertsSelectedFilesAndReportsSuccess) {
  w.Source("a.001", std::string("X,12345678001,") + kSectionC);  // unknown marker: walk ends
  w.Source("b.002", SectionCFile("12345678002"));
  w.Start();
  w.view.selected = {U" a.001 ", U"b.002"};
  w.Execute();
  EXPECT_TRUE(w.view.boxes.empty());
  EXPECT_EQ(w.view.messageLine, kDoneMessage);
  EXPECT_EQ(w.view.messageLineHistory.front(), kBusyMessage);
  EXPECT_EQ(w.model->MessageClearPending(), 1);
  EXPECT_FALSE(w.view.busy);
  EXPECT_EQ(
      w.view.details,
      (std::vector<Text>{
          U"a.001 -> " + w.tmp.TextOf("out") + kSep + U"12345678001: （書き出したファイルなし）",
          U"  マーカー \"X\" は順序外または不明のため、そこから先は変換していません。",
          U"  警告 1 件（ダブルクリックで箇所を表示します）",
          U"b.002 -> " + w.tmp.TextOf("out") + kSep + U"12345678002: X5.txt", U"  警告なし"}));
  EXPECT_TRUE(w.tmp.Exists("out/12345678001"));  // job folder made even though nothing written
  EXPECT_FALSE(w.tmp.Exists("out/12345678001/X5.txt"));
  EXPECT_EQ(w.tmp.Read("out/12345678002/X5.txt"), Cp932Lines(kX5));
}

TEST_P(WindowRunTest, FolderFailuresStopBeforeAnythingIsConverted) {
  struct Row {
    const char* name;
    const char* source;  // below the scratch folder
    Text destination;
    std::vector<Text> boxes;
    Text title;
    bool focus;
  };
  const Text in = w.tmp.TextOf("in") + kSep;
  const Text out = w.tmp.TextOf("out");
  const Text file = w.tmp.TextOf("file");
  const Row rows[] = {
      {"blank in source", "in/a b", out, {kBadPathMessage}, in + U"a b" + kSep, false},
      // An empty title is the program's own.
      {"empty destination", "in", U"", {kDriveNameMessage, kBadPathMessage}, kProgramTitle, true},
      {"wildcard destination", "in", out + kSep + U"*", {kBadPathMessage}, out + kSep + U"*", true},
      {"trailing separator", "in", out + kSep, {kTrailingSeparatorMessage}, out + kSep, false},
      {"destination is a file", "in", file, {kDestinationNotFolderMessage}, file + kSep, true},
      {"destination below a file",
       "in",
       file + kSep + U"sub",
       {kDestinationNotFolderMessage},
       file + kSep + U"sub" + kSep,
       true},
  };
  w.tmp.Write("in/a b/.keep", "");
  w.tmp.Write("file", "not a folder");
  for (const Row& r : rows) {
    w.Source("a.001", SectionCFile("12345678001"));
    w.Start();
    w.model->OnFolderChosen(Side::kSource, w.tmp.TextOf(r.source));
    w.view.destination = r.destination;
    w.view.selected = {U"a.001"};
    w.view.answers = {MessageAnswer::kYes};
    w.Execute();
    EXPECT_EQ(w.view.BoxTexts(), r.boxes) << r.name;
    EXPECT_EQ(w.view.boxes.back().title, r.title) << r.name;
    EXPECT_EQ(w.view.boxes.back().style, MessageStyle::kOkExclamation) << r.name;
    EXPECT_EQ(w.view.focusedDestination, r.focus) << r.name;
    EXPECT_EQ(w.view.messageLine, U"") << r.name;
    EXPECT_EQ(w.model->MessageClearPending(), 0) << r.name;
    EXPECT_FALSE(w.tmp.Exists("out/12345678001")) << r.name;
    EXPECT_EQ(w.tmp.Read("file"), "not a folder") << r.name;
  }
}

TEST_P(WindowRunTest, MissingLevelsAreCreatedTopDownOnYes) {
  w.Source("a.001", SectionCFile("12345678001"));
  w.Start();
  w.view.destination = w.tmp.TextOf("new/sub");
  w.view.selected = {U"a.001"};
  w.view.answers = {MessageAnswer::kYes};
  bool stopOfferedDuringQuestion = true;
  w.view.onBox = [&](const FakeView::Box&) { stopOfferedDuringQuestion = w.view.running; };
  w.Execute();
  EXPECT_FALSE(stopOfferedDuringQuestion);
  EXPECT_EQ(w.view.runningHistory, (std::vector<bool>{true, false}));
  ASSERT_EQ(w.view.boxes.size(), 1u);
  EXPECT_EQ(w.view.boxes[0].text, kCreateFolderQuestion);
  EXPECT_EQ(w.view.boxes[0].style, MessageStyle::kYesNoQuestion);
  EXPECT_EQ(w.view.boxes[0].title, kProgramTitle);
  EXPECT_EQ(w.tmp.Read("new/sub/12345678001/X5.txt"), Cp932Lines(kX5));
}

TEST_P(WindowRunTest, NoCreatesNothing) {
  w.Start();
  w.view.destination = w.tmp.TextOf("new/sub");
  w.view.selected = {U"a.001"};
  w.view.answers = {MessageAnswer::kNo};
  w.Execute();
  EXPECT_EQ(w.view.BoxTexts(), std::vector<Text>{kCreateFolderQuestion});
  EXPECT_FALSE(w.tmp.Exists("new"));
  EXPECT_EQ(w.view.messageLine, U"");
}

TEST_P(WindowRunTest, EmptySelectionStillCreatesLevels) {
  w.Start();
  w.view.destination = w.tmp.TextOf("new");
  w.view.answers = {MessageAnswer::kYes};
  bool busyDuringBox = false;
  w.view.onBox = [&](const FakeView::Box& box) {
    if (box.text == kNothingSelectedMessage) busyDuringBox = w.view.busy;
  };
  w.Execute();
  EXPECT_EQ(w.view.BoxTexts(), (std::vector<Text>{kCreateFolderQuestion, kNothingSelectedMessage}));
  EXPECT_EQ(w.view.boxes.back().style, MessageStyle::kOkOnly);
  EXPECT_TRUE(w.tmp.Exists("new"));
  EXPECT_TRUE(busyDuringBox);
  EXPECT_FALSE(w.view.busy);
  EXPECT_EQ(w.view.messageLine, U"");
}

TEST_P(WindowRunTest, BadIdentifierStopsTheRunAtThatFile) {
  w.Source("a.001", SectionCFile("12345678001"));
  w.Source("b.002", SectionCFile("1234567800"));  // 10 characters
  w.Source("c.003", SectionCFile("12345678003"));
  w.Start();
  w.view.selected = {U"a.001", U"b.002", U"c.003"};
  w.Execute();
  EXPECT_EQ(w.view.BoxTexts(), std::vector<Text>{kBadFileMessage});
  EXPECT_EQ(w.view.boxes[0].style, MessageStyle::kOkOnly);
  EXPECT_TRUE(w.tmp.Exists("out/12345678001/X5.txt"));
  EXPECT_FALSE(w.tmp.Exists("out/12345678003"));
  EXPECT_EQ(w.view.details.back(), U"b.002: " + kBadFileMessage);
  EXPECT_EQ(w.view.messageLine, U"");
  EXPECT_EQ(w.model->MessageClearPending(), 0);
  EXPECT_FALSE(w.view.busy);
}

TEST_P(WindowRunTest, MarkersAreTakenInLetterOrderOnly) {
  struct Row {
    const char* name;
    std::string content;
    bool x5;
    const char* stoppedAt;  // empty: the walk reached the end
  };
  const Row rows[] = {
      {"full-width lower-case marker", "ｃ,12345678001,y,1\n1,2,3,1.5,12,28\n", true, ""},
      {"quoted marker with a blank", "\"C \",12345678001,y,1\n1,2,3,1.5,12,28\n", false, "C "},
      {"C then B: B is out of order", "C,12345678001,y,1\n1,2,3,1.5,12,28\nB,1,2,3\n", true, "B"},
      {"unknown marker after C", "C,12345678001,y,1\n1,2,3,1.5,12,28\nX\n", true, "X"},
      {"ends right after the section", "C,12345678001,y,1\n1,2,3,1.5,12,28", true, ""},
      {"only empty lines after the section", "C,12345678001,y,1\n1,2,3,1.5,12,28\n\n\n", true, ""},
  };
  for (const Row& r : rows) {
    TempDir out;
    w.Source("f.001", r.content);
    w.Start();
    w.view.destination = out.text();
    w.view.selected = {U"f.001"};
    w.Execute();
    EXPECT_TRUE(w.view.boxes.empty()) << r.name;
    EXPECT_EQ(w.view.messageLine, kDoneMessage) << r.name;
    EXPECT_EQ(out.Exists("12345678001/X5.txt"), r.x5) << r.name;
    const std::string marker = r.stoppedAt;
    // The file's line, the marker's when the walk stopped, and the warnings count.
    ASSERT_EQ(w.view.details.size(), marker.empty() ? 2u : 3u) << r.name;
    if (!marker.empty()) {
      EXPECT_EQ(w.view.details[1],
                U"  マーカー \"" + FromUtf8(marker) +
                    U"\" は順序外または不明のため、そこから先は変換していません。")
          << r.name;
    }
  }
}

TEST_P(WindowRunTest, AFileThatCannotBeConvertedStopsTheRunWithoutSuccess) {
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
    w.Source("ok.001", SectionCFile("12345678000"));
    w.Source("f.001", r.content);
    w.Source("ok.002", SectionCFile("12345678002"));
    w.Start();
    w.view.destination = out.text();
    w.view.selected = {U"ok.001", U"f.001", U"ok.002"};
    w.Execute();
    const Text input = w.tmp.TextOf("in") + kSep + U"f.001";
    ASSERT_EQ(w.view.boxes.size(), 1u) << r.name;
    EXPECT_EQ(w.view.boxes[0].text,
              U"ファイル " + input + U" を変換できませんでした。\n" + r.problem)
        << r.name;
    EXPECT_EQ(w.view.boxes[0].style, MessageStyle::kOkExclamation) << r.name;
    EXPECT_EQ(w.view.messageLine, U"") << r.name;
    EXPECT_EQ(w.model->MessageClearPending(), 0) << r.name;
    EXPECT_FALSE(w.view.busy) << r.name;
    EXPECT_EQ(out.Read("12345678000/X5.txt"), Cp932Lines(kX5)) << r.name;
    EXPECT_FALSE(out.Exists("12345678001/X5.txt")) << r.name;
    EXPECT_EQ(out.Exists("12345678001/X1.txt"), r.x1) << r.name;
    EXPECT_FALSE(out.Exists("12345678002")) << r.name;
    EXPECT_EQ(w.view.details.back(), U"f.001: " + r.problem) << r.name;
  }
}

// Each line of the details list finds the findings of its own file, through a run that fails
// at its last file and through the next run; lines without any show nothing.
TEST_P(WindowRunTest, DetailLinesShowTheirFilesFindings) {
  std::string many = "C,12345678004,y,22\n";
  for (int i = 0; i < 22; ++i) many += "1,2,3,1.5a,12,28\n";
  w.Source("a.001", SectionCFile("12345678001"));
  w.Source("b.002", "C,12345678002,y,1\n1,2,3,12a,12,28\nX\n");
  w.Source("d.004", many);
  w.Source("c.003", "C,12345678003,y,2\n1,2,3,1.5,12,28\n");  // ends inside section C
  const Text b =
      U"2:7: warning T301: 値 \"12a\" は一部だけが数値として読まれます（12 として扱われます）。"
      U"\n3:1: warning T204: マーカー \"X\" はセクションの文字ではないため、そこから先は"
      U"変換されません。";
  Text d;
  for (int line = 2; line <= 21; ++line) {
    d += FromUtf8(std::to_string(line)) +
         U":7: warning T301: 値 \"1.5a\" は一部だけが数値として読まれます（1.5 "
         U"として扱われます）。\n";
  }
  d += U"…ほか 2 件（tecris2nx check ですべて表示します）";
  const Text c =
      U"3:1: error T101: セクション C のフィールド 10: ファイルがセクションの途中で終わって"
      U"います。";
  struct Row {
    int row;
    Text text;  // empty: no box
    Text informative;
  };
  const Row firstRun[] = {
      {-1, U"", U""},  // before the list
      {0, U"", U""},   // a.001: no findings
      {1, U"", U""},   // its "警告なし"
      {2, U"b.002 の指摘 2 件", b},
      {3, U"b.002 の指摘 2 件", b},  // the marker line
      {4, U"b.002 の指摘 2 件", b},  // the count
      {5, U"d.004 の指摘 22 件", d},
      {6, U"d.004 の指摘 22 件", d},
      {7, U"c.003 の指摘 1 件", c},  // the failure
      {8, U"", U""},                 // past the list
  };
  const Row secondRun[] = {
      {0, U"b.002 の指摘 2 件", b},
      {2, U"b.002 の指摘 2 件", b},
      {3, U"", U""},
  };
  w.Start();
  for (const auto& [selected, rows, lines] :
       {std::tuple{std::vector<Text>{U"a.001", U"b.002", U"d.004", U"c.003"},
                   std::span<const Row>(firstRun), std::size_t{8}},
        std::tuple{std::vector<Text>{U"b.002"}, std::span<const Row>(secondRun), std::size_t{3}}}) {
    w.view.selected = selected;
    w.view.boxes.clear();
    w.Execute();
    ASSERT_EQ(w.view.details.size(), lines);
    for (const Row& r : rows) {
      const std::size_t before = w.view.boxes.size();
      w.model->OnDetailActivated(r.row);
      ASSERT_EQ(w.view.boxes.size(), before + (r.text.empty() ? 0 : 1)) << r.row;
      if (r.text.empty()) continue;
      EXPECT_EQ(w.view.boxes.back().text, r.text) << r.row;
      EXPECT_EQ(w.view.boxes.back().informative, r.informative) << r.row;
      EXPECT_EQ(w.view.boxes.back().style, MessageStyle::kOkInformation) << r.row;
    }
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
  std::string ReadAll(const Text& path) const override {
    if (path == path_) throw ConversionError(U"ファイルを開けません: 読み取り権限がありません");
    return RealFileSystem::ReadAll(path);
  }

 private:
  Text path_;
};

TEST_P(WindowRunTest, UnreadableInputIsAnErrorNamingTheFile) {
  w.Source("a.001", SectionCFile("12345678001"));
  w.Source("b.002", SectionCFile("12345678002"));
  const Text input = w.tmp.TextOf("in") + kSep + U"b.002";
  UnreadableFileSystem unreadable(input);
  w.fs = &unreadable;
  w.Start();
  w.view.selected = {U"a.001", U"b.002"};
  w.Execute();
  ASSERT_EQ(w.view.boxes.size(), 1u);
  EXPECT_EQ(w.view.boxes[0].text,
            U"ファイル " + input +
                U" を変換できませんでした。\nファイルを開けません: 読み取り権限がありません");
  EXPECT_EQ(w.view.boxes[0].style, MessageStyle::kOkExclamation);
  EXPECT_EQ(w.view.messageLine, U"");
  EXPECT_EQ(w.model->MessageClearPending(), 0);
  EXPECT_FALSE(w.view.busy);
  EXPECT_TRUE(w.tmp.Exists("out/12345678001/X5.txt"));
  w.model.reset();
}

TEST_P(WindowRunTest, JobFolderTakenByAPlainFile) {
  w.Source("a.001", SectionCFile("12345678001"));
  w.tmp.Write("out/12345678001", "not a folder");
  w.Start();
  w.view.selected = {U"a.001"};
  w.Execute();
  ASSERT_EQ(w.view.boxes.size(), 1u);
  EXPECT_NE(w.view.boxes[0].text.find(U"ジョブフォルダを作成できません"), Text::npos);
  EXPECT_EQ(w.tmp.Read("out/12345678001"), "not a folder");
}

INSTANTIATE_TEST_SUITE_P(Workers, WindowRunTest, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "workers" + std::to_string(info.param);
                         });

// A, then C, then B: A and C are converted, B is out of order and left, without a message.
TEST(WindowRunWalkTest, SectionsAfterAnOutOfOrderMarkerAreNotRead) {
  WindowHarness w(1);
  std::ifstream example(std::string(TECRIS2NX_SOURCE_DIR) + "/examples/12345678.001",
                        std::ios::binary);
  std::ostringstream bytes;
  bytes << example.rdbuf();
  w.tmp.Write("in/12345678.001",
              bytes.str() + Cp932Lines("B,12345678001,x,1\nB,1,1,1.0,0,表土,C,\n"));
  WindowEnvironment env = w.Env();
  env.findPatternFolder = [] { return FromUtf8(TECRIS2NX_SOURCE_DIR "/examples/sample-patdat/"); };
  w.Start(std::move(env));
  w.view.selected = {U"12345678.001"};
  w.Execute();
  EXPECT_EQ(w.view.messageLine, kDoneMessage);
  EXPECT_EQ(w.view.details,
            (std::vector<Text>{
                U"12345678.001 -> " + w.tmp.TextOf("out") + kSep +
                    U"12345678001: titl01.txt titl02.txt titl04.txt X5.txt",
                U"  マーカー \"B\" は順序外または不明のため、そこから先は変換していません。",
                U"  警告 1 件（ダブルクリックで箇所を表示します）"}));
  EXPECT_FALSE(w.tmp.Exists("out/12345678001/X1.txt"));
}

}  // namespace
}  // namespace tecris2nx
