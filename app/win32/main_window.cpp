#include "app/win32/main_window.h"

#include <shellapi.h>

#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <deque>
#include <mutex>
#include <set>
#include <utility>

#include "app/win32/folders.h"
#include "app/win32/report_dialog.h"
#include "app/window/window_model.h"
#include "common/wide_text.h"

namespace tecris2nx::win32 {
namespace {

constexpr wchar_t kClassName[] = L"tecris2nx.Form1";
constexpr UINT kRunTasks = WM_APP + 1;
constexpr UINT kEndProgram = WM_APP + 2;

int SideIndex(Side side) { return side == Side::kDestination ? 0 : 1; }
Side SideOfTree(int id) { return id == kDir1 ? Side::kDestination : Side::kSource; }

Text WindowText(HWND control) {
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return FromWide(text);
}

void SetText(HWND control, const Text& text) { SetWindowTextW(control, ToWide(text).c_str()); }

HTREEITEM AddTreeItem(HWND tree, HTREEITEM parent, const Text& text, std::size_t index) {
  const std::wstring wide = ToWide(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = const_cast<wchar_t*>(wide.c_str());
  insert.item.lParam = static_cast<LPARAM>(index);
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

}  // namespace

UINT MessageBoxFlags(MessageStyle style) {
  // Style numbers are Windows' MB_ flags; anything unknown is a plain OK box.
  switch (style) {
    case MessageStyle::kYesNoQuestion:
      return MB_YESNO | MB_ICONQUESTION;
    case MessageStyle::kOkExclamation:
      return MB_OK | MB_ICONEXCLAMATION;
    case MessageStyle::kOkInformation:
      return MB_OK | MB_ICONINFORMATION;
    case MessageStyle::kOkOnly:
      break;
  }
  return MB_OK;
}

struct MainWindow::TaskQueue {
  std::mutex mutex;
  HWND window = nullptr;
  std::deque<std::function<void()>> tasks;
};

MainWindow::MainWindow(ViewSeams seams)
    : seams_(std::move(seams)),
      tasks_(std::make_shared<TaskQueue>()),
      preview_(seams_.logPreview) {}

MainWindow::~MainWindow() {
  if (window_) DestroyWindow(window_);
  if (font_) DeleteObject(font_);
}

bool MainWindow::Create(HINSTANCE instance) {
  if (!RegisterWindowClass(instance, kClassName, ObjectProcedure<MainWindow>,
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) {
    return false;
  }
  const std::wstring caption = ToWide(kProgramTitle);
  // Not WS_CLIPCHILDREN: the frames (group boxes) leave their inside to the window's own painting.
  window_ =
      CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES, kClassName, caption.c_str(),
                      WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, Scaled(StartSize().width),
                      Scaled(StartSize().height), nullptr, nullptr, instance, this);
  if (!window_) return false;
  {
    const std::lock_guard<std::mutex> lock(tasks_->mutex);
    tasks_->window = window_;
  }
  CreateControls();
  UpdateFont();
  Layout();
  return true;
}

PostToWindow MainWindow::Poster() const {
  return [queue = tasks_](std::function<void()> task) {
    const std::lock_guard<std::mutex> lock(queue->mutex);
    if (!queue->window) return;
    // One wake-up per batch: RunTasks empties the queue.
    const bool wake = queue->tasks.empty();
    queue->tasks.push_back(std::move(task));
    if (wake) PostMessageW(queue->window, kRunTasks, 0, 0);
  };
}

void MainWindow::RunTasks() {
  for (;;) {
    std::function<void()> task;
    {
      const std::lock_guard<std::mutex> lock(tasks_->mutex);
      if (tasks_->tasks.empty()) return;
      task = std::move(tasks_->tasks.front());
      tasks_->tasks.pop_front();
    }
    task();
  }
}

PostToWindowLater MainWindow::LaterPoster() {
  return [this](int milliseconds, std::function<void()> task) {
    if (!window_) return;
    const UINT_PTR id = ++lastTimer_;
    if (!SetTimer(window_, id, static_cast<UINT>(std::max(milliseconds, 0)), nullptr)) {
      Poster()(std::move(task));  // no timer left: at once rather than never
      return;
    }
    timers_[id] = std::move(task);
  };
}

void MainWindow::Show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
}

bool MainWindow::PreTranslate(MSG& message) {
  if (findings_.PreTranslate(message)) return true;
  if (preview_.PreTranslate(message)) return true;
  if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
  // Ctrl+A in the file list selects every file.
  if (message.message == WM_KEYDOWN && message.wParam == 'A' && GetKeyState(VK_CONTROL) < 0 &&
      message.hwnd == Control(kList1)) {
    SendMessageW(message.hwnd, LB_SETSEL, TRUE, -1);
    SelectionChanged();
    return true;
  }
  // The details list: Ctrl+A selects every line, Ctrl+C copies those selected.
  if (message.message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 &&
      message.hwnd == Control(kDetails) && (message.wParam == 'A' || message.wParam == 'C')) {
    if (message.wParam == 'A') {
      SendMessageW(message.hwnd, LB_SETSEL, TRUE, -1);
    } else {
      const std::vector<int> rows = ChosenDetails();
      if (!rows.empty()) CopyDetails(rows);
    }
    return true;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_F5) {
    if (model_) model_->OnRefresh();
    return true;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_F1) {
    if (model_) model_->OnHelp();
    return true;
  }
  // Alt+E executes, Alt+X exits, as in the Qt window.
  if (message.message == WM_SYSKEYDOWN && (message.wParam == 'E' || message.wParam == 'X')) {
    const ControlId button = message.wParam == 'E' ? kCommand1 : kCommand2;
    if (IsWindowEnabled(Control(button))) SendMessageW(Control(button), BM_CLICK, 0, 0);
    return true;
  }
  // Enter in a folder tree opens the folder rather than pressing Execute.
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
    const int id = GetDlgCtrlID(message.hwnd);
    if (id == kDir1 || id == kDir2) {
      const auto item =
          reinterpret_cast<HTREEITEM>(SendMessageW(message.hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
      OpenTreeItem(SideOfTree(id), item);
      return true;
    }
    // Enter on the left-out line shows those files rather than pressing Execute.
    if (id == kLeftOut) {
      if (model_) model_->OnLeftOutActivated();
      return true;
    }
    // Enter on a details line shows its findings rather than pressing Execute.
    if (id == kDetails) {
      if (model_) model_->OnDetailActivated(ChosenDetail());
      return true;
    }
  }
  return IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT MainWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      const LayoutRect least = MinimumClientSize(Metrics());
      RECT outer{0, 0, least.width, least.height};
      AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
      auto* info = reinterpret_cast<MINMAXINFO*>(l);
      info->ptMinTrackSize = {outer.right - outer.left, outer.bottom - outer.top};
      return 0;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
      if (item->CtlID != kDetails) break;
      item->itemHeight = static_cast<UINT>(unit_ + Scaled(2));
      return TRUE;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(w) != Control(kDetails)) break;
      DetailsMenuAt({GET_X_LPARAM(l), GET_Y_LPARAM(l)});
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      if (item->CtlID != kDetails) break;
      DrawDetail(*item);
      return TRUE;
    }
    case WM_TIMER: {
      KillTimer(window_, w);
      const auto found = timers_.find(w);
      if (found == timers_.end()) return 0;
      const std::function<void()> task = std::move(found->second);
      timers_.erase(found);
      task();
      return 0;
    }
    case WM_DPICHANGED: {
      UpdateFont();
      const RECT* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      return 0;
    }
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      // The window's own client area is the background between the controls.
      if (model_) model_->OnBackgroundMouseMove();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(w), HIWORD(w));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(l));
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(w);
      std::vector<Text> paths;
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(FromWide(path));
      }
      DragFinish(drop);
      if (model_ && !paths.empty()) model_->OnDrop(paths);
      return 0;
    }
    case WM_CLOSE:
      // The model ends the program itself (EndProgram), now or once a run has stopped.
      if (!model_)
        DestroyWindow(window_);
      else
        model_->OnCloseRequested();
      return 0;
    case kRunTasks:
      RunTasks();
      return 0;
    case kEndProgram:
      DestroyWindow(window_);
      PostQuitMessage(static_cast<int>(w));
      return 0;
    case WM_DESTROY: {
      timers_.clear();
      const std::lock_guard<std::mutex> lock(tasks_->mutex);
      tasks_->window = nullptr;
      tasks_->tasks.clear();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

void MainWindow::OnCommand(int id, int code) {
  if (!model_ || filling_) return;
  switch (id) {
    case kCommand1:
      if (code == BN_CLICKED) model_->OnExecute();
      break;
    case kCommand3:
      if (code != BN_CLICKED) break;
      // Once is enough: the run ends after the files started (or the walk at once). A click the
      // model did not take as a stop (the second half of a double click on 実行) leaves the
      // button as it is.
      if (model_->OnStop()) EnableWindow(Control(kCommand3), FALSE);
      break;
    case kCommand2:
      if (code == BN_CLICKED) model_->OnCloseRequested();
      break;
    case kDetails:
      if (code == LBN_DBLCLK) model_->OnDetailActivated(ChosenDetail());
      break;
    case kList1:
      if (code == LBN_SELCHANGE) SelectionChanged();
      if (code == LBN_DBLCLK) {
        // The entry double-clicked is the one with the caret.
        const HWND list = Control(kList1);
        const LRESULT index = SendMessageW(list, LB_GETCARETINDEX, 0, 0);
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
        if (index >= 0 && length >= 0) {
          std::wstring name(static_cast<std::size_t>(length) + 1, L'\0');
          SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(name.data()));
          model_->OnShowBoringLog(FromWide(name.c_str()));
        }
      }
      break;
    case kBoringLog:
      if (code == BN_CLICKED) model_->OnShowBoringLog();
      break;
    case kReport:
      if (code == BN_CLICKED) model_->OnReport();
      break;
    case kFailuresOnly:
      if (code == BN_CLICKED) {
        model_->OnShowFailuresOnly(SendMessageW(Control(kFailuresOnly), BM_GETCHECK, 0, 0) ==
                                   BST_CHECKED);
      }
      break;
    case kDrive1:
    case kDrive2:
      if (code == CBN_SELCHANGE) {
        const auto index =
            static_cast<int>(SendMessageW(Control(static_cast<ControlId>(id)), CB_GETCURSEL, 0, 0));
        if (index >= 0)
          model_->OnDriveChosen(id == kDrive1 ? Side::kDestination : Side::kSource, index);
      }
      break;
    default:
      break;
  }
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  const int id = static_cast<int>(header.idFrom);
  if (id == kLeftOut && (header.code == NM_CLICK || header.code == NM_RETURN)) {
    if (model_) model_->OnLeftOutActivated();
    return 0;
  }
  if (id != kDir1 && id != kDir2) return 0;
  if (header.code == NM_CLICK) {
    // A click opens the folder under the pointer, the shown one again included (a refresh).
    const DWORD at = GetMessagePos();
    TVHITTESTINFO hit{};
    hit.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ScreenToClient(header.hwndFrom, &hit.pt);
    SendMessageW(header.hwndFrom, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.hItem && (hit.flags & TVHT_ONITEM)) OpenTreeItem(SideOfTree(id), hit.hItem);
  } else if (header.code == TVN_KEYDOWN &&
             reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey == VK_SPACE) {
    const auto item =
        reinterpret_cast<HTREEITEM>(SendMessageW(header.hwndFrom, TVM_GETNEXTITEM, TVGN_CARET, 0));
    OpenTreeItem(SideOfTree(id), item);
    return 1;  // no incremental search for the blank
  }
  return 0;
}

