// What the window does while a batch runs on its worker: progress, stop, closing, no second
// run, boxes that are never overtaken; and the list kept fresh, drops, settings, the search.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/window/window_model.h"
#include "app/window/window_settings.h"
#include "common/file_system.h"
#include "common/pattern_folder.h"
#include "support/temp_dir.h"
#include "window/fake_window.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::FakeView;
using testing::GatedFileSystem;
using testing::TempDir;
using testing::WindowHarness;

using testing::kSep;
using testing::SectionCFile;

/// Three files; the run is held while the second one is converted, after the first one has
/// been reported.
struct HeldRun {
  HeldRun() : gate(w.tmp.TextOf("in") + kSep + U"22222222.002") {
    for (const char* job : {"11111111001", "22222222002"}) {
      const std::string id = job;
      w.Source(id.substr(0, 8) + "." + id.substr(8), SectionCFile(id));
    }
    w.Source("33333333.003", "C,33333333003,y,1\n1,2,3,12a,12,28\n");  // one warning
    w.fs = &gate;
  }
  ~HeldRun() {
    gate.Open();
    w.model.reset();
  }

  void Start() {
    w.Start();
    w.view.selected = w.view.files;
    ASSERT_EQ(w.view.selected.size(), 3u);
    gate.Arm();
    w.model->OnExecute();
    // Each file's line and its "警告なし".
    w.thread.RunUntil([this] { return w.view.details.size() == 2; });
    gate.WaitUntilReached();
  }

  void Finish() {
    gate.Open();
    w.thread.RunUntil([this] { return !w.model->Running(); });
  }

  bool Converted(const char* job) const {
    return w.tmp.Exists("out/" + std::string(job) + "/X5.txt");
  }

  WindowHarness w{1};
  GatedFileSystem gate;
};

TEST(HeldRunTest, ProgressFollowsTheBusyTextAndExecuteIsOff) {
  HeldRun run;
  WindowHarness& w = run.w;
  run.Start();
  EXPECT_EQ(w.view.messageLine, kBusyMessage + U" 1 / 3  11111111.001");
  // The count starts from nothing, with no file name.
  EXPECT_EQ(w.view.messageLineHistory[1], kBusyMessage + U" 0 / 3");
  EXPECT_TRUE(w.view.running);
  EXPECT_TRUE(w.view.busy);
  // Clicks during the run are not kept for later: no second run follows this one.
  w.model->OnExecute();
  w.model->OnExecute();
  run.Finish();
  EXPECT_EQ(w.view.messageLine, kDoneMessage);
  EXPECT_EQ(w.view.details.size(), 6u);
  EXPECT_EQ(
      std::count(w.view.messageLineHistory.begin(), w.view.messageLineHistory.end(), kBusyMessage),
      1);
  EXPECT_EQ(w.view.runningHistory, (std::vector<bool>{true, false}));
  EXPECT_FALSE(w.view.busy);
  // The list came in two batches at least; its lines still find their files.
  EXPECT_GE(w.view.detailBatches, 2);
  w.model->OnDetailActivated(1);
  EXPECT_TRUE(w.view.findingsShown.empty());
  w.model->OnDetailActivated(5);
  ASSERT_EQ(w.view.findingsShown.size(), 1u);
  EXPECT_EQ(w.view.findingsShown[0].title, U"33333333.003 の指摘 1 件");
  // The next run counts its own files from nothing, without the last one's name.
  w.view.messageLineHistory.clear();
  w.view.selected = {U"11111111.001"};
  w.Execute();
  ASSERT_GE(w.view.messageLineHistory.size(), 2u);
  EXPECT_EQ(w.view.messageLineHistory[1], kBusyMessage + U" 0 / 1");
}

