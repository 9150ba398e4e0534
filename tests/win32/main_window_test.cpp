// The Win32 view in-process: a real window on the test's display, driven by window messages as a
// user's clicks and keys would drive it. The model's behaviour is tested without a toolkit; these
// tests cover what the view adds: controls and captions, message routing, the tree, the layout,
// the system's message boxes, the findings window and the clipboard, the worker's progress
// reaching the window thread, and the outputs.
#include "app/win32/main_window.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "app/win32/host_environment.h"
#include "app/win32/report_dialog.h"
#include "app/window/window_geometry.h"
#include "app/window/window_model.h"
#include "common/file_system.h"
#include "common/wide_text.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx::win32 {
namespace {

namespace stdfs = std::filesystem;
using testing::TempDir;

Text WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), text.size())));
  return FromWide(text);
}

std::vector<Text> ListTexts(HWND list, UINT countMessage, UINT textMessage) {
  std::vector<Text> texts;
  const auto count = SendMessageW(list, countMessage, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[1024] = {};
    SendMessageW(list, textMessage, i, reinterpret_cast<LPARAM>(text));
    texts.push_back(FromWide(text));
  }
  return texts;
}

/// Dispatches the thread's messages until the condition holds; false after the timeout.
bool PumpUntil(MainWindow& window, const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (window.PreTranslate(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void Pump(MainWindow& window) {
  PumpUntil(
      window, [] { return false; }, std::chrono::milliseconds(100));
}

/// The list view's rows as shown, cells joined by tabs.
std::vector<Text> ListViewRows(HWND list) {
  std::vector<Text> rows;
  const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const auto columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    Text row;
    for (int column = 0; column < columns; ++column) {
      wchar_t text[1024] = {};
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = 1024;
      SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
      if (column > 0) row += U'\t';
      row += FromWide(text);
    }
    rows.push_back(row);
  }
  return rows;
}

/// The clipboard's Unicode text; empty when it holds none.
std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void EmptyTheClipboard() {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
}

/// Ctrl held down (or let go) as the thread's keyboard state says: GetKeyState reads it.
void HoldControl(bool down) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

/// The examples' folder in this system's form.
Text ExamplesFolder() {
  return stdfs::path(std::string(testing::SourceDir()) + "/examples").make_preferred().u32string();
}

/// Copies the example TECRIS files into a folder, with one file that is not a TECRIS file.
void CopyExamples(const Text& folder) {
  stdfs::create_directories(stdfs::path(folder));
  for (const auto& entry : stdfs::directory_iterator(stdfs::path(ExamplesFolder()))) {
    if (entry.is_regular_file()) {
      stdfs::copy_file(entry.path(), stdfs::path(folder) / entry.path().filename(),
                       stdfs::copy_options::overwrite_existing);
    }
  }
  std::ofstream(stdfs::path(folder) / L"readme.txt") << "not a TECRIS file";
}

/// What Explorer hands a window when files are dropped on it.
HGLOBAL DropOf(const std::vector<Text>& paths) {
  std::wstring names;
  for (const Text& path : paths) names += ToWide(path) + L'\0';
  names += L'\0';
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(drop + 1));
  GlobalUnlock(memory);
  return memory;
}

/// A window over the real model on a source folder holding the examples; boxes are answered by
/// `answers` (Yes when it runs out) and recorded.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyExamples(source_);
    ASSERT_TRUE(SetCurrentDirectoryW(ToWide(source_).c_str()));

    ViewSeams seams;
    seams.showMessage = [this](HWND, const MessageRequest& box) {
      boxes_.push_back(box);
      if (answers_.empty()) return MessageAnswer::kYes;
      const MessageAnswer answer = answers_.front();
      answers_.erase(answers_.begin());
      return answer;
    };
    seams.endProgram = [this](int status) { endStatus_ = status; };
    seams.openDocument = [this](const Text& path) {
      opened_.push_back(path);
      return true;
    };
    seams.chooseFolder = [this](HWND, const Text& title, const Text&) {
      folderTitles_.push_back(title);
      return chosenFolder_;
    };
    seams.reportDialogShown = [this](HWND dialog) {
      if (onReportDialog_) onReportDialog_(dialog);
    };
    seams.logPreview.choosePath = [this](HWND, const Text& suggested, const wchar_t*) {
      suggestedNames_.push_back(suggested);
      return savePath_;
    };
    seams.logPreview.showError = [this](HWND, const Text& text) { previewErrors_.push_back(text); };
    window_ = std::make_unique<MainWindow>(std::move(seams));
    ASSERT_TRUE(window_->Create(GetModuleHandleW(nullptr)));
    WindowEnvironment env = HostWindowEnvironment(fs_, window_->Poster(), window_->LaterPoster());
    // Both sides start in the current folder, the source, not in the user's documents.
    EXPECT_TRUE(env.documentsFolder && !env.documentsFolder().empty());
    env.documentsFolder = nullptr;
    Text patterns = ExamplesFolder() + U"\\sample-patdat\\";
    if (std::getenv("TECRIS2NX_SCREENSHOT") != nullptr ||
        std::getenv("TECRIS2NX_LOG_SCREENSHOT") != nullptr) {
      // The picture names the sample where a user would keep pattern data, not the build's.
      const Text shown = U"C:\\ボーリング\\PATDAT";
      stdfs::create_directories(stdfs::path(shown));
      stdfs::copy(stdfs::path(ExamplesFolder()) / L"sample-patdat", stdfs::path(shown),
                  stdfs::copy_options::recursive | stdfs::copy_options::overwrite_existing);
      patterns = shown + U"\\";
    }
    env.findPatternFolder = [patterns] { return patterns; };
    env.searchPatternFolder = nullptr;
    env.settingsFile.clear();
    guide_ = temp_.TextOf("tecris2nx-guide-ja.html");
    std::ofstream(stdfs::path(guide_)) << "<html></html>";
    env.guideFiles = {guide_};
    env.workers = 2;
    model_ = std::make_unique<WindowModel>(*window_, std::move(env));
    window_->Attach(*model_);
    ASSERT_TRUE(model_->Start());
    window_->Show(SW_SHOWNOACTIVATE);
    Pump(*window_);
  }

  void TearDown() override {
    model_.reset();
    window_.reset();
    SetCurrentDirectoryW(L"C:\\");
  }

  HWND Control(ControlId id) const { return window_->Control(id); }

  /// Selects a tree entry by its text below the selected one and opens it with the blank key.
  void OpenChild(ControlId tree, const Text& name) {
    const HWND handle = Control(tree);
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(handle, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item = reinterpret_cast<HTREEITEM>(
        SendMessageW(handle, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
    const Side side = tree == kDir1 ? Side::kDestination : Side::kSource;
    while (item && FileNameOf(window_->FolderOf(side, item)) != name) {
      item = reinterpret_cast<HTREEITEM>(
          SendMessageW(handle, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    }
    ASSERT_NE(item, nullptr) << ToUtf8(name);
    SendMessageW(handle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    SetFocus(handle);
    SendMessageW(handle, WM_KEYDOWN, VK_SPACE, 0);
    Pump(*window_);
  }

  static Text FileNameOf(const Text& path) { return path.substr(path.find_last_of(U'\\') + 1); }

  TempDir temp_;
  const Text source_ = temp_.TextOf("source");
  RealFileSystem fs_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<WindowModel> model_;
  std::vector<MessageRequest> boxes_;
  std::vector<MessageAnswer> answers_;
  std::vector<Text> folderTitles_;
  std::vector<Text> opened_;
  std::vector<Text> suggestedNames_;
  std::vector<Text> previewErrors_;
  Text savePath_;
  Text chosenFolder_;  ///< what the folder dialog answers; empty: cancelled
  std::function<void(HWND dialog)> onReportDialog_;
  int endStatus_ = -1;
  Text guide_;
};

TEST_F(MainWindowTest, ControlsCarryFormOnesCaptions) {
  struct Row {
    ControlId id;
    const char32_t* caption;
  };
  const Row rows[] = {
      {kFrame1, U"変換先ﾌｫﾙﾀﾞ名選択"},  {kFrame2, U"変換元ﾌｧｲﾙ名選択"},
      {kLabel1, U"変換先ﾌｫﾙﾀﾞ名 ："},   {kLabel2, U"変換元ﾌｧｲﾙ名 ："},
      {kFrame3, U"メッセージ"},         {kCommand1, U"実  行"},
      {kCommand3, U"中  止"},           {kCommand2, U"終  了"},
      {kFailuresOnly, U"失敗のみ表示"}, {kSelectionCount, U"0 ファイル選択"},
      {kBoringLog, U"柱状図"},          {kReport, U"一覧表"},
  };
  EXPECT_EQ(WindowText(window_->Handle()), U"TECRIS -> Nx 変換プログラム");
  for (const Row& r : rows) EXPECT_EQ(WindowText(Control(r.id)), r.caption) << ToUtf8(r.caption);
  // Stop is there only while something runs.
  EXPECT_FALSE(IsWindowVisible(Control(kCommand3)));
  // The pattern-data folder in use is named under the message frame.
  EXPECT_EQ(WindowText(Control(kPatternLine)).rfind(U"PATDAT: " + ExamplesFolder(), 0), 0u)
      << ToUtf8(WindowText(Control(kPatternLine)));
  // The window's font is the system's message font.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW used{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(kList1), WM_GETFONT, 0, 0)), sizeof used,
             &used);
  EXPECT_STREQ(used.lfFaceName, metrics.lfMessageFont.lfFaceName);
}

TEST_F(MainWindowTest, StartShowsTheCurrentFolderAndOnlyTecrisFiles) {
  const Text& source = source_;
  EXPECT_EQ(WindowText(Control(kText2)), source + U"\\");
  EXPECT_EQ(WindowText(Control(kText1)), source);
  // The list keeps the folder's order (no sorting list box) and leaves other files out.
  std::vector<Text> expected;
  for (const Text& name : fs_.ListFiles(source)) {
    if (name != U"readme.txt") expected.push_back(name);
  }
  EXPECT_EQ(expected.size(), 6u);
  EXPECT_EQ(ListTexts(Control(kList1), LB_GETCOUNT, LB_GETTEXT), expected);
  // Drive lists show "C:" style entries, the source's drive selected.
  const std::vector<Text> drives = ListTexts(Control(kDrive2), CB_GETCOUNT, CB_GETLBTEXT);
  const auto selected = SendMessageW(Control(kDrive2), CB_GETCURSEL, 0, 0);
  ASSERT_GE(selected, 0);
  EXPECT_EQ(drives[static_cast<std::size_t>(selected)].substr(0, 2), source.substr(0, 2));
  // The tree's selected entry is the folder itself, below the drive's root.
  const HWND tree = Control(kDir2);
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  EXPECT_EQ(window_->FolderOf(Side::kSource, item), source);
  const auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  EXPECT_EQ(window_->FolderOf(Side::kSource, root), source.substr(0, 3));
}

TEST_F(MainWindowTest, TreeOpensFoldersAndDriveListsFallBack) {
  temp_.Write("dest/出力/keep.txt", "x");
  const Text dest = temp_.TextOf("dest");
  // Enter on a tree opens the selected folder (here the source's parent) rather than pressing
  // Execute; the blank key opens one of the sub-folders then listed.
  const HWND tree = Control(kDir1);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  item = reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  SetFocus(tree);
  PostMessageW(tree, WM_KEYDOWN, VK_RETURN, 0);
  Pump(*window_);
  EXPECT_EQ(WindowText(Control(kText1)), temp_.text());
  EXPECT_TRUE(boxes_.empty());
  OpenChild(kDir1, U"dest");
  OpenChild(kDir1, U"出力");
  EXPECT_EQ(WindowText(Control(kText1)), dest + U"\\出力");
  // The source side did not move.
  EXPECT_EQ(WindowText(Control(kText2)), source_ + U"\\");

  // A drive that is there but not ready: the list goes back to the drive shown.
  const char* unready = std::getenv("TECRIS2NX_TEST_UNREADY_DRIVE");
  if (unready == nullptr) GTEST_SKIP() << "TECRIS2NX_TEST_UNREADY_DRIVE not set";
  const HWND drive = Control(kDrive1);
  const auto before = SendMessageW(drive, CB_GETCURSEL, 0, 0);
  const std::wstring prefix = std::wstring(1, static_cast<wchar_t>(unready[0])) + L":";
  const auto index = SendMessageW(drive, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(prefix.c_str()));
  // The test script links the drive before Wine's server starts, so it must be listed.
  ASSERT_GE(index, 0) << "drive " << unready[0] << ": not listed";
  SendMessageW(drive, CB_SETCURSEL, index, 0);
  SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(kDrive1, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(drive));
  Pump(*window_);
  EXPECT_EQ(SendMessageW(drive, CB_GETCURSEL, 0, 0), before);
  EXPECT_EQ(WindowText(Control(kText1)), dest + U"\\出力");
}

TEST_F(MainWindowTest, DroppedFolderBecomesTheSource) {
  const Text other = temp_.TextOf("他のフォルダ");
  CopyExamples(other);
  std::filesystem::remove(stdfs::path(other) / L"12345678.001");
  SendMessageW(window_->Handle(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DropOf({other, source_ + U"\\12345678.001"})), 0);
  Pump(*window_);
  EXPECT_EQ(WindowText(Control(kText2)), other + U"\\");
  EXPECT_EQ(ListTexts(Control(kList1), LB_GETCOUNT, LB_GETTEXT).size(), 5u);
}

TEST_F(MainWindowTest, ExecuteConvertsOnTheWorkerAndReportsInTheWindow) {
  // TECRIS2NX_WINDOW_OUTPUT keeps the outputs for the script to compare with Linux's.
  const char* kept = std::getenv("TECRIS2NX_WINDOW_OUTPUT");
  const Text dest =
      kept != nullptr ? stdfs::u8path(kept).make_preferred().u32string() : temp_.TextOf("新/出力");
  if (kept != nullptr) stdfs::remove_all(stdfs::path(dest));
  SetWindowTextW(Control(kText1), ToWide(dest).c_str());
  const HWND list = Control(kList1);
  SendMessageW(list, LB_SETSEL, TRUE, -1);  // Ctrl+A: every file
  SendMessageW(Control(kCommand1), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil(*window_, [&] { return !model_->Running(); }));

  // The missing destination was offered as a Yes/No question before anything was written.
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, kCreateFolderQuestion);
  EXPECT_EQ(boxes_[0].style, MessageStyle::kYesNoQuestion);
  EXPECT_EQ(WindowText(Control(kLabel3)), kDoneMessage);
  EXPECT_TRUE(IsWindowEnabled(Control(kCommand1)));
  EXPECT_FALSE(IsWindowVisible(Control(kCommand3)));
  const std::vector<Text> details = ListTexts(Control(kDetails), LB_GETCOUNT, LB_GETTEXT);
  EXPECT_GE(details.size(), 6u);
  for (const Text& name : ListTexts(list, LB_GETCOUNT, LB_GETTEXT)) {
    EXPECT_TRUE(fs_.KindOf(dest + U"\\" + name.substr(0, 8) + name.substr(9)) == EntryKind::kFolder)
        << ToUtf8(name);
  }
  // The message is cleared by the next mouse move over the background.
  SendMessageW(window_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(WindowText(Control(kLabel3)), U"");

  // A double click, or Enter, on a details line shows its file's findings (the example .003
  // has one).
  int warned = 0;
  while (warned < static_cast<int>(details.size()) &&
         details[static_cast<std::size_t>(warned)].rfind(U"12345678.003", 0) != 0) {
    ++warned;
  }
  const HWND detailsList = Control(kDetails);
  SendMessageW(detailsList, LB_SETCARETINDEX, warned + 1, 0);  // its warnings line
  SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(kDetails, LBN_DBLCLK),
               reinterpret_cast<LPARAM>(detailsList));
  // Not a box: a window of its own with the findings as a table.
  EXPECT_EQ(boxes_.size(), 1u);
  FindingsWindow& findings = window_->Findings();
  ASSERT_NE(findings.Handle(), nullptr);
  EXPECT_TRUE(IsWindowVisible(findings.Handle()));
  EXPECT_EQ(WindowText(findings.Handle()), U"12345678.003 の指摘 1 件");
  const std::vector<Text> rows = ListViewRows(findings.Control(kFindingsList));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NE(rows[0].find(U"\t警告\tT404\t"), Text::npos) << ToUtf8(rows[0]);
  // Closed, it is only hidden; Enter on a line brings it back.
  SendMessageW(findings.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(findings.Handle()));
  EXPECT_EQ(endStatus_, -1);
  SetFocus(detailsList);
  SendMessageW(detailsList, LB_SETCURSEL, warned, 0);
  PostMessageW(detailsList, WM_KEYDOWN, VK_RETURN, 0);
  Pump(*window_);
  EXPECT_TRUE(IsWindowVisible(findings.Handle()));
}

/// A copy of an example cut short inside its sections, under another identifier.
void WriteBrokenFile(const Text& folder) {
  std::ifstream in(stdfs::path(ExamplesFolder()) / L"12345678.001", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto id = bytes.find("12345678001");
  ASSERT_NE(id, std::string::npos);
  bytes.replace(id, 11, "12345678099");
  bytes.resize(bytes.size() * 2 / 3);
  std::ofstream(stdfs::path(folder) / L"12345678.099", std::ios::binary) << bytes;
}

TEST_F(MainWindowTest, FailedFilesStandOutAndTheBoxShowsOnlyThem) {
  WriteBrokenFile(source_);
  model_->OnRefresh();
  SetWindowTextW(Control(kText1), ToWide(temp_.TextOf("出力")).c_str());
  SendMessageW(Control(kList1), LB_SETSEL, TRUE, -1);
  SendMessageW(Control(kCommand1), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil(*window_, [&] { return !model_->Running(); }));
  const HWND details = Control(kDetails);
  const std::vector<Text> all = ListTexts(details, LB_GETCOUNT, LB_GETTEXT);
  std::vector<Text> failed;
  for (LRESULT i = 0; i < static_cast<LRESULT>(all.size()); ++i) {
    // The list draws a failed line in its own colour from the line's flag.
    if (SendMessageW(details, LB_GETITEMDATA, i, 0) != 0) failed.push_back(all[i]);
  }
  ASSERT_FALSE(failed.empty());
  EXPECT_EQ(failed[0].rfind(U"× 12345678.099: ", 0), 0u) << ToUtf8(failed[0]);
  EXPECT_LT(failed.size(), all.size());
  // The box goes to the model, which shows only the failed lines, then all again.
  const HWND box = Control(kFailuresOnly);
  SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(ListTexts(details, LB_GETCOUNT, LB_GETTEXT), failed);
  SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(ListTexts(details, LB_GETCOUNT, LB_GETTEXT), all);
  // A long line can be scrolled to its end.
  EXPECT_GT(SendMessageW(details, LB_GETHORIZONTALEXTENT, 0, 0), 0);

  // Copying: the keys go through the window's message loop, as a user's do. A line after a
  // file's first carries the file's name.
  std::size_t later = 0;
  while (later < all.size() && all[later].rfind(U"  ", 0) != 0) ++later;
  ASSERT_LT(later, all.size());
  std::size_t owner = later;
  while (owner > 0 && all[owner].rfind(U"  ", 0) == 0) --owner;
  const Text ownerName = all[owner].substr(all[owner].rfind(U"× ", 0) == 0 ? 2 : 0, 12);
  SendMessageW(details, LB_SETSEL, FALSE, -1);
  SendMessageW(details, LB_SETSEL, TRUE, static_cast<LPARAM>(later));
  SetFocus(details);
  const auto keys = [&](WPARAM key) {
    HoldControl(true);
    PostMessageW(details, WM_KEYDOWN, key, 0);
    Pump(*window_);
    HoldControl(false);
  };
  EmptyTheClipboard();
  keys('C');
  EXPECT_EQ(ClipboardText(), ToWide(ownerName + U": " + all[later].substr(2) + U"\r\n"));
  keys('A');
  EXPECT_EQ(SendMessageW(details, LB_GETSELCOUNT, 0, 0), static_cast<LRESULT>(all.size()));
  EmptyTheClipboard();
  keys('C');
  const std::wstring copied = ClipboardText();
  EXPECT_EQ(static_cast<std::size_t>(std::count(copied.begin(), copied.end(), L'\n')), all.size());
}

TEST_F(MainWindowTest, TheLineUnderTheListShowsTheFilesLeftOut) {
  const HWND line = Control(kLeftOut);
  EXPECT_FALSE(IsWindowVisible(line));
  std::ofstream(stdfs::path(source_ + U"\\20003001.001"), std::ios::binary) << "A,200";
  model_->OnRefresh();
  Pump(*window_);
  EXPECT_TRUE(IsWindowVisible(line));
  EXPECT_NE(
      WindowText(line).find(U"1 ファイルは TECRIS ファイルとして読めないため一覧にありません"),
      Text::npos);
  NMHDR click{line, static_cast<UINT_PTR>(kLeftOut), NM_CLICK};
  SendMessageW(window_->Handle(), WM_NOTIFY, kLeftOut, reinterpret_cast<LPARAM>(&click));
  FindingsWindow& findings = window_->Findings();
  ASSERT_NE(findings.Handle(), nullptr);
  EXPECT_EQ(WindowText(findings.Handle()), U"一覧にないファイル 1 件");
  const std::vector<Text> rows = ListViewRows(findings.Control(kFindingsList));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].rfind(U"20003001.001\t", 0), 0u) << ToUtf8(rows[0]);
}

TEST_F(MainWindowTest, SelectionCountFollowsCtrlAAndClicks) {
  const HWND list = Control(kList1);
  SetFocus(list);
  HoldControl(true);
  PostMessageW(list, WM_KEYDOWN, 'A', 0);
  Pump(*window_);
  HoldControl(false);
  EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 6);
  EXPECT_EQ(WindowText(Control(kSelectionCount)), U"6 ファイル選択");
  // A change the list reports (a click, the keyboard) is counted too.
  SendMessageW(list, LB_SETSEL, FALSE, -1);
  SendMessageW(list, LB_SETSEL, TRUE, 2);
  SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(kList1, LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(WindowText(Control(kSelectionCount)), U"1 ファイル選択");
}

TEST_F(MainWindowTest, FindingsWindowSortsAndCopiesAsTabSeparatedText) {
  FindingsTable table;
  table.title = U"12345678.007 の指摘 3 件（見出しが長くても切らずに表示します）";
  table.headings = {U"行", U"内容"};
  table.rows = {{U"10", U"三"}, {U"2", U"一"}, {U"7", U"二"}};
  table.note = U"…ほか 2 件";
  window_->ShowFindings(table);
  FindingsWindow& findings = window_->Findings();
  const HWND list = findings.Control(kFindingsList);
  EXPECT_EQ(WindowText(findings.Handle()), table.title);
  EXPECT_EQ(WindowText(findings.Control(kFindingsNote)), table.note);
  // A click on a heading sorts by it (numbers as numbers), a second reverses.
  NMLISTVIEW click{};
  click.hdr = {list, static_cast<UINT_PTR>(kFindingsList), LVN_COLUMNCLICK};
  click.iSubItem = 0;
  SendMessageW(findings.Handle(), WM_NOTIFY, kFindingsList, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(ListViewRows(list), (std::vector<Text>{U"2\t一", U"7\t二", U"10\t三"}));
  SendMessageW(findings.Handle(), WM_NOTIFY, kFindingsList, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(ListViewRows(list), (std::vector<Text>{U"10\t三", U"7\t二", U"2\t一"}));

  // コピー with nothing chosen: every row, in CR LF lines for the clipboard.
  EmptyTheClipboard();
  SendMessageW(findings.Control(kFindingsCopy), BM_CLICK, 0, 0);
  EXPECT_EQ(ClipboardText(), L"行\t内容\r\n10\t三\r\n2\t一\r\n7\t二\r\n");
  // Ctrl+C copies the chosen rows, in the order shown.
  LVITEMW chosen{};
  chosen.stateMask = LVIS_SELECTED;
  chosen.state = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&chosen));
  SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&chosen));
  EmptyTheClipboard();
  HoldControl(true);
  SendMessageW(list, WM_KEYDOWN, 'C', 0);
  HoldControl(false);
  EXPECT_EQ(ClipboardText(), L"行\t内容\r\n10\t三\r\n2\t一\r\n");

  // The whole title shows: the window is at least as wide as the title's text.
  RECT frame{};
  GetWindowRect(findings.Handle(), &frame);
  const HDC dc = GetDC(findings.Handle());
  SIZE title{};
  const std::wstring wide = ToWide(table.title);
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &title);
  ReleaseDC(findings.Handle(), dc);
  EXPECT_GT(frame.right - frame.left, title.cx);

  // A second table replaces the first in the same window.
  const HWND first = findings.Handle();
  table.title = U"12345678.003 の指摘 1 件";
  table.rows = {{U"14", U"深度"}};
  table.note.clear();
  window_->ShowFindings(table);
  EXPECT_EQ(findings.Handle(), first);
  EXPECT_EQ(WindowText(first), table.title);
  EXPECT_EQ(ListViewRows(list), (std::vector<Text>{U"14\t深度"}));
}

