#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "app/window/details_list.h"
#include "app/window/pattern_lookup.h"
#include "app/window/window_model.h"
#include "common/source_encoding.h"
#include "run/convert_file.h"
#include "run/repeated_jobs.h"
#include "window/fake_window.h"

namespace tecris2nx {
namespace {

using testing::kSep;
using testing::SectionCFile;
using testing::WindowHarness;

TEST(WindowListTest, FilesLeftOutOfTheListAreCountedAndShownWithWhy) {
  WindowHarness w(1);
  w.Source("12345678.001", SectionCFile("12345678001"));
  w.tmp.Write("in/20003001.001", "A,200");
  w.Source("12345678.002", SectionCFile("12345678001"));
  w.Start();
  EXPECT_EQ(w.view.files, std::vector<Text>{U"12345678.001"});
  EXPECT_EQ(w.view.leftOutLine, U"2 ファイルは TECRIS ファイルとして読めないため一覧にありません");

  w.model->OnLeftOutActivated();
  ASSERT_EQ(w.view.findingsShown.size(), 1u);
  const FindingsTable& table = w.view.findingsShown[0];
  EXPECT_EQ(table.title, U"一覧にないファイル 2 件");
  std::vector<std::vector<Text>> rows = table.rows;
  std::sort(rows.begin(), rows.end());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], U"12345678.002");
  EXPECT_NE(rows[0][1].find(U"12345678001 がファイル名と違います"), Text::npos);
  // The same reason the command line gives for the file.
  EXPECT_EQ(rows[1], (std::vector<Text>{U"20003001.001", NoJobNameReason(EntryKind::kFile)}));

  // A folder without such files says nothing.
  w.tmp.Write("in/sub/12345678.001", SectionCFile("12345678001"));
  w.model->OnFolderChosen(Side::kSource, w.tmp.TextOf("in/sub"));
  EXPECT_EQ(w.view.leftOutLine, U"");
}

TEST(WindowResultsTest, TheBoxNamesTheFirstFiveFailuresAndCountsTheRest) {
  const auto failures = [](int n) {
    std::vector<std::pair<Text, Text>> list;
    for (int i = 1; i <= n; ++i) list.emplace_back(U"f" + DecimalText(i), U"理由");
    return list;
  };
  const struct {
    int failed;
    Text listed;
  } rows[] = {
      {0, U""},
      {1, U"f1: 理由"},
      {5, U"f1: 理由\nf2: 理由\nf3: 理由\nf4: 理由\nf5: 理由"},
      {7, U"f1: 理由\nf2: 理由\nf3: 理由\nf4: 理由\nf5: 理由\nほか 2 ファイル"},
  };
  for (const auto& r : rows) EXPECT_EQ(FailedFilesList(failures(r.failed)), r.listed) << r.failed;

  // In a run: the box under its counts names the file and why; the list keeps every line.
  WindowHarness w(1);
  w.Source("12345678.001", SectionCFile("12345678001"));
  w.tmp.Write("in/20003001.001", "A,200");
  w.Start();
  w.view.selected = {U"12345678.001", U"20003001.001"};
  w.Execute();
  ASSERT_EQ(w.view.boxes.size(), 1u);
  EXPECT_EQ(w.view.boxes[0].text, FailureSummary(2, 1, 1));
  EXPECT_EQ(w.view.boxes[0].informative, U"20003001.001: " + NoJobNameReason(EntryKind::kFile));
}

TEST(WindowResultsTest, WarningLinesTellTheEncodingAndARepeatedIdentifier) {
  FileReport report;
  report.inputPath = U"in" + kSep + U"12345678.001";
  report.jobName = U"12345678001";
  report.warnings = 0;
  struct Row {
    const char* name;
    SourceEncoding encoding;
    bool failed;
    std::vector<Text> warnings;  // beside the encoding's
    std::vector<Text> expected;  // the warning lines
  };
  const Text repeated = RepeatedJobNotice(U"12345678001", U"a.001");
  const Row rows[] = {
      {"CP932, nothing to say", SourceEncoding::kCp932, false, {}, {}},
      {"UTF-8",
       SourceEncoding::kUtf8,
       false,
       {},
       {WarningLine(EncodingNotice(SourceEncoding::kUtf8))}},
      {"UTF-16 and failed",
       SourceEncoding::kUtf16Le,
       true,
       {},
       {WarningLine(EncodingNotice(SourceEncoding::kUtf16Le))}},
      {"repeated", SourceEncoding::kCp932, false, {repeated}, {WarningLine(repeated)}},
  };
  for (const Row& r : rows) {
    report.encoding = r.encoding;
    report.outcome = r.failed ? FileOutcome::kFailed : FileOutcome::kConverted;
    report.error = r.failed ? U"壊れています" : U"";
    std::vector<Text> warnings;
    if (const Text notice = EncodingNotice(r.encoding); !notice.empty()) warnings.push_back(notice);
    warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
    DetailsList list;
    if (r.failed) {
      list.AddFailed(report, kSep[0], warnings);
    } else {
      list.AddConverted(report, kSep[0], warnings);
    }
    std::vector<Text> shown;
    for (const DetailLine& line : list.TakeNew()) {
      if (line.warning) shown.push_back(line.text);
    }
    EXPECT_EQ(shown, r.expected) << r.name;
  }
  EXPECT_EQ(WarningLine(EncodingNotice(SourceEncoding::kUtf8)),
            U"  注意: 文字コードが UTF-8 のファイルでした。CP932 に変換して読みました。");
}