// Stop finishes the file started and starts no other; a click on it within the double-click
// time after Execute is the second half of a double click on Execute, and no stop.
TEST(HeldRunTest, StopFinishesTheFileStartedAndStartsNoOther) {
  struct Row {
    const char* name;
    int afterExecute;  // milliseconds
    bool stops;
  };
  const Row rows[] = {
      {"second click of a double click on Execute", 150, false},
      {"a click after the double-click time", 600, true},
  };
  for (const Row& r : rows) {
    HeldRun run;
    WindowHarness& w = run.w;
    run.Start();
    w.clock += std::chrono::milliseconds(r.afterExecute);
    EXPECT_EQ(w.model->OnStop(), r.stops) << r.name;
    run.Finish();
    EXPECT_TRUE(run.Converted("11111111001")) << r.name;
    EXPECT_TRUE(run.Converted("22222222002")) << r.name;
    EXPECT_EQ(w.tmp.Exists("out/33333333003"), !r.stops) << r.name;
    EXPECT_EQ(
        w.view.messageLine,
        r.stops ? kStoppedMessage + U"（3 ファイル中 2 ファイルを変換しました）" : kDoneMessage)
        << r.name;
    EXPECT_TRUE(w.view.boxes.empty()) << r.name;
    EXPECT_EQ(w.view.details.size(), r.stops ? 4u : 6u) << r.name;
    EXPECT_FALSE(w.view.running) << r.name;
    EXPECT_FALSE(w.view.busy) << r.name;
  }
}

TEST(HeldRunTest, ClosingDuringARunAsksAndEndsAfterTheCurrentFile) {
  struct Row {
    const char* name;
    MessageAnswer answer;
    bool lastConverted;
    std::vector<int> ends;
  };
  const Row rows[] = {
      {"yes: stop, then end", MessageAnswer::kYes, false, {0}},
      {"no: the run goes on", MessageAnswer::kNo, true, {}},
  };
  for (const Row& r : rows) {
    HeldRun run;
    WindowHarness& w = run.w;
    run.Start();
    w.view.answers = {r.answer};
    EXPECT_FALSE(w.model->OnCloseRequested()) << r.name;
    EXPECT_EQ(w.view.BoxTexts(), std::vector<Text>{kStopAndExitQuestion}) << r.name;
    EXPECT_TRUE(w.view.endStatuses.empty()) << r.name;
    run.Finish();
    EXPECT_TRUE(run.Converted("22222222002")) << r.name;
    EXPECT_EQ(run.Converted("33333333003"), r.lastConverted) << r.name;
    EXPECT_EQ(w.view.endStatuses, r.ends) << r.name;
  }
}

// The message line and the list keep telling the truth behind an open box: the run goes on and
// ends while the exit question waits, and the question, true no longer, goes with the run.
TEST(HeldRunTest, TheLineAndTheListKeepUpWhileABoxIsOpen) {
  HeldRun run;
  WindowHarness& w = run.w;
  run.Start();
  w.view.answerLater = true;
  EXPECT_FALSE(w.model->OnCloseRequested());
  ASSERT_TRUE(w.view.BoxOpen());
  run.gate.Open();
  w.thread.RunUntil([&w] { return !w.model->Running(); });
  EXPECT_FALSE(w.view.BoxOpen());
  EXPECT_EQ(w.view.withdrawn, 1);
  EXPECT_EQ(w.view.messageLine, kDoneMessage);
  EXPECT_EQ(w.view.details.size(), 6u);
  EXPECT_FALSE(w.view.busy);
  EXPECT_TRUE(w.view.endStatuses.empty());   // withdrawn is no Yes: the program stays
  EXPECT_TRUE(w.model->OnCloseRequested());  // and ends at once when asked again
}

TEST(WindowListTest, TheFileListIsReadAfreshKeepingTheSelection) {
  struct Row {
    const char* name;
    std::function<void(WindowHarness&)> refresh;
  };
  const Row rows[] = {
      {"F5", [](WindowHarness& w) { w.model->OnRefresh(); }},
      {"the folder chosen again",
       [](WindowHarness& w) { w.model->OnFolderChosen(Side::kSource, w.tmp.TextOf("in")); }},
      {"after a run", [](WindowHarness& w) { w.Execute(); }},
  };
  for (const Row& r : rows) {
    WindowHarness w(1);
    w.Source("11111111.001", SectionCFile("11111111001"));
    w.Start();
    w.view.selected = {U"11111111.001"};
    w.Source("22222222.002", SectionCFile("22222222002"));
    r.refresh(w);
    std::vector<Text> files = w.view.files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<Text>{U"11111111.001", U"22222222.002"})) << r.name;
    EXPECT_EQ(w.view.selected, std::vector<Text>{U"11111111.001"}) << r.name;
  }
}