/// The window's pixels as a 24-bit BMP file.
bool WriteWindowPicture(HWND window, const stdfs::path& file) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as BMP files store rows
  header.biPlanes = 1;
  header.biBitCount = 24;
  const int stride = (width * 3 + 3) / 4 * 4;
  std::string pixels(static_cast<std::size_t>(stride) * height, '\0');
  const int rows = GetDIBits(memory, bitmap, 0, height, pixels.data(),
                             reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;
  BITMAPFILEHEADER fileHeader{};
  fileHeader.bfType = 0x4D42;  // "BM"
  fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
  fileHeader.bfSize = static_cast<DWORD>(fileHeader.bfOffBits + pixels.size());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

// The picture for the README: the examples converted through the window, from a source and into
// a destination with the names a user would give them. Only when TECRIS2NX_SCREENSHOT names the
// BMP file to write (scripts/render-window-windows.sh).
TEST_F(MainWindowTest, Picture) {
  const char* picture = std::getenv("TECRIS2NX_SCREENSHOT");
  if (picture == nullptr) GTEST_SKIP() << "TECRIS2NX_SCREENSHOT not set";
  const Text source = U"C:\\ボーリング\\TECRIS", dest = U"C:\\ボーリング\\Nx";
  stdfs::remove_all(stdfs::path(dest));
  CopyExamples(source);
  SendMessageW(window_->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({source})), 0);
  Pump(*window_);
  model_->OnFolderChosen(Side::kDestination, U"C:\\ボーリング");
  SetWindowTextW(Control(kText1), ToWide(dest).c_str());
  SendMessageW(Control(kList1), LB_SETSEL, TRUE, -1);
  SendMessageW(Control(kCommand1), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil(*window_, [&] { return !model_->Running(); }));
  model_->OnRefresh();  // the new job folders show in the destination tree
  SetWindowPos(window_->Handle(), HWND_TOP, 0, 0, 760, 580, SWP_SHOWWINDOW);
  SetForegroundWindow(window_->Handle());
  RedrawWindow(window_->Handle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpUntil(
      *window_, [] { return false; }, std::chrono::milliseconds(1000));
  EXPECT_TRUE(WriteWindowPicture(window_->Handle(), stdfs::u8path(picture)));
}

/// Selects List1's entry `name` alone, as a click does.
void SelectFile(HWND list, const Text& name) {
  SendMessageW(list, LB_SETSEL, FALSE, -1);
  const LRESULT index = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(ToWide(name).c_str()));
  ASSERT_GE(index, 0) << ToUtf8(name);
  SendMessageW(list, LB_SETSEL, TRUE, index);
  SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

/// Pixels of the window's client area on the screen that are neither the grey around the page
/// nor white: what the painter drew.
int InkOnScreen(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  const HDC dc = GetDC(window);
  int ink = 0;
  for (int y = 0; y < rect.bottom; y += 3) {
    for (int x = 0; x < rect.right; x += 3) {
      const COLORREF pixel = GetPixel(dc, x, y);
      if (pixel != CLR_INVALID && GetRValue(pixel) < 100) ++ink;
    }
  }
  ReleaseDC(window, dc);
  return ink;
}

TEST_F(MainWindowTest, BoringLogOpensFromTheButtonAndADoubleClick) {
  // Example 006 down to 20 m: one page at 1:100, two at 1:50.
  {
    std::ifstream in(stdfs::path(ExamplesFolder()) / L"12345678.006", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t at = bytes.find("B,8,1,10.00,");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 12, "B,8,1,20.00,");
    std::ofstream(stdfs::path(source_) / L"12345678.006", std::ios::binary) << bytes;
  }
  const HWND list = Control(kList1);
  SelectFile(list, U"12345678.006");
  SendMessageW(Control(kBoringLog), BM_CLICK, 0, 0);
  LogPreviewWindow& preview = window_->Preview();
  // Read beside the window; the preview says so until the log arrives.
  ASSERT_TRUE(PumpUntil(*window_, [&] { return preview.PageCount() > 0; }));
  EXPECT_TRUE(preview.BusyText().empty());
  ASSERT_NE(preview.Handle(), nullptr);
  EXPECT_TRUE(IsWindowVisible(preview.Handle()));
  EXPECT_EQ(WindowText(preview.Handle()), U"柱状図 - 12345678006 (12345678.006)");
  EXPECT_EQ(preview.PageCount(), 1);
  EXPECT_EQ(WindowText(preview.Control(kLogPageLine)), U"1 / 1 ページ");
  EXPECT_FALSE(IsWindowEnabled(preview.Control(kLogNext)));
  // The page is painted: black ink on the canvas.
  const HWND canvas = preview.Control(kLogCanvas);
  RedrawWindow(canvas, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(*window_);
  EXPECT_GT(InkOnScreen(canvas), 100);

  // Zoom by its buttons; scale 1:50 doubles the depth, so the 20 m log takes two pages.
  SendMessageW(preview.Control(kLogZoomIn), BM_CLICK, 0, 0);
  EXPECT_EQ(preview.ZoomPercent(), 150);
  EXPECT_EQ(WindowText(preview.Control(kLogZoomLine)), U"150%");
  SendMessageW(preview.Control(kLogZoomOut), BM_CLICK, 0, 0);
  SendMessageW(preview.Control(kLogZoomOut), BM_CLICK, 0, 0);
  EXPECT_EQ(preview.ZoomPercent(), 75);
  preview.SetScale(50);
  ASSERT_GT(preview.PageCount(), 1);
  SendMessageW(preview.Control(kLogNext), BM_CLICK, 0, 0);
  EXPECT_EQ(preview.CurrentPage(), 1);
  EXPECT_TRUE(IsWindowEnabled(preview.Control(kLogPrevious)));

  // Saved as PNG (one file a page) and SVG (one sheet), under the names the dialog gives.
  savePath_ = temp_.TextOf("柱状図.png");
  SendMessageW(preview.Control(kLogSavePng), BM_CLICK, 0, 0);
  savePath_ = temp_.TextOf("柱状図.svg");
  SendMessageW(preview.Control(kLogSaveSvg), BM_CLICK, 0, 0);
  EXPECT_EQ(suggestedNames_, (std::vector<Text>{U"12345678006.png", U"12345678006.svg"}));
  EXPECT_TRUE(previewErrors_.empty());
  for (int page = 1; page <= preview.PageCount(); ++page) {
    const Text png = temp_.TextOf("柱状図-" + std::to_string(page) + ".png");
    EXPECT_EQ(fs_.ReadAll(png).substr(0, 8), "\x89PNG\r\n\x1a\n") << page;
  }
  EXPECT_EQ(fs_.ReadAll(temp_.TextOf("柱状図.svg")).rfind("<?xml", 0), 0U);
  // A folder that cannot be written says so and writes nothing.
  savePath_ = temp_.TextOf("ない/柱状図.svg");
  SendMessageW(preview.Control(kLogSaveSvg), BM_CLICK, 0, 0);
  ASSERT_EQ(previewErrors_.size(), 1u);
  EXPECT_EQ(previewErrors_[0].rfind(U"SVG を保存できませんでした: ", 0), 0u);

  // Closed, it is only hidden; a double click on another file shows that one, at its start.
  SendMessageW(preview.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(preview.Handle()));
  SelectFile(list, U"12345678.002");
  SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(kList1, LBN_DBLCLK),
               reinterpret_cast<LPARAM>(list));
  EXPECT_TRUE(PumpUntil(*window_, [&] {
    return WindowText(preview.Handle()) == U"柱状図 - 12345678002 (12345678.002)";
  }));
  EXPECT_TRUE(IsWindowVisible(preview.Handle()));
  EXPECT_EQ(preview.CurrentPage(), 0);
  EXPECT_EQ(endStatus_, -1);
}

// The boring log's picture for the README: the preview of an example over the window. Only when
// TECRIS2NX_LOG_SCREENSHOT names the BMP file to write (scripts/render-window-windows.sh).
TEST_F(MainWindowTest, BoringLogPicture) {
  const char* picture = std::getenv("TECRIS2NX_LOG_SCREENSHOT");
  if (picture == nullptr) GTEST_SKIP() << "TECRIS2NX_LOG_SCREENSHOT not set";
  SelectFile(Control(kList1), U"12345678.006");
  SendMessageW(Control(kBoringLog), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil(*window_, [this] { return window_->Preview().PageCount() > 0; }));
  const HWND preview = window_->Preview().Handle();
  ASSERT_NE(preview, nullptr);
  SetWindowPos(preview, HWND_TOP, 0, 0, 900, 1000, SWP_SHOWWINDOW);
  SetForegroundWindow(preview);
  RedrawWindow(preview, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpUntil(
      *window_, [] { return false; }, std::chrono::milliseconds(1000));
  EXPECT_TRUE(WriteWindowPicture(preview, stdfs::u8path(picture)));
}

// 一覧表 through the real dialog: filled from the model, 参照… and the datum list answered as a
// user would, 作成 pressed; the report of the selected files is written and its page opened.
TEST_F(MainWindowTest, ReportButtonAsksItsDialogAndWritesTheSelectedFiles) {
  SelectFile(Control(kList1), U"12345678.006");
  chosenFolder_ = temp_.TextOf("一覧表");
  Text offered;
  LRESULT datums = 0;
  onReportDialog_ = [&](HWND dialog) {
    offered = WindowText(GetDlgItem(dialog, kReportFolder));
    datums = SendDlgItemMessageW(dialog, kReportDatum, CB_GETCOUNT, 0, 0);
    SendDlgItemMessageW(dialog, kReportBrowse, BM_CLICK, 0, 0);
    SendDlgItemMessageW(dialog, kReportDatum, CB_SETCURSEL, 2, 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  };
  SendMessageW(Control(kReport), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil(*window_, [&] { return !model_->Running(); }));
  EXPECT_EQ(offered, source_ + U"\\一覧表");
  EXPECT_EQ(datums, 3);
  EXPECT_EQ(folderTitles_, std::vector<Text>{U"一覧表の作成"});
  EXPECT_EQ(opened_, std::vector<Text>{chosenFolder_ + U"\\report.html"});
  EXPECT_NE(fs_.ReadAll(chosenFolder_ + U"\\index.csv").find("12345678.006"), std::string::npos);
  EXPECT_NE(fs_.ReadAll(chosenFolder_ + U"\\boreholes.geojson").find("Tokyo"), std::string::npos);
  EXPECT_EQ(WindowText(Control(kLabel3)).rfind(U"一覧表を作成しました: ", 0), 0u);
  EXPECT_TRUE(IsWindowEnabled(Control(kReport)));
}

TEST_F(MainWindowTest, F1OpensTheGuide) {
  SetFocus(Control(kList1));
  PostMessageW(Control(kList1), WM_KEYDOWN, VK_F1, 0);
  Pump(*window_);
  EXPECT_EQ(opened_, std::vector<Text>{guide_});
}

TEST_F(MainWindowTest, CloseEndsTheProgramThroughTheModel) {
  SendMessageW(Control(kCommand2), BM_CLICK, 0, 0);
  Pump(*window_);
  EXPECT_EQ(endStatus_, 0);
}

TEST_F(MainWindowTest, EveryControlFitsTheWindowAtAnySize) {
  struct Row {
    int width, height;  // at 96 DPI; 0: the smallest the window allows
  };
  const Row rows[] = {{0, 0}, {760, 580}, {1200, 900}};
  // The script runs this test again at 200 %.
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  for (const Row& r : rows) {
    SetWindowPos(window_->Handle(), nullptr, 0, 0, MulDiv(r.width, dpi, 96),
                 MulDiv(r.height, dpi, 96), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    Pump(*window_);
    RECT client{};
    GetClientRect(window_->Handle(), &client);
    for (ControlId id :
         {kFrame1,      kDrive1,       kDir1,      kFrame2,   kDrive2,   kDir2,
          kList1,       kLabel1,       kText1,     kLabel2,   kText2,    kFrame3,
          kLabel3,      kDetails,      kCommand1,  kCommand2, kCommand3, kSelectionCount,
          kPatternLine, kFailuresOnly, kBoringLog, kReport}) {
      RECT rect{};
      GetWindowRect(Control(id), &rect);
      MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&rect), 2);
      EXPECT_GE(rect.left, 0) << id << " at " << r.width;
      EXPECT_GE(rect.top, 0) << id << " at " << r.width;
      EXPECT_LE(rect.right, client.right) << id << " at " << r.width;
      if (id != kDrive1 && id != kDrive2) {  // a drive list's height includes its drop-down
        EXPECT_LE(rect.bottom, client.bottom) << id << " at " << r.width;
        EXPECT_GT(rect.bottom - rect.top, 0) << id << " at " << r.width;
      }
      EXPECT_GT(rect.right - rect.left, 0) << id << " at " << r.width;
    }
    // The file list shows whole names.
    RECT listRect{};
    GetClientRect(Control(kList1), &listRect);
    const HDC dc = GetDC(Control(kList1));
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(Control(kList1), WM_GETFONT, 0, 0)));
    SIZE name{};
    GetTextExtentPoint32W(dc, L"12345678.001", 12, &name);
    SelectObject(dc, old);
    ReleaseDC(Control(kList1), dc);
    EXPECT_GE(listRect.right - GetSystemMetrics(SM_CXVSCROLL), name.cx) << r.width;
    // 中止's slot, kept while it is hidden, is not where 実行 is.
    RECT execute{}, stop{}, both{};
    GetWindowRect(Control(kCommand1), &execute);
    GetWindowRect(Control(kCommand3), &stop);
    EXPECT_FALSE(IntersectRect(&both, &execute, &stop)) << r.width;
  }
}