Text MainWindow::FolderOf(Side side, HTREEITEM item) const {
  if (!item) return Text();
  TVITEMW entry{};
  entry.mask = TVIF_PARAM;
  entry.hItem = item;
  if (!SendMessageW(Control(side == Side::kDestination ? kDir1 : kDir2), TVM_GETITEMW, 0,
                    reinterpret_cast<LPARAM>(&entry))) {
    return Text();
  }
  const std::vector<Text>& folders = folders_[SideIndex(side)];
  const auto index = static_cast<std::size_t>(entry.lParam);
  return index < folders.size() ? folders[index] : Text();
}

void MainWindow::OpenTreeItem(Side side, HTREEITEM item) {
  const Text folder = FolderOf(side, item);
  if (folder.empty() || !model_) return;
  // The tree is rebuilt by the answer: not inside the control's own notification.
  Poster()([this, side, folder] {
    if (model_) model_->OnFolderChosen(side, folder);
  });
}

void MainWindow::SetDrives(Side side, const std::vector<Text>& roots, int current) {
  const HWND combo = Control(side == Side::kDestination ? kDrive1 : kDrive2);
  filling_ = true;
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const Text& root : roots) {
    SendMessageW(combo, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(ToWide(DriveCaption(root)).c_str()));
  }
  SendMessageW(combo, CB_SETCURSEL, current, 0);
  filling_ = false;
}

