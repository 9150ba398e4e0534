#include "app/window/window_model.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
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
#include "support/test_paths.h"
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
constexpr const char* kWrittenX5 = "   1,   1.50,12,,30,,,,,,\n";
// Real folders in the host's own path form: on Windows the run checks drive letters for real.
using testing::kSep;
using testing::SectionCFile;

// Every case runs with files converted one after another and side by side: the user must not
// see a difference.
class WindowRunTest : public ::testing::TestWithParam<int> {
 protected:
  WindowRunTest() : w(GetParam()) {}
  WindowHarness w;
};

// The checks before a run: no worker starts, so the worker count makes no difference.
class WindowExecuteCheckTest : public ::testing::Test {
 protected:
  WindowExecuteCheckTest() : w(1) {}
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
  EXPECT_TRUE(w.model->MessageClearPending());
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
  EXPECT_EQ(w.tmp.Read("out/12345678002/X5.txt"), Cp932Lines(kWrittenX5));
}

TEST_F(WindowExecuteCheckTest, FolderFailuresStopBeforeAnythingIsConverted) {
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
    EXPECT_FALSE(w.model->MessageClearPending()) << r.name;
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
  EXPECT_EQ(w.tmp.Read("new/sub/12345678001/X5.txt"), Cp932Lines(kWrittenX5));
}

TEST_F(WindowExecuteCheckTest, NoCreatesNothing) {
  w.Start();
  w.view.destination = w.tmp.TextOf("new/sub");
  w.view.selected = {U"a.001"};
  w.view.answers = {MessageAnswer::kNo};
  w.Execute();
  EXPECT_EQ(w.view.BoxTexts(), std::vector<Text>{kCreateFolderQuestion});
  EXPECT_FALSE(w.tmp.Exists("new"));
  EXPECT_EQ(w.view.messageLine, U"");
}