TEST_F(MainWindowTest, RememberedPlaceFromALargerScreenShowsWhole) {
  // The model fits a place remembered on a larger screen into the area the view gives.
  const WindowGeometry area = window_->AvailableArea();
  const WindowGeometry minimum = window_->MinimumSize();
  EXPECT_GT(area.width, minimum.width);
  EXPECT_GT(area.height, minimum.height);
  const WindowGeometry remembered{area.x + area.width - 120, area.y + area.height - 80,
                                  area.width * 2, area.height * 2};
  window_->PlaceWindow(FitWindow(remembered, area, minimum, window_->StartSize()));
  const WindowGeometry placed = window_->CurrentGeometry();
  EXPECT_GE(placed.x, area.x);
  EXPECT_GE(placed.y, area.y);
  EXPECT_LE(placed.x + placed.width, area.x + area.width);
  EXPECT_LE(placed.y + placed.height, area.y + area.height);
}

TEST(MessageBoxTest, StylesAreWindowsOwnAndAnswered) {
  struct Row {
    MessageStyle style;
    UINT flags;
    int press;  // the button the user presses
    MessageAnswer answer;
  };
  const Row rows[] = {
      {MessageStyle::kOkOnly, MB_OK, IDOK, MessageAnswer::kOk},
      {MessageStyle::kYesNoQuestion, MB_YESNO | MB_ICONQUESTION, IDYES, MessageAnswer::kYes},
      {MessageStyle::kYesNoQuestion, MB_YESNO | MB_ICONQUESTION, IDNO, MessageAnswer::kNo},
      {MessageStyle::kOkExclamation, MB_OK | MB_ICONEXCLAMATION, IDOK, MessageAnswer::kOk},
      {MessageStyle::kOkInformation, MB_OK | MB_ICONINFORMATION, IDOK, MessageAnswer::kOk},
  };
  MainWindow window;
  ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));
  for (const Row& r : rows) {
    EXPECT_EQ(MessageBoxFlags(r.style), r.flags);
    // The real box: found by its title from another thread, its button pressed there.
    const std::wstring title = L"箱 " + std::to_wstring(static_cast<int>(r.style));
    std::wstring yesCaption;
    std::thread user([&] {
      for (int tries = 0; tries < 500; ++tries) {
        if (const HWND box = FindWindowW(L"#32770", title.c_str())) {
          if (const HWND yes = GetDlgItem(box, IDYES)) {
            wchar_t caption[64] = {};
            GetWindowTextW(yes, caption, 64);
            yesCaption = caption;
          }
          if (const HWND button = GetDlgItem(box, r.press)) {
            SendMessageW(button, BM_CLICK, 0, 0);
            return;
          }
        }
        Sleep(20);
      }
    });
    MessageAnswer answer = MessageAnswer::kOk;
    bool called = false;
    window.ShowMessage({U"本文", r.style, FromWide(title), Text()}, [&](MessageAnswer a) {
      answer = a;
      called = true;
    });
    user.join();
    EXPECT_TRUE(called);
    EXPECT_EQ(answer, r.answer) << static_cast<int>(r.style);
    // In a Japanese session (the test script's) the system's buttons are Japanese.
    if (r.style == MessageStyle::kYesNoQuestion && std::getenv("TECRIS2NX_TEST_JAPANESE")) {
      EXPECT_EQ(GetACP(), 932u);
      EXPECT_NE(yesCaption.find(L"はい"), std::wstring::npos);
    }
  }
}