TEST(WindowListTest, DroppedFoldersAndFilesChooseTheSource) {
  struct Row {
    const char* name;
    std::vector<const char*> dropped;  // below the scratch folder
    Text sourceText;                   // below the scratch folder, "" when unchanged
    std::vector<Text> selected;
  };
  const Row rows[] = {
      {"a folder", {"other"}, U"other", {}},
      {"TECRIS files",
       {"other/33333333.003", "other/44444444.004"},
       U"other",
       {U"33333333.003", U"44444444.004"}},
      {"files of two folders: the first one's",
       {"other/33333333.003", "in/11111111.001"},
       U"other",
       {U"33333333.003"}},
      {"a file that is no TECRIS file", {"other/notes.txt"}, U"", {}},
  };
  for (const Row& r : rows) {
    WindowHarness w(1);
    w.Source("11111111.001", SectionCFile("11111111001"));
    w.tmp.Write("other/33333333.003", Cp932Lines(SectionCFile("33333333003")));
    w.tmp.Write("other/44444444.004", Cp932Lines(SectionCFile("44444444004")));
    w.tmp.Write("other/notes.txt", "x");
    w.Start();
    std::vector<Text> paths;
    for (const char* path : r.dropped) paths.push_back(w.tmp.TextOf(path));
    w.model->OnDrop(paths);
    const Text expected =
        (r.sourceText.empty() ? w.tmp.TextOf("in") : w.tmp.TextOf("other")) + kSep;
    EXPECT_EQ(w.view.folderTexts[1], expected) << r.name;
    EXPECT_EQ(w.view.selected, r.selected) << r.name;
  }
}

TEST(WindowSettingsTest, DamagedLinesAreSkippedOneByOne) {
  struct Row {
    const char* name;
    std::string text;
    Text destination;
    std::optional<WindowGeometry> geometry;
  };
  const Row rows[] = {
      {"whole", "destination=/出力\nsource=/in\ngeometry=1,2,300,400\n", U"/出力",
       WindowGeometry{1, 2, 300, 400}},
      {"CR LF lines", "destination=/a\r\ngeometry=-5,0,10,20\r\n", U"/a",
       WindowGeometry{-5, 0, 10, 20}},
      {"bad geometry", "destination=/a\ngeometry=1,2,0,400\n", U"/a", std::nullopt},
      {"geometry with a tail", "geometry=1,2,3,4,5\n", U"", std::nullopt},
      {"no equals sign, unknown key", "junk\ncolour=red\ndestination=/a\n", U"/a", std::nullopt},
      {"binary garbage", std::string("\xff\xfe\0destination", 14), U"", std::nullopt},
  };
  for (const Row& r : rows) {
    const WindowSettings settings = ParseSettings(r.text);
    EXPECT_EQ(settings.destination, r.destination) << r.name;
    ASSERT_EQ(settings.geometry.has_value(), r.geometry.has_value()) << r.name;
    if (r.geometry) {
      EXPECT_EQ(settings.geometry->x, r.geometry->x) << r.name;
      EXPECT_EQ(settings.geometry->height, r.geometry->height) << r.name;
    }
  }
}

TEST(WindowSettingsTest, FoldersAndGeometryAreRememberedBetweenRuns) {
  WindowHarness w(1);
  w.tmp.Write("other/.keep", "");
  WindowEnvironment env = w.Env();
  env.settingsFile = w.tmp.TextOf("config/tecris2nx/window.conf");
  w.Start(env);
  w.model->OnFolderChosen(Side::kSource, w.tmp.TextOf("other"));
  w.view.geometry = {30, 40, 900, 700};
  EXPECT_TRUE(w.model->OnCloseRequested());
  EXPECT_EQ(w.view.endStatuses, std::vector<int>{0});

  w.model.reset();
  w.view = FakeView();
  w.model = std::make_unique<WindowModel>(w.view, env);
  ASSERT_TRUE(w.model->Start());
  EXPECT_EQ(w.view.folderTexts[0], w.tmp.TextOf("out"));
  EXPECT_EQ(w.view.folderTexts[1], w.tmp.TextOf("other") + kSep);
  ASSERT_TRUE(w.view.placedAt.has_value());
  EXPECT_EQ(w.view.placedAt->width, 900);
}

