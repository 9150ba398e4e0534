// Where the window starts and what it starts with: its place on the screen, the folders, the
// pattern data (found, chosen or marked as the sample); the pure parts beside it.
#include <gtest/gtest.h>

#include "app/window/findings_table.h"
#include "app/window/window_geometry.h"
#include "app/window/window_model.h"
#include "app/window/window_settings.h"
#include "common/pattern_folder.h"
#include "window/fake_window.h"

namespace tecris2nx {
namespace {

using testing::WindowHarness;

using testing::kSep;

TEST(WindowGeometryTest, TheWholeWindowShowsOnTheScreen) {
  const WindowGeometry area{0, 0, 1280, 720};
  const WindowGeometry minimum{0, 0, 600, 400};
  const WindowGeometry start{0, 0, 800, 600};
  struct Row {
    const char* name;
    std::optional<WindowGeometry> remembered;
    WindowGeometry placed;
  };
  const Row rows[] = {
      {"nothing remembered: centred", std::nullopt, {240, 60, 800, 600}},
      {"remembered and on screen", WindowGeometry{10, 20, 900, 650}, {10, 20, 900, 650}},
      {"from a larger screen: fitted and moved in",
       WindowGeometry{1000, 500, 1800, 1000},
       {0, 0, 1280, 720}},
      {"partly off the right edge: moved in",
       WindowGeometry{1100, 100, 800, 600},
       {480, 100, 800, 600}},
      {"off screen: centred", WindowGeometry{3000, 2000, 800, 600}, {240, 60, 800, 600}},
      {"below the minimum: the minimum", WindowGeometry{10, 10, 200, 100}, {10, 10, 600, 400}},
  };
  for (const Row& r : rows) {
    const WindowGeometry g = FitWindow(r.remembered, area, minimum, start);
    EXPECT_EQ(std::tie(g.x, g.y, g.width, g.height),
              std::tie(r.placed.x, r.placed.y, r.placed.width, r.placed.height))
        << r.name;
  }
  // A screen smaller than the minimum: the screen wins.
  const WindowGeometry small = FitWindow(std::nullopt, {0, 0, 500, 300}, minimum, start);
  EXPECT_EQ(std::tie(small.width, small.height), std::make_tuple(500, 300));
}

Finding MakeFinding(long long line, std::string code, Severity severity, Text message) {
  Finding f;
  f.line = line;
  f.column = 7;
  f.code = std::move(code);
  f.severity = severity;
  f.section = U'C';
  f.record = static_cast<int>(line) - 1;
  f.message = std::move(message);
  return f;
}

TEST(FindingsTableTest, IdenticalFindingsOnceSortedByNumberAndCopiedAsTabs) {
  const std::vector<Finding> found = {
      MakeFinding(10, "T301", Severity::kWarning, U"値\t\"1a\""),
      MakeFinding(10, "T301", Severity::kWarning, U"値\t\"1a\""),
      MakeFinding(9, "T101", Severity::kError, U"途中で終わっています"),
      MakeFinding(10, "T301", Severity::kWarning, U"値\t\"1a\""),
  };
  const FindingsTable table = KeptFindings(U"a.001", found).Table();
  EXPECT_EQ(table.title, U"a.001 の指摘 4 件");
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.rows[0],
            (std::vector<Text>{U"10", U"7", U"警告", U"T301", U"C", U"9", U"値\t\"1a\"", U"3"}));
  EXPECT_EQ(table.rows[1][2], U"エラー");
  EXPECT_TRUE(table.note.empty());