TEST(PosterTest, TasksRunOnTheWindowThreadInOrderAndNotAfterTheWindow) {
  auto window = std::make_unique<MainWindow>();
  ASSERT_TRUE(window->Create(GetModuleHandleW(nullptr)));
  const PostToWindow post = window->Poster();
  const DWORD windowThread = GetCurrentThreadId();
  std::vector<int> ran;
  bool wrongThread = false;
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      post([&, i] {
        ran.push_back(i);
        if (GetCurrentThreadId() != windowThread) wrongThread = true;
      });
    }
  });
  worker.join();
  bool last = false;
  post([&] { last = true; });
  EXPECT_FALSE(last);  // never inside the call
  ASSERT_TRUE(PumpUntil(*window, [&] { return last; }));
  ASSERT_EQ(ran.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
  EXPECT_FALSE(wrongThread);

  // A task given a delay runs on the window thread once it has passed, never inside the call.
  const PostToWindowLater later = window->LaterPoster();
  const auto asked = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration waited{};
  bool timed = false;
  later(150, [&] {
    waited = std::chrono::steady_clock::now() - asked;
    timed = GetCurrentThreadId() == windowThread;
  });
  EXPECT_FALSE(timed);
  ASSERT_TRUE(PumpUntil(*window, [&] { return timed; }));
  EXPECT_GE(waited, std::chrono::milliseconds(100));

  window.reset();
  bool ranLate = false;
  post([&] { ranLate = true; });
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_FALSE(ranLate);
}

// The installed program under a real Windows (or Wine) session: it starts, shows the window and
// ends when the window is closed. TECRIS2NX_INSTALLED_GUI names it; skipped otherwise.
TEST(InstalledWindow, StartsAndCloses) {
  const char* program = std::getenv("TECRIS2NX_INSTALLED_GUI");
  if (program == nullptr) GTEST_SKIP() << "TECRIS2NX_INSTALLED_GUI not set";
  std::wstring command = L"\"" + stdfs::u8path(program).wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  struct Search {
    DWORD processId;
    HWND found;
  } search{process.dwProcessId, nullptr};
  for (int tries = 0; tries < 600 && !search.found; ++tries) {
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner == s->processId && IsWindowVisible(window) &&
              WindowText(window) == kProgramTitle) {
            s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(50);
  }
  EXPECT_NE(search.found, nullptr) << "no window titled with the program's caption";
  if (search.found) PostMessageW(search.found, WM_CLOSE, 0, 0);
  const DWORD waited = WaitForSingleObject(process.hProcess, search.found ? 30000 : 0);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 2);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(status, 0u);
}

}  // namespace
}  // namespace tecris2nx::win32
