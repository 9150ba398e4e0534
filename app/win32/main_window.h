#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "common/windows_api.h"
#include "app/win32/findings_window.h"
#include "app/win32/log_preview.h"
#include "app/win32/window_layout.h"
#include "app/win32/window_procedure.h"
#include "app/window/window_view.h"
#include "common/text.h"
// After the Windows API header.
#include <commctrl.h>

namespace tecris2nx {

class WindowModel;

namespace win32 {

/// Control identifiers; tests find the controls by them. Execute is IDOK so that Enter in the
/// window presses it.
enum ControlId : int {
  kCommand1 = IDOK,  ///< 実  行
  kFrame1 = 101,
  kDrive1,
  kDir1,
  kFrame2,
  kDrive2,
  kDir2,
  kList1,
  kLabel1,
  kText1,
  kLabel2,
  kText2,
  kFrame3,
  kLabel3,
  kDetails,
  kCommand3,        ///< 中  止
  kCommand2,        ///< 終  了
  kSelectionCount,  ///< "3000 ファイル選択" under List1
  kPatternLine,     ///< the pattern-data folder in use, under the message frame
  kFailuresOnly,    ///< 失敗のみ表示: the details list shows only failed files
  kBoringLog,       ///< 柱状図: the boring log of the selected file
  kLeftOut,         ///< under List1: files it leaves out, a link that shows them
  kReport,          ///< 一覧表: the report of the selected files
};

/// The details list's context menu.
enum DetailsMenu : int { kMenuCopy = 1, kMenuCopyAll };

/// What the window takes from its surroundings besides the model; tests replace each one.
struct ViewSeams {
  /// A modal box over the window; returns the answer. Unset: MessageBoxW.
  std::function<MessageAnswer(HWND owner, const MessageRequest& box)> showMessage;
  /// Ends the program. Unset: the window is destroyed and the message loop ends with `status`.
  std::function<void(int status)> endProgram;
  /// The folder dialog; returns the folder, empty when cancelled. Unset: the system's dialog.
  std::function<Text(HWND owner, const Text& title, const Text& start)> chooseFolder;
  /// Opens a document; false when nothing could. Unset: the shell's program for it.
  std::function<bool(const Text& path)> openDocument;
  /// Called with the report dialog once it is filled, before it shows (tests drive it from
  /// here). Unset: nothing.
  std::function<void(HWND dialog)> reportDialogShown;
  /// The boring-log preview's dialogs.
  LogPreviewSeams logPreview;
};

/// MessageBoxW flags for a box: the style numbers are Windows' own, so the buttons and icon are
/// the system's (Japanese buttons on a Japanese system).
UINT MessageBoxFlags(MessageStyle style);

/// The program's one window as a Win32 window: the same controls and captions as the Qt window,
/// laid out in units of the system's message font at the monitor's DPI. It only shows what the
/// model says and forwards the user's actions to it.
class MainWindow : public WindowView {
 public:
  explicit MainWindow(ViewSeams seams = {});
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  /// Creates the window and its controls, hidden. False when Windows refuses (no desktop).
  bool Create(HINSTANCE instance);
  /// The model the window forwards events to; set before it is shown.
  void Attach(WindowModel& model) { model_ = &model; }
  /// Posts tasks to this window's thread; tasks posted after the window is gone are dropped.
  PostToWindow Poster() const;
  /// Runs tasks on this window's thread after a delay (a timer each); dropped with the window.
  PostToWindowLater LaterPoster();
  /// Shows the window (placed by PlaceWindow).
  void Show(int showCommand);
  /// True when the message was the window's keyboard handling (Tab, Enter, F5) and is done.
  bool PreTranslate(MSG& message);

  HWND Handle() const { return window_; }
  HWND Control(ControlId id) const { return GetDlgItem(window_, id); }
  /// The full path of a folder tree's entry.
  Text FolderOf(Side side, HTREEITEM item) const;
  /// The findings window (its handle is null until the first ShowFindings).
  FindingsWindow& Findings() { return findings_; }
  /// The boring-log preview (its handle is null until the first ShowBoringLog).
  LogPreviewWindow& Preview() { return preview_; }