  struct Row {
    std::size_t column;
    bool ascending;
    std::vector<std::size_t> order;
  };
  const Row rows[] = {
      {0, true, {1, 0}},   // lines as numbers
      {0, false, {0, 1}},  // descending
      {7, true, {1, 0}},   // counts: 1 before 3
      {3, true, {1, 0}},   // codes as text: T101 before T301
  };
  for (const Row& r : rows) {
    EXPECT_EQ(SortFindingRows(table, r.column, r.ascending), r.order) << r.column;
  }
  // Tabs inside a cell would split it on paste.
  EXPECT_EQ(FindingsCopyText(table, {1}),
            U"ファイル\t行\t列\t重要度\tコード\tセクション\t記録\t内容\t件数\n"
            U"a.001\t9\t7\tエラー\tT101\tC\t8\t途中で終わっています\t1\n");
  const Text all = FindingsCopyText(table, {});
  EXPECT_EQ(std::count(all.begin(), all.end(), U'\n'), 3);
}

TEST(FindingsTableTest, AFileWithVeryManyFindingsKeepsAFewHundred) {
  std::vector<Finding> found;
  for (int i = 0; i < 700; ++i)
    found.push_back(MakeFinding(i + 2, "T301", Severity::kWarning, U"x"));
  const FindingsTable table = KeptFindings(U"a.001", found).Table();
  EXPECT_EQ(table.rows.size(), 500u);
  EXPECT_EQ(table.note, U"…ほか 200 件（tecris2nx check ですべて表示します）");
}

// Both sides start in the remembered folders, else in the documents folder, else in the
// process's folder: never in the program's own folder.
TEST(WindowStartTest, SidesStartWhereUsersWork) {
  struct Row {
    const char* name;
    const char* documents;   // below the scratch folder; null: the host gives none
    const char* remembered;  // "destination|source" below the scratch folder; null: none
    const char* destination;
    const char* source;
  };
  const Row rows[] = {
      {"documents folder", "docs", nullptr, "docs", "docs"},
      {"no documents folder: the current folder", nullptr, nullptr, "", ""},
      {"documents folder gone: the current folder", "gone", nullptr, "", ""},
      {"remembered folders first", "docs", "out|in", "out", "in"},
  };
  for (const Row& r : rows) {
    WindowHarness w(1);
    w.tmp.Write("docs/.keep", "");
    WindowEnvironment env = w.Env();
    if (r.documents) env.documentsFolder = [&w, &r] { return w.tmp.TextOf(r.documents); };
    env.settingsFile = w.tmp.TextOf("window.conf");
    if (r.remembered) {
      const std::string both = r.remembered;
      WindowSettings settings;
      settings.destination = w.tmp.TextOf(both.substr(0, both.find('|')));
      settings.source = w.tmp.TextOf(both.substr(both.find('|') + 1));
      SaveWindowSettings(w.real, env.settingsFile, settings);
    }
    w.model = std::make_unique<WindowModel>(w.view, env);
    ASSERT_TRUE(w.model->Start()) << r.name;
    const auto at = [&w](const char* relative) {
      return *relative ? w.tmp.TextOf(relative) : w.tmp.text();
    };
    EXPECT_EQ(w.view.folderTexts[0], at(r.destination)) << r.name;
    EXPECT_EQ(w.view.folderTexts[1], at(r.source) + kSep) << r.name;
  }
}

// Without pattern data the user picks the folder; it is checked like the lookup, remembered,
// and the program ends only when the dialog is cancelled.
TEST(WindowStartTest, ThePatternDataFolderCanBeChosen) {
  struct Row {
    const char* name;
    std::vector<const char*> chosen;  // folder dialog answers; "" cancels
    std::vector<Text> boxes;
    bool started;
  };
  const Row rows[] = {
      {"a pattern-data folder", {"picked"}, {kNoPatternFolderMessage}, true},
      {"first a folder without kishitu.txt",
       {"docs", "picked"},
       {kNoPatternFolderMessage, kNotPatternFolderMessage},
       true},
      {"cancelled", {""}, {kNoPatternFolderMessage}, false},
  };
  for (const Row& r : rows) {
    WindowHarness w(1);
    w.tmp.Write("docs/.keep", "");
    w.tmp.Write("picked/kishitu.txt", "1,砂\n");
    WindowEnvironment env = w.Env();
    env.findPatternFolder = [] { return Text(); };
    env.settingsFile = w.tmp.TextOf("window.conf");
    for (const char* folder : r.chosen) {
      w.view.chosenFolders.push_back(*folder ? w.tmp.TextOf(folder) : Text());
    }
    w.model = std::make_unique<WindowModel>(w.view, env);
    EXPECT_EQ(w.model->Start(), r.started) << r.name;
    EXPECT_EQ(w.view.BoxTexts(), r.boxes) << r.name;
    EXPECT_EQ(w.view.folderDialogs.size(), r.chosen.size()) << r.name;
    EXPECT_EQ(w.view.endStatuses, r.started ? std::vector<int>{} : std::vector<int>{1}) << r.name;
    if (!r.started) continue;
    EXPECT_EQ(w.model->PatternFolder(), w.tmp.TextOf("picked") + kSep) << r.name;
    EXPECT_EQ(w.view.patternFolderLine, U"PATDAT: " + w.tmp.TextOf("picked") + kSep) << r.name;
    // The next start uses it without asking.
    EXPECT_TRUE(w.model->OnCloseRequested()) << r.name;
    w.model.reset();
    w.view = testing::FakeView();
    w.model = std::make_unique<WindowModel>(w.view, env);
    EXPECT_TRUE(w.model->Start()) << r.name;
    EXPECT_TRUE(w.view.boxes.empty()) << r.name;
    EXPECT_EQ(w.model->PatternFolder(), w.tmp.TextOf("picked") + kSep) << r.name;
  }
}

TEST(WindowStartTest, TheSamplePatternDataIsMarked) {
  for (const bool sample : {false, true}) {
    WindowHarness w(1);
    w.tmp.Write("patdat/kishitu.txt", "1,砂\n");
    if (sample) w.tmp.Write("patdat/" + ToUtf8(kSamplePatternMarker), "見本\n");
    w.Start();
    EXPECT_EQ(w.view.patternFolderLine.find(U"見本") != Text::npos, sample);
  }
}

// The destination a run used, typed or made by it, is shown in the tree and remembered; the
// count of selected files follows the list.
TEST(WindowStartTest, ATypedDestinationIsShownAndRemembered) {
  WindowHarness w(1);
  w.Source("11111111.001", "C,11111111001,y,1\n1,2,3,1.5,12,28\n");
  WindowEnvironment env = w.Env();
  env.settingsFile = w.tmp.TextOf("window.conf");
  w.Start(env);
  EXPECT_EQ(w.view.selectionCount, U"0 ファイル選択");
  w.model->OnSelectionChanged(1);
  EXPECT_EQ(w.view.selectionCount, U"1 ファイル選択");
  w.view.selected = {U"11111111.001"};
  const Text typed = w.tmp.TextOf("new") + kSep + U"sub";
  w.view.destination = typed;
  w.view.answers = {MessageAnswer::kYes};  // create it
  w.Execute();
  EXPECT_EQ(w.view.messageLine, kDoneMessage);
  EXPECT_EQ(w.view.shownFolders[0].back(), typed);
  EXPECT_EQ(w.view.destination, typed);
  EXPECT_TRUE(w.model->OnCloseRequested());
  EXPECT_EQ(LoadWindowSettings(w.real, env.settingsFile).destination, typed);
}

}  // namespace
}  // namespace tecris2nx