void MainWindow::SelectDrive(Side side, int index) {
  filling_ = true;
  SendMessageW(Control(side == Side::kDestination ? kDrive1 : kDrive2), CB_SETCURSEL, index, 0);
  filling_ = false;
}

void MainWindow::ShowFolder(Side side, const Text& root, const Text& folder) {
  const HWND tree = Control(side == Side::kDestination ? kDir1 : kDir2);
  std::vector<Text>& folders = folders_[SideIndex(side)];
  filling_ = true;
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  folders.clear();
  folders.push_back(root);
  HTREEITEM current = AddTreeItem(tree, TVI_ROOT, root, 0);
  Text walked = root;
  for (const Text& name : NamesBelow(root, folder)) {
    walked = JoinFolder(walked, name);
    folders.push_back(walked);
    const HTREEITEM item = AddTreeItem(tree, current, name, folders.size() - 1);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(current));
    current = item;
  }
  for (const Text& name : VisibleSubFolders(folder)) {
    folders.push_back(JoinFolder(folder, name));
    AddTreeItem(tree, current, name, folders.size() - 1);
  }
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(current));
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(current));
  SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(current));
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
  filling_ = false;
}

void MainWindow::SetFolderText(Side side, const Text& text) {
  SetText(Control(side == Side::kDestination ? kText1 : kText2), text);
}