  // WindowView.
  WindowGeometry AvailableArea() const override;
  WindowGeometry MinimumSize() const override;
  WindowGeometry StartSize() const override;
  void PlaceWindow(const WindowGeometry& geometry) override;
  WindowGeometry CurrentGeometry() const override;
  void SetDrives(Side side, const std::vector<Text>& roots, int current) override;
  void SelectDrive(Side side, int index) override;
  void ShowFolder(Side side, const Text& root, const Text& folder) override;
  void SetFolderText(Side side, const Text& text) override;
  Text DestinationText() const override;
  void SetFiles(const std::vector<Text>& names, const std::vector<Text>& selected) override;
  std::vector<Text> SelectedFiles() const override;
  void SetSelectionCount(const Text& text) override;
  void SetLeftOutLine(const Text& text) override;
  void SetPatternFolderLine(const Text& text) override;
  void SetMessageLine(const Text& text) override;
  void ClearDetails() override;
  void AppendDetails(const std::vector<DetailLine>& lines) override;
  void SetBusy(bool busy) override;
  void SetRunning(bool running) override;
  void SetSearching(bool searching) override;
  void FocusDestination() override;
  void ShowMessage(const MessageRequest& box, std::function<void(MessageAnswer)> answered) override;
  void WithdrawMessage() override;
  void ShowFindings(const FindingsTable& table) override;
  void ShowBoringLog(std::shared_ptr<const boringlog::Borehole> hole) override;
  void SetBoringLogBusy(const Text& text) override;
  void ChooseFolder(const Text& title, const Text& start,
                    std::function<void(const Text& chosen)> chosen) override;
  void AskReport(const ReportQuestion& question,
                 std::function<void(std::optional<ReportAnswer>)> answered) override;
  bool OpenDocument(const Text& path) override;
  void EndProgram(int status) override;

 private:
  struct TaskQueue;

  template <typename Window>
  friend LRESULT CALLBACK ObjectProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void CreateControls();
  void UpdateFont();
  void Layout();
  /// The layout's measures at the window's present font and DPI.
  LayoutMetrics Metrics() const;
  /// Pixels of this window's monitor per logical (96-DPI) pixel of WindowGeometry.
  double Scale() const;
  void OnCommand(int id, int code);
  void SelectionChanged();
  void DrawDetail(const DRAWITEMSTRUCT& item);
  LRESULT OnNotify(const NMHDR& header);
  void OpenTreeItem(Side side, HTREEITEM item);
  /// The details line chosen by the keyboard or the mouse; -1 for none.
  int ChosenDetail() const;
  /// The selected details lines, in order.
  std::vector<int> ChosenDetails() const;
  /// Puts the model's text for these details lines (all when empty) on the clipboard.
  void CopyDetails(const std::vector<int>& rows);
  /// The context menu of the details list at `at` (screen; -1, -1: under the caret line).
  void DetailsMenuAt(POINT at);
  /// 中止 shown and enabled, 実行 and 一覧表 disabled, while a run or the search goes.
  void ShowStop();
  void RunTasks();
  UINT Dpi() const;
  int Scaled(int pixelsAt96) const;

  ViewSeams seams_;
  WindowModel* model_ = nullptr;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  int unit_ = 16;          ///< height of a line of the font, in pixels
  int fileNameWidth_ = 0;  ///< List1 showing a whole TECRIS file name
  int checkBoxWidth_ = 0;  ///< the failures-only box with its caption
  bool busy_ = false;
  bool running_ = false;
  bool searching_ = false;
  bool filling_ = false;  ///< the view itself changes a control: no event for the model
  int detailsWidth_ = 0;
  std::vector<Text> folders_[2];  ///< per side: the path of each tree entry (its lParam)
  std::shared_ptr<TaskQueue> tasks_;
  std::map<UINT_PTR, std::function<void()>> timers_;  ///< by timer id
  UINT_PTR lastTimer_ = 0;
  FindingsWindow findings_;
  LogPreviewWindow preview_;
};

}  // namespace win32
}  // namespace tecris2nx