TEST_F(WindowExecuteCheckTest, EmptySelectionStillCreatesLevels) {
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

// A pointer move over the background clears a finished run's message, once; with no finished
// run it leaves the line alone.
TEST(WindowMessageLineTest, ABackgroundMoveClearsOnlyAFinishedRunsMessage) {
  for (const bool run : {true, false}) {
    WindowHarness w(1);
    w.Source("a.001", SectionCFile("12345678001"));
    w.Start();
    if (run) {
      w.view.selected = {U"a.001"};
      w.Execute();
      ASSERT_EQ(w.view.messageLine, kDoneMessage);
    }
    const std::vector<Text> before = w.view.messageLineHistory;
    w.model->OnBackgroundMouseMove();
    w.model->OnBackgroundMouseMove();
    std::vector<Text> expected = before;
    if (run) expected.push_back(U"");
    EXPECT_EQ(w.view.messageLineHistory, expected) << run;
    EXPECT_FALSE(w.model->MessageClearPending()) << run;
  }
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

// Each line of the details list finds the findings of its own file, through a run that fails
// at its last file, through the next run and with only the failures shown; lines without any
// show nothing.
TEST_P(WindowRunTest, DetailLinesShowTheirFilesFindings) {
  std::string many = "C,12345678004,y,22\n";
  for (int i = 0; i < 22; ++i) many += "1,2,3,1.5a,12,28\n";
  w.Source("a.001", SectionCFile("12345678001"));
  w.Source("b.002", "C,12345678002,y,1\n1,2,3,12a,12,28\nX\n");
  w.Source("d.004", many);
  w.Source("c.003", "C,12345678003,y,2\n1,2,3,1.5,12,28\n");  // ends inside section C
  const std::vector<Text> bFirst = {
      U"2",
      U"7",
      U"警告",
      U"T301",
      U"C",
      U"1",
      U"値 \"12a\" は一部だけが数値として読まれます（12 として扱われます）。",
      U"1"};
  struct Row {
    int row;
    Text title;  // empty: nothing shown
    std::size_t rows;
  };
  const Row firstRun[] = {
      {-1, U"", 0},  // before the list
      {0, U"", 0},   // a.001: no findings
      {1, U"", 0},   // its "警告なし"
      {2, U"b.002 の指摘 2 件", 2},
      {3, U"b.002 の指摘 2 件", 2},  // the marker line
      {4, U"b.002 の指摘 2 件", 2},  // the count
      {5, U"d.004 の指摘 22 件", 22},
      {6, U"d.004 の指摘 22 件", 22},
      {7, U"c.003 の指摘 1 件", 1},  // the failure
      {8, U"c.003 の指摘 1 件", 1},  // what it wrote
      {9, U"", 0},                   // past the list
  };
  const Row secondRun[] = {
      {0, U"b.002 の指摘 2 件", 2},
      {2, U"b.002 の指摘 2 件", 2},
      {3, U"", 0},
  };
  const Row failuresOnly[] = {
      {0, U"c.003 の指摘 1 件", 1},
      {1, U"c.003 の指摘 1 件", 1},
      {2, U"", 0},
  };
  const auto check = [this](std::span<const Row> rows) {
    for (const Row& r : rows) {
      const std::size_t before = w.view.findingsShown.size();
      w.model->OnDetailActivated(r.row);
      ASSERT_EQ(w.view.findingsShown.size(), before + (r.title.empty() ? 0 : 1)) << r.row;
      if (r.title.empty()) continue;
      EXPECT_EQ(w.view.findingsShown.back().title, r.title) << r.row;
      EXPECT_EQ(w.view.findingsShown.back().rows.size(), r.rows) << r.row;
    }
  };
  w.Start();
  w.view.selected = {U"a.001", U"b.002", U"d.004", U"c.003"};
  w.Execute();
  ASSERT_EQ(w.view.details.size(), 9u);
  check(firstRun);
  EXPECT_EQ(w.view.findingsShown[0].rows[0], bFirst);
  w.model->OnShowFailuresOnly(true);
  ASSERT_EQ(w.view.details.size(), 2u);
  check(failuresOnly);
  w.model->OnShowFailuresOnly(false);
  w.view.selected = {U"b.002"};
  w.view.boxes.clear();
  w.Execute();
  ASSERT_EQ(w.view.details.size(), 3u);
  check(secondRun);
  // Failures only, once chosen, holds for the next run too (the box beside the list stays
  // ticked): a run without failures shows no line.
  w.model->OnShowFailuresOnly(true);
  w.view.boxes.clear();
  w.Execute();
  EXPECT_TRUE(w.view.details.empty());
}

/// A file system on which some files exist but cannot be read.
class UnreadableFileSystem : public RealFileSystem {
 public:
  std::set<Text> unreadable;
  std::unique_ptr<ByteSource> OpenForReading(const Text& path) const override {
    if (unreadable.count(path)) {
      throw ConversionError(U"ファイルを開けません: 読み取り権限がありません");
    }
    return RealFileSystem::OpenForReading(path);
  }
};

// A file that cannot be converted, whatever the reason and wherever it stands in the batch, is
// reported in its lines (marked, with what it wrote) and the others are still converted; the
// run ends with one box and a message line that count them.
TEST_P(WindowRunTest, FilesThatFailAreReportedAndTheRunGoesOn) {
  enum class Kind { kBadIdentifier, kEndsInside, kUnreadable, kVanished, kJobFolderIsAFile };
  struct Failure {
    const char* name;
    Kind kind;
    Text problem;  // what the file's first line says after its name
    Text written;  // its second line; empty: none
  };
  const Text notConverted = U"（これより後のセクションは変換していません）";
  const Failure failures[] = {
      {"bad identifier", Kind::kBadIdentifier,
       kBadFileMessage +
           U"（2 番目のフィールドがフォルダ名に使える 11 文字の識別子ではありません）",
       U""},
      {"ends inside section C after B", Kind::kEndsInside,
       U"セクション C のフィールド 10: ファイルがセクションの途中で終わっています。",
       U"  書き出したファイル: X1.txt X3.txt" + notConverted},
      {"unreadable", Kind::kUnreadable, U"ファイルを開けません: 読み取り権限がありません", U""},
      {"deleted after the list was read", Kind::kVanished,
       kBadFileMessage + U"（ファイルがありません）", U""},
      {"job folder is a plain file", Kind::kJobFolderIsAFile, U"", U""},
  };
  const std::vector<std::set<int>> places = {{0}, {1}, {2}, {0, 1, 2}};
  for (const Failure& f : failures) {
    for (const std::set<int>& failing : places) {
      const std::string name = std::string(f.name) + " at " + std::to_string(*failing.begin()) +
                               (failing.size() > 1 ? " (all)" : "");
      TempDir out;
      UnreadableFileSystem fs;
      w.fs = &fs;
      std::vector<Text> selected;
      for (int i = 0; i < 3; ++i) {
        const std::string file = "f" + std::to_string(i) + ".00" + std::to_string(i);
        const std::string job = "1234567800" + std::to_string(i);
        selected.push_back(FromUtf8(file));
        std::string content = SectionCFile(job);
        if (failing.count(i) && f.kind == Kind::kBadIdentifier) content = SectionCFile("123");
        if (failing.count(i) && f.kind == Kind::kEndsInside) {
          content = "B," + job + ",y,1\n1,2,3,0.5,0,,,\nC,x,y,2\n1,2,3,1.5,12,28\n";
        }
        if (failing.count(i) && f.kind == Kind::kJobFolderIsAFile) out.Write(job, "not a folder");
        if (failing.count(i) && f.kind == Kind::kUnreadable) {
          fs.unreadable.insert(w.tmp.TextOf("in") + kSep + FromUtf8(file));
        }
        w.Source(file, content);
      }
      w.Start();
      for (int i : failing) {
        if (f.kind == Kind::kVanished) {
          std::filesystem::remove(std::filesystem::path(w.tmp.TextOf("in/" + ToUtf8(selected[i]))));
        }
      }
      w.view.destination = out.text();
      w.view.selected = selected;
      w.Execute();
      const Text summary = FailureSummary(3, 3 - failing.size(), failing.size());
      ASSERT_EQ(w.view.BoxTexts(), std::vector<Text>{summary}) << name;
      EXPECT_EQ(w.view.boxes[0].style, MessageStyle::kOkExclamation) << name;
      EXPECT_EQ(w.view.messageLine, summary) << name;
      EXPECT_FALSE(w.model->MessageClearPending()) << name;
      EXPECT_FALSE(w.view.busy) << name;
      EXPECT_FALSE(w.view.running) << name;
      std::size_t line = 0;
      for (int i = 0; i < 3; ++i) {
        const std::string job = "1234567800" + std::to_string(i);
        ASSERT_LT(line, w.view.details.size()) << name;
        const Text& first = w.view.details[line];
        if (!failing.count(i)) {
          EXPECT_EQ(out.Read(job + "/X5.txt"), Cp932Lines(kWrittenX5)) << name;
          EXPECT_EQ(first.rfind(selected[i] + U" -> ", 0), 0u) << name << ToUtf8(first);
          EXPECT_FALSE(w.view.detailFailed[line]) << name;
          line += 2;  // its outputs and "警告なし"
          continue;
        }
        EXPECT_FALSE(out.Exists(job + "/X5.txt")) << name;
        EXPECT_EQ(first.rfind(U"× " + selected[i] + U": ", 0), 0u) << name << ToUtf8(first);
        EXPECT_NE(first.find(f.problem), Text::npos) << name << ToUtf8(first);
        EXPECT_TRUE(w.view.detailFailed[line]) << name;
        ++line;
        if (f.kind == Kind::kEndsInside || f.kind == Kind::kJobFolderIsAFile) {
          const Text expected =
              f.written.empty() ? U"  書き出したファイル: なし" + notConverted : f.written;
          ASSERT_LT(line, w.view.details.size()) << name;
          EXPECT_EQ(w.view.details[line], expected) << name;
          ++line;
        }
        if (f.kind == Kind::kEndsInside) {
          EXPECT_TRUE(out.Exists(job + "/X1.txt")) << name;
          EXPECT_EQ(w.view.details[line].rfind(U"  警告 ", 0), 0u) << name;  // its layer's code
          ++line;
        }
        if (f.kind == Kind::kJobFolderIsAFile) {
          EXPECT_NE(first.find(U"ジョブフォルダを作成できません"), Text::npos) << name;
          EXPECT_EQ(out.Read(job), "not a folder") << name;
        }
      }
      EXPECT_EQ(line, w.view.details.size()) << name;
      // Only the failed files' lines are shown, and shown again as a whole.
      w.model->OnShowFailuresOnly(true);
      EXPECT_EQ(std::count(w.view.detailFailed.begin(), w.view.detailFailed.end(), true),
                static_cast<long>(w.view.details.size()))
          << name;
      w.model->OnShowFailuresOnly(false);
      EXPECT_EQ(line, w.view.details.size()) << name;
      w.fs = &w.real;
      w.model.reset();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Workers, WindowRunTest, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "workers" + std::to_string(info.param);
                         });

// A, then C, then B: A and C are converted, B is out of order and left, without a message.
TEST(WindowBoringLogTest, OpensTheNamedOrFirstSelectedFileOrSaysWhyNot) {
  struct Row {
    const char* what;
    std::vector<Text> selected;
    Text clicked;            ///< a double-clicked entry; empty: the 柱状図 button
    const char* identifier;  ///< of the log shown; nullptr: a box instead
    Text box;
  };
  const std::vector<Row> rows = {
      {"button, first selected", {U" b.002 ", U"a.001"}, U"", "12345678002", U""},
      {"double click wins over selection", {U"a.001"}, U"b.002", "12345678002", U""},
      {"nothing selected", {}, U"", nullptr, kNothingSelectedMessage},
      {"no identifier",
       {U"bad.txt"},
       U"",
       nullptr,
       U"bad.txt: " + NoJobNameReason(EntryKind::kFile)},
      {"file the conversion rejects",
       {U"c.003"},
       U"",
       nullptr,
       U"c.003: セクション C の記録 1 の値 1: 値 \"21E408.8\" は数値の範囲を超えています。"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WindowHarness w(1);
    w.Source("a.001", SectionCFile("12345678001"));
    w.Source("b.002", SectionCFile("12345678002"));
    w.Source("c.003", "C,12345678003,y,1\n1,2,3,21E408.8,12,28\n");
    w.Source("bad.txt", "no identifier here\n");
    w.Start();
    w.view.selected = row.selected;
    w.model->OnShowBoringLog(row.clicked);
    w.thread.RunUntil([&] { return !w.view.logsShown.empty() || !w.view.boxes.empty(); });
    if (row.identifier) {
      ASSERT_EQ(w.view.logsShown.size(), 1u);
      EXPECT_EQ(w.view.logsShown[0]->identifier, FromUtf8(row.identifier));
      EXPECT_EQ(w.view.logsShown[0]->penetrations.size(), 1u);
      EXPECT_TRUE(w.view.boxes.empty());
    } else {
      EXPECT_TRUE(w.view.logsShown.empty());
      ASSERT_EQ(w.view.boxes.size(), 1u);
      EXPECT_EQ(w.view.boxes[0].text, row.box);
    }
  }
}

TEST(WindowRunWalkTest, SectionsAfterAnOutOfOrderMarkerAreNotRead) {
  WindowHarness w(1);
  std::ifstream example(std::string(testing::SourceDir()) + "/examples/12345678.001",
                        std::ios::binary);
  std::ostringstream bytes;
  bytes << example.rdbuf();
  w.tmp.Write("in/12345678.001",
              bytes.str() + Cp932Lines("B,12345678001,x,1\nB,1,1,1.0,0,表土,C,\n"));
  WindowEnvironment env = w.Env();
  env.findPatternFolder = [] {
    return FromUtf8(std::string(testing::SourceDir()) + "/examples/sample-patdat/");
  };
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