Text MainWindow::DestinationText() const { return WindowText(Control(kText1)); }

void MainWindow::SetFiles(const std::vector<Text>& names, const std::vector<Text>& selected) {
  const HWND list = Control(kList1);
  // A refresh keeps the list where the user had scrolled it, not at the last selected file.
  const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  const std::set<Text> chosen(selected.begin(), selected.end());
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const Text& name : names) {
    const auto index =
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(name).c_str()));
    if (chosen.count(name) > 0) SendMessageW(list, LB_SETSEL, TRUE, index);
  }
  if (!names.empty() && top >= 0) {
    SendMessageW(list, LB_SETTOPINDEX, std::min<LRESULT>(top, names.size() - 1), 0);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

std::vector<Text> MainWindow::SelectedFiles() const {
  const HWND list = Control(kList1);
  const auto count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  std::vector<Text> names;
  if (count <= 0) return names;
  std::vector<int> indexes(static_cast<std::size_t>(count));
  const auto got =
      SendMessageW(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(indexes.data()));
  indexes.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  std::sort(indexes.begin(), indexes.end());
  for (int index : indexes) names.push_back(ListText(list, index));
  return names;
}

void MainWindow::SetSelectionCount(const Text& text) { SetText(Control(kSelectionCount), text); }

void MainWindow::SelectionChanged() {
  const LRESULT count = SendMessageW(Control(kList1), LB_GETSELCOUNT, 0, 0);
  if (model_) model_->OnSelectionChanged(static_cast<std::size_t>(std::max<LRESULT>(count, 0)));
}

void MainWindow::SetLeftOutLine(const Text& text) {
  const HWND line = Control(kLeftOut);
  SetText(line, text.empty() ? Text() : U"<a>" + text + U"</a>");
  ShowWindow(line, text.empty() ? SW_HIDE : SW_SHOWNA);
}

void MainWindow::SetPatternFolderLine(const Text& text) { SetText(Control(kPatternLine), text); }

void MainWindow::SetMessageLine(const Text& text) { SetText(Control(kLabel3), text); }

void MainWindow::SetBusy(bool busy) {
  busy_ = busy;
  POINT at{};
  RECT rect{};
  GetCursorPos(&at);
  GetWindowRect(window_, &rect);
  if (PtInRect(&rect, at)) {
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(busy ? 32514 : 32512)));  // wait, arrow
  }
}

