// 一覧表 in the window model: the files it takes, its dialog and what it remembers, the checks of
// the folder, stop and exit while it is written, and what the window says and opens at the end.
#include <gtest/gtest.h>

#include "app/window/report_run.h"
#include "app/window/window_model.h"
#include "window/fake_window.h"

namespace tecris2nx {
namespace {

using testing::GatedFileSystem;
using testing::kSep;
using testing::SectionCFile;
using testing::WindowHarness;

/// a.001, b.002 and d.004 convert; c.003 is rejected.
void WriteFourFiles(WindowHarness& w) {
  for (const char* name : {"a.001", "b.002", "d.004"}) {
    w.Source(name, SectionCFile(std::string("1234567800") + name[4]));
  }
  w.Source("c.003", "C,12345678003,y,1\n1,2,3,21E408.8,12,28\n");
}

/// 一覧表, then the window thread runs until the report is over.
void Report(WindowHarness& w) {
  w.model->OnReport();
  w.thread.RunUntil([&] { return !w.model->Running(); });
}

TEST(WindowReportTest, WritesTheSelectedFilesAndOpensThePage) {
  struct Row {
    const char* what;
    bool browser;
    std::vector<Text> boxes;
  };
  const std::vector<Row> rows = {
      {"a browser opens it", true, {}},
      {"no browser: where it is", false, {kReportNotOpenedMessage}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WindowHarness w(2);
    WriteFourFiles(w);
    w.Start();
    w.view.documentsOpen = row.browser;
    w.view.selected = {U" a.001 ", U"c.003"};
    const Text folder = w.tmp.TextOf("rep");
    w.view.reportAnswers = {ReportAnswer{folder + kSep, 2}};
    Report(w);
    ASSERT_EQ(w.view.reportQuestions.size(), 1u);
    const ReportQuestion& asked = w.view.reportQuestions[0];
    // Nothing remembered: inside the destination, in JGD2011.
    EXPECT_EQ(asked.folder, w.tmp.TextOf("out") + kSep + kReportFolderName);
    EXPECT_EQ(asked.datums, (std::vector<Text>{U"JGD2011", U"JGD2000", U"日本測地系（Tokyo）"}));
    EXPECT_EQ(asked.datum, 0);
    const std::string index = w.tmp.Read("rep/index.csv");
    EXPECT_NE(index.find("a.001"), std::string::npos);
    EXPECT_NE(index.find("c.003"), std::string::npos);
    EXPECT_EQ(index.find("b.002"), std::string::npos);
    EXPECT_NE(w.tmp.Read("rep/boreholes.geojson").find("日本測地系（Tokyo）"), std::string::npos);
    const Text page = folder + kSep + U"report.html";
    EXPECT_EQ(w.view.documentsOpened, std::vector<Text>{page});
    EXPECT_TRUE(w.tmp.Exists("rep/report.html"));
    EXPECT_EQ(w.view.messageLineHistory.at(0), U"一覧表を作成しています… 0 / 2");
    EXPECT_EQ(w.view.messageLine,
              U"一覧表を作成しました: " + folder + U"（ファイル 2 件、変換できないもの 1 件）");
    EXPECT_EQ(w.view.runningHistory, (std::vector<bool>{true, false}));
    EXPECT_FALSE(w.view.busy);
    EXPECT_EQ(w.view.BoxTexts(), row.boxes);
    if (!row.boxes.empty()) {
      EXPECT_EQ(w.view.boxes[0].informative, page);
    }
  }
}

TEST(WindowReportTest, FolderAndDatumAreRememberedAcrossReportsAndStarts) {
  WindowHarness w(1);
  WriteFourFiles(w);
  WindowEnvironment env = w.Env();
  env.settingsFile = w.tmp.TextOf("settings/window.conf");
  w.Start(env);
  w.view.selected = {U"a.001"};
  const Text folder = w.tmp.TextOf("rep");
  w.view.reportAnswers = {ReportAnswer{folder, 1}};
  Report(w);
  w.model->OnReport();  // cancelled
  ASSERT_TRUE(w.model->OnCloseRequested());
  w.Start(env);
  w.view.selected = {U"a.001"};
  w.model->OnReport();
  ASSERT_EQ(w.view.reportQuestions.size(), 1u);
  EXPECT_EQ(w.view.reportQuestions[0].folder, folder);
  EXPECT_EQ(w.view.reportQuestions[0].datum, 1);
}

TEST(WindowReportTest, WhatStopsBeforeTheReportIsWritten) {
  const Text notWhole = ReportFolderNotWholeMessage(HostPathStyle());
  struct Row {
    const char* what;
    std::vector<Text> selected;
    std::vector<const char*> folders;  ///< typed in each dialog, below the scratch folder
    std::vector<Text> boxes;
    std::deque<MessageAnswer> answers;
    bool written;
  };
  const std::vector<Row> rows = {
      {"nothing selected", {}, {}, {kNoReportFilesMessage}, {}, false},
      {"cancelled", {U"a.001"}, {}, {}, {}, false},
      {"no folder, then cancelled", {U"a.001"}, {""}, {kReportFolderMissingMessage}, {}, false},
      {"relative, then cancelled", {U"a.001"}, {"!rep"}, {notWhole}, {}, false},
      {"a file, then a folder",
       {U"a.001"},
       {"in/a.001", "rep"},
       {kReportFolderIsFileMessage},
       {},
       true},
      {"levels missing, not made", {U"a.001"}, {"x/y/rep"}, {kCreateFolderQuestion}, {}, false},
      {"levels missing, made",
       {U"a.001"},
       {"x/y/rep"},
       {kCreateFolderQuestion},
       {MessageAnswer::kYes},
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WindowHarness w(1);
    WriteFourFiles(w);
    w.Start();
    w.view.selected = row.selected;
    w.view.answers = row.answers;
    for (const std::string typed : row.folders) {
      const bool relative = !typed.empty() && typed[0] == '!';
      w.view.reportAnswers.push_back(ReportAnswer{relative        ? FromUtf8(typed.substr(1))
                                                  : typed.empty() ? Text()
                                                                  : w.tmp.TextOf(typed),
                                                  1});
    }
    Report(w);
    EXPECT_EQ(w.view.BoxTexts(), row.boxes);
    // Asked again after a box about the folder, with what the user had chosen.
    for (std::size_t i = 1; i < w.view.reportQuestions.size(); ++i) {
      EXPECT_EQ(w.view.reportQuestions[i].datum, 1);
    }
    EXPECT_EQ(w.view.documentsOpened.size(), row.written ? 1u : 0u);
    if (row.written) {
      EXPECT_TRUE(w.tmp.Exists(std::string(row.folders.back()) + "/report.html"));
    }
    // Nothing is made for a report that does not start.
    if (!row.written) {
      EXPECT_FALSE(w.tmp.Exists("x") || w.tmp.Exists("rep"));
    }
    EXPECT_FALSE(w.model->Running());
  }
}

// The window closed while the dialog is open: the answer that follows starts nothing.
TEST(WindowReportTest, AnExitWhileTheDialogIsOpenWritesNothing) {
  WindowHarness w(1);
  WriteFourFiles(w);
  w.Start();
  w.view.selected = {U"a.001"};
  w.view.reportAnswers = {ReportAnswer{w.tmp.TextOf("rep"), 0}};
  w.view.whileReportAsked = [&] { w.model->OnCloseRequested(); };
  Report(w);
  w.thread.RunUntil([&] { return !w.view.endStatuses.empty(); });
  EXPECT_FALSE(w.tmp.Exists("rep"));
  EXPECT_EQ(w.view.endStatuses, std::vector<int>{0});
}

TEST(WindowReportTest, AStopOrAnExitWhileFilesAreReadWritesNothing) {
  for (const bool exit : {false, true}) {
    SCOPED_TRACE(exit ? "exit, yes" : "中止");
    WindowHarness w(1);
    GatedFileSystem gate(w.tmp.TextOf("in") + kSep + U"b.002");
    w.fs = &gate;
    WriteFourFiles(w);
    w.Start();
    w.view.selected = {U"a.001", U"b.002", U"d.004"};
    w.view.reportAnswers = {ReportAnswer{w.tmp.TextOf("rep"), 0}};
    w.view.answers = {MessageAnswer::kYes};
    gate.Arm();
    w.model->OnReport();
    gate.WaitUntilReached();
    if (exit) {
      EXPECT_FALSE(w.model->OnCloseRequested());
      EXPECT_EQ(w.view.BoxTexts(), std::vector<Text>{kStopReportAndExitQuestion});
    } else {
      EXPECT_TRUE(w.model->OnStop());
      EXPECT_FALSE(w.model->OnStop());
    }
    gate.Open();
    w.thread.RunUntil([&] { return !w.model->Running(); });
    EXPECT_FALSE(w.tmp.Exists("rep"));
    EXPECT_TRUE(w.view.documentsOpened.empty());
    EXPECT_EQ(w.view.endStatuses, exit ? std::vector<int>{0} : std::vector<int>{});
    if (!exit) {
      EXPECT_EQ(w.view.messageLine, kReportStoppedMessage);
    }
    w.model.reset();  // before the gate goes
  }
}

TEST(WindowReportTest, AFolderThatCannotBeWrittenSaysWhyInABox) {
  WindowHarness w(1);
  WriteFourFiles(w);
  w.tmp.Write("out/plain", "not a folder");
  w.Start();
  w.view.selected = {U"a.001"};
  const Text folder = w.tmp.TextOf("out/plain/rep");
  w.view.reportAnswers = {ReportAnswer{folder, 0}};
  Report(w);
  ASSERT_EQ(w.view.BoxTexts(), std::vector<Text>{ReportFailedMessage(folder)});
  EXPECT_FALSE(w.view.boxes[0].informative.empty());
  EXPECT_EQ(w.view.messageLine, ReportFailedMessage(folder));
  EXPECT_TRUE(w.view.documentsOpened.empty());
}

}  // namespace
}  // namespace tecris2nx