TEST(WindowStartTest, ThePatternDataWalkRunsBesideTheWindow) {
  struct Row {
    const char* name;
    bool cancel;
    bool found;
  };
  const Row rows[] = {
      {"found by the walk", false, true},
      {"nothing found", false, false},
      {"cancelled", true, true},
  };
  for (const Row& r : rows) {
    WindowHarness w(1);
    const Text found = w.tmp.TextOf("patdat") + kSep;
    WindowEnvironment env = w.Env();
    env.findPatternFolder = [] { return Text(); };
    env.searchPatternFolder = [&r, found](const std::atomic<bool>& cancel,
                                          const std::function<void(const Text&)>&) {
      while (r.cancel && !cancel) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return r.found ? found : Text();
    };
    w.model = std::make_unique<WindowModel>(w.view, env);
    EXPECT_TRUE(w.model->Start()) << r.name;
    EXPECT_TRUE(w.view.searching) << r.name;
    if (r.cancel) w.model->CancelSearch();
    const bool ends = r.cancel || !r.found;
    w.thread.RunUntil([&] { return !w.model->Searching(); });
    EXPECT_FALSE(w.view.searching) << r.name;
    EXPECT_EQ(w.model->PatternFolder(), ends ? Text() : found) << r.name;
    EXPECT_EQ(w.view.endStatuses, ends ? std::vector<int>{1} : std::vector<int>{}) << r.name;
    if (ends) {
      ASSERT_EQ(w.view.boxes.size(), 1u) << r.name;
      EXPECT_EQ(w.view.boxes[0].text, kNoPatternFolderMessage) << r.name;
      EXPECT_NE(w.view.boxes[0].informative.find(U"TECRIS2NX_PATDAT"), Text::npos) << r.name;
      EXPECT_EQ(w.view.folderDialogs.size(), 1u) << r.name;  // cancelled: the program ends
    } else {
      EXPECT_EQ(w.view.folderTexts[1], w.tmp.text() + kSep) << r.name;
    }
  }
}

}  // namespace
}  // namespace tecris2nx

namespace tecris2nx {
namespace {

// A folder is listed beside the window: a listing that takes long leaves the window with the
// names found so far, the rest follows as it is accepted, and a newer folder choice ends it. A
// refresh of the folder shown keeps its whole list, and the count of its selection, until the
// new one is complete.
TEST(WindowListTest, AFolderIsListedBesideTheWindow) {
  struct Row {
    const char* name;
    bool refresh;  // else the folder is chosen anew
    bool chooseAnother;
    std::vector<Text> files;  // at the end, sorted
  };
  const Row rows[] = {
      {"the rest follows", false, false, {U"11111111.001", U"22222222.002", U"33333333.003"}},
      {"a newer folder choice ends it", false, true, {U"44444444.004"}},
      {"a refresh", true, false, {U"11111111.001", U"22222222.002", U"33333333.003"}},
  };
  for (const Row& r : rows) {
    WindowHarness w(1);
    for (const char* job : {"11111111001", "22222222002", "33333333003"}) {
      const std::string id = job;
      w.Source(id.substr(0, 8) + "." + id.substr(8), SectionCFile(id));
    }
    w.tmp.Write("other/44444444.004", Cp932Lines(SectionCFile("44444444004")));
    GatedFileSystem gate(w.tmp.TextOf("in") + kSep + U"22222222.002");
    w.fs = &gate;
    w.Start();
    w.view.selected = w.view.files;
    w.model->OnSelectionChanged(3);
    if (!r.refresh) w.model->OnFolderChosen(Side::kSource, w.tmp.TextOf("other"));
    gate.Arm();
    // Waits a moment for the listing, then lets the window go on.
    if (r.refresh) {
      const int listsShown = w.view.filesSet;
      w.model->OnRefresh();
      EXPECT_EQ(w.view.filesSet, listsShown) << r.name;
      EXPECT_EQ(w.view.files.size(), 3u) << r.name;
      EXPECT_EQ(w.view.selectionCount, U"3 ファイル選択") << r.name;
    } else {
      w.model->OnFolderChosen(Side::kSource, w.tmp.TextOf("in"));
      EXPECT_EQ(std::count(w.view.files.begin(), w.view.files.end(), U"22222222.002"), 0) << r.name;
    }
    if (r.chooseAnother) {
      // The listing stops at its next file: the one it is reading is let through.
      std::thread opener([&gate] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        gate.Open();
      });
      w.model->OnFolderChosen(Side::kSource, w.tmp.TextOf("other"));
      opener.join();
    } else {
      gate.Open();
    }
    const int listsShown = w.view.filesSet;
    w.thread.RunUntil([&] {
      return w.view.files.size() == r.files.size() && (!r.refresh || w.view.filesSet > listsShown);
    });
    w.thread.RunPending();
    std::vector<Text> files = w.view.files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, r.files) << r.name;
    if (r.refresh) {
      EXPECT_EQ(w.view.selectionCount, U"3 ファイル選択") << r.name;
    }
  }
}

}  // namespace
}  // namespace tecris2nx