void MainWindow::SetRunning(bool running) {
  running_ = running;
  ShowStop();
  if (running) SetFocus(Control(kCommand3));
}

void MainWindow::SetSearching(bool searching) {
  searching_ = searching;
  SetMessageLine(searching ? kSearchingMessage : Text());
  ShowStop();
}

void MainWindow::ShowStop() {
  const bool going = running_ || searching_;
  const HWND stop = Control(kCommand3);
  // Focus must not stay on a button that disappears.
  if (!going && GetFocus() == stop) SetFocus(Control(kCommand1));
  EnableWindow(Control(kCommand1), !going);
  EnableWindow(Control(kReport), !going);
  EnableWindow(stop, going);
  // 中止 has a slot of its own beside 実行's: nothing moves when it comes or goes.
  ShowWindow(stop, going ? SW_SHOW : SW_HIDE);
}

void MainWindow::FocusDestination() {
  const HWND text = Control(kText1);
  SetFocus(text);
  SendMessageW(text, EM_SETSEL, 0, -1);
}

void MainWindow::ShowMessage(const MessageRequest& box,
                             std::function<void(MessageAnswer)> answered) {
  MessageAnswer answer = MessageAnswer::kOk;
  if (seams_.showMessage) {
    answer = seams_.showMessage(window_, box);
  } else {
    Text text = box.text;
    if (!box.informative.empty()) text += U"\n\n" + box.informative;
    const int pressed = MessageBoxW(window_, ToWide(text).c_str(), ToWide(box.title).c_str(),
                                    MessageBoxFlags(box.style));
    answer = pressed == IDYES  ? MessageAnswer::kYes
             : pressed == IDNO ? MessageAnswer::kNo
                               : MessageAnswer::kOk;
  }
  if (box.style == MessageStyle::kYesNoQuestion && answer != MessageAnswer::kYes) {
    answer = MessageAnswer::kNo;
  }
  answered(answer);
}

void MainWindow::WithdrawMessage() {
  // The box MessageBoxW shows is a dialog owned by this window, on this thread; No closes it
  // as an unanswered question closes.
  struct Search {
    HWND owner;
    HWND box = nullptr;
  } search{window_};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND candidate, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        wchar_t kind[16] = L"";
        GetClassNameW(candidate, kind, 16);
        if (std::wcscmp(kind, L"#32770") != 0 || GetWindow(candidate, GW_OWNER) != s.owner) {
          return TRUE;
        }
        s.box = candidate;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.box) EndDialog(search.box, IDNO);
}

void MainWindow::ShowFindings(const FindingsTable& table) { findings_.Show(window_, font_, table); }

void MainWindow::ShowBoringLog(std::shared_ptr<const boringlog::Borehole> hole) {
  preview_.Show(window_, font_, std::move(hole));
}

void MainWindow::SetBoringLogBusy(const Text& text) { preview_.SetBusy(window_, font_, text); }

void MainWindow::ChooseFolder(const Text& title, const Text& start,
                              std::function<void(const Text& chosen)> chosen) {
  const Text folder = seams_.chooseFolder ? seams_.chooseFolder(window_, title, start)
                                          : ChooseFolderWithDialog(window_, title, start);
  chosen(folder);
}

void MainWindow::AskReport(const ReportQuestion& question,
                           std::function<void(std::optional<ReportAnswer>)> answered) {
  const FolderChooser choose = seams_.chooseFolder ? seams_.chooseFolder : ChooseFolderWithDialog;
  answered(AskReportWithDialog(window_, question, choose, seams_.reportDialogShown));
}

bool MainWindow::OpenDocument(const Text& path) {
  if (seams_.openDocument) return seams_.openDocument(path);
  // ShellExecute answers more than 32 when the program for the document was started.
  const auto started = reinterpret_cast<INT_PTR>(
      ShellExecuteW(window_, L"open", ToWide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return started > 32;
}

void MainWindow::EndProgram(int status) {
  if (seams_.endProgram) {
    seams_.endProgram(status);
  } else if (window_) {
    // Not inside the model's own call: the window goes once the call has returned.
    PostMessageW(window_, kEndProgram, static_cast<WPARAM>(status), 0);
  } else {
    PostQuitMessage(status);
  }
}

}  // namespace tecris2nx::win32