TEST(WindowResultsTest, TheLaterFileOfARepeatedIdentifierNamesTheEarlierOne) {
  WindowHarness w(2);
  w.Source("12345678.001", SectionCFile("12345678001"));
  w.Source("12345678.002", SectionCFile("12345678001"));  // left out of the list, selected anyway
  w.Start();
  w.view.selected = {U"12345678.001", U"12345678.002"};
  w.Execute();
  std::vector<Text> warnings;
  for (const Text& line : w.view.details) {
    if (line.rfind(U"  注意: ", 0) == 0) warnings.push_back(line);
  }
  EXPECT_EQ(warnings,
            std::vector<Text>{WarningLine(RepeatedJobNotice(U"12345678001", U"12345678.001"))});
  // The notice follows the later file's lines.
  EXPECT_EQ(w.view.details.back(), warnings[0]);
}

TEST(WindowResultsTest, EveryCopiedLineNamesItsFile) {
  DetailsList list;
  list.AddFile(U"a.001", {U"a.001 -> out/1: X5.txt", U"  警告なし"}, false,
               KeptFindings(U"a.001", {}), {U"文字コードが UTF-8 のファイルでした。"});
  list.AddFile(U"b.002", {U"× b.002: 壊れています", U"  書き出したファイル: X1.txt"}, true,
               KeptFindings(U"b.002", {}));
  list.AddBatchError(U"ディスクがいっぱいです");
  list.TakeNew();
  const struct {
    const char* name;
    std::vector<int> rows;
    Text copied;
  } rows[] = {
      {"a first line as shown", {0}, U"a.001 -> out/1: X5.txt\n"},
      {"a later line gets its file", {4}, U"b.002: 書き出したファイル: X1.txt\n"},
      {"a warning line too", {2}, U"a.001: 注意: 文字コードが UTF-8 のファイルでした。\n"},
      {"a line of no file as it is", {5}, U"× ディスクがいっぱいです\n"},
      {"several, in order",
       {1, 2},
       U"a.001: 警告なし\na.001: 注意: 文字コードが UTF-8 のファイルでした。\n"},
      {"rows not shown are skipped", {9, -1}, U""},
      {"none chosen: all",
       {},
       U"a.001 -> out/1: X5.txt\na.001: 警告なし\na.001: 注意: 文字コードが UTF-8 "
       U"のファイルでした。\n"
       U"× b.002: 壊れています\nb.002: 書き出したファイル: X1.txt\n× ディスクがいっぱいです\n"},
  };
  for (const auto& r : rows) EXPECT_EQ(list.CopyText(r.rows), r.copied) << r.name;

  // Only failures shown: the rows are those the view shows.
  list.ShowFailuresOnly(true);
  EXPECT_EQ(list.CopyText({1}), U"b.002: 書き出したファイル: X1.txt\n");
}

TEST(WindowResultsTest, ARunThatDoesNotStartKeepsTheLastResults) {
  WindowHarness w(1);
  w.Source("12345678.001", SectionCFile("12345678001"));
  w.Start();
  w.view.selected = {U"12345678.001"};
  w.Execute();
  const std::vector<Text> results = w.view.details;
  ASSERT_FALSE(results.empty());
  const struct {
    const char* name;
    Text destination;
    std::vector<Text> selected;
    Text box;
  } rows[] = {
      {"No to the new folder",
       w.tmp.TextOf("out") + kSep + U"new",
       {U"12345678.001"},
       kCreateFolderQuestion},
      {"bad destination", w.tmp.TextOf("out") + kSep + U"*", {U"12345678.001"}, kBadPathMessage},
      {"nothing selected", w.tmp.TextOf("out"), {}, kNothingSelectedMessage},
  };
  for (const auto& r : rows) {
    w.view.boxes.clear();
    w.view.destination = r.destination;
    w.view.selected = r.selected;
    w.Execute();
    ASSERT_FALSE(w.view.boxes.empty()) << r.name;
    EXPECT_EQ(w.view.boxes.back().text, r.box) << r.name;
    EXPECT_EQ(w.view.details, results) << r.name;
    EXPECT_EQ(w.view.messageLine, U"") << r.name;
  }
}

TEST(WindowStartTest, TheBoxWithoutPatternDataNamesThePlacesLookedAt) {
  PatternLookupEnv lookup;
  lookup.programFolder = U"/opt/t/bin";
  lookup.dataFolders = {U"/home/u/.local/share/tecris2nx/PATDAT", U"/etc/tecris2nx/PATDAT"};
  EXPECT_EQ(PatternPlaces(lookup, U'/'),
            (std::vector<Text>{U"/home/u/.local/share/tecris2nx/PATDAT", U"/etc/tecris2nx/PATDAT",
                               U"/opt/t/bin/PATDAT", U"/opt/t/share/tecris2nx/PATDAT"}));
  lookup.programFolder = U"C:\\Program Files\\tecris2nx";
  lookup.overrideFolder = U"D:\\P";
  lookup.dataFolders = {U"C:\\Users\\u\\AppData\\Local\\tecris2nx\\PATDAT"};
  EXPECT_EQ(PatternPlaces(lookup, U'\\'),
            (std::vector<Text>{U"D:\\P", U"C:\\Program Files\\tecris2nx\\PATDAT",
                               U"C:\\Users\\u\\AppData\\Local\\tecris2nx\\PATDAT"}));

  const Text hint = PatternFolderHint({U"/a/PATDAT", U"/b/PATDAT"});
  EXPECT_EQ(hint.find(U"<prefix>"), Text::npos);
  EXPECT_NE(hint.find(U"「TECRIS2NX_PATDAT」"), Text::npos);
  EXPECT_EQ(hint.substr(hint.find(U'\n')), U"\n/a/PATDAT\n/b/PATDAT");
}

}  // namespace
}  // namespace tecris2nx