namespace tecris2nx {
namespace {

// Help opens the first guide that is there; a box names the places when none is or nothing
// opens it.
TEST(WindowHelpTest, TheGuideOpensFromItsFirstPlace) {
  struct Row {
    const char* name;
    std::vector<const char*> places;  // below the scratch folder; "guide.html" exists
    bool opens;                       // the system has a program for it
    const char* opened;               // null: a box
    Text box;
    const char* named;  // the place the box names
  };
  const Row rows[] = {
      {"installed copy missing, the build's there",
       {"none.html", "guide.html"},
       true,
       "guide.html",
       {},
       nullptr},
      {"no guide anywhere", {"none.html"}, true, nullptr, kNoGuideMessage, "none.html"},
      // The guide is there: the box says where, not that it is missing.
      {"nothing opens it",
       {"none.html", "guide.html"},
       false,
       nullptr,
       kGuideNotOpenedMessage,
       "guide.html"},
  };
  for (const Row& r : rows) {
    testing::WindowHarness w(1);
    w.tmp.Write("guide.html", "<html></html>");
    WindowEnvironment env = w.Env();
    for (const char* place : r.places) env.guideFiles.push_back(w.tmp.TextOf(place));
    w.Start(env);
    w.view.documentsOpen = r.opens;
    w.model->OnHelp();
    if (r.opened) {
      EXPECT_EQ(w.view.documentsOpened, std::vector<Text>{w.tmp.TextOf(r.opened)}) << r.name;
      EXPECT_TRUE(w.view.boxes.empty()) << r.name;
    } else {
      EXPECT_EQ(w.view.BoxTexts(), std::vector<Text>{r.box}) << r.name;
      EXPECT_EQ(w.view.boxes[0].informative, w.tmp.TextOf(r.named)) << r.name;
    }
  }
}

}  // namespace
}  // namespace tecris2nx