namespace tecris2nx {
namespace {

// A boring log is read beside the window: the window thread is free while the reading is held,
// the preview says so, and what is asked meanwhile or a close does not tangle the readings.
TEST(WindowBoringLogTest, ReadBesideTheWindow) {
  const Text held = U"11111111.001";
  struct Row {
    const char* name;
    std::vector<Text> asked;  ///< the first is held until the others were asked
    bool closeWhileHeld;
    std::vector<Text> shown;  ///< identifiers shown, in order
    std::vector<Text> busy;
  };
  const Row rows[] = {
      {"one file", {held}, false, {U"11111111001"}, {kDrawingLogMessage}},
      {"the same file again", {held, held}, false, {U"11111111001"}, {kDrawingLogMessage}},
      {"another file meanwhile: only the last is shown",
       {held, U"22222222.002", U"33333333.003"},
       false,
       {U"33333333003"},
       {kDrawingLogMessage, kDrawingLogMessage}},
      {"back to the one being read",
       {held, U"22222222.002", held},
       false,
       {U"11111111001"},
       {kDrawingLogMessage}},
      {"closed while it reads", {held}, true, {}, {kDrawingLogMessage}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WindowHarness w(1);
    for (const char* job : {"11111111001", "22222222002", "33333333003"}) {
      const std::string id = job;
      w.Source(id.substr(0, 8) + "." + id.substr(8), SectionCFile(id));
    }
    GatedFileSystem gate(w.tmp.TextOf("in") + kSep + held);
    w.fs = &gate;
    w.Start();
    gate.Arm();
    for (const Text& name : r.asked) w.model->OnShowBoringLog(name);
    gate.WaitUntilReached();
    EXPECT_TRUE(w.view.logsShown.empty());
    if (r.closeWhileHeld) {
      std::thread opener([&gate] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        gate.Open();
      });
      w.model.reset();  // waits for the reading, and shows nothing of it
      opener.join();
      w.thread.RunPending();
    } else {
      gate.Open();
      w.thread.RunUntil([&] { return !w.view.logsShown.empty(); });
    }
    std::vector<Text> shown;
    for (const auto& hole : w.view.logsShown) shown.push_back(hole->identifier);
    EXPECT_EQ(shown, r.shown);
    EXPECT_EQ(w.view.logBusyTexts, r.busy);
    EXPECT_TRUE(w.view.boxes.empty());
  }
}

TEST(WindowBoringLogTest, AFileThatCannotBeReadEndsTheBusyTextWithABox) {
  WindowHarness w(1);
  w.Source("c.003", "C,12345678003,y,1\n1,2,3,21E408.8,12,28\n");
  w.Start();
  w.model->OnShowBoringLog(U"c.003");
  w.thread.RunUntil([&] { return !w.view.boxes.empty(); });
  EXPECT_EQ(w.view.logBusyTexts, (std::vector<Text>{kDrawingLogMessage, Text()}));
  EXPECT_TRUE(w.view.logsShown.empty());
}

}  // namespace
}  // namespace tecris2nx
