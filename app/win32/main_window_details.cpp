// The main window's results list: lines drawn in their colours, chosen, copied and offered in a
// context menu; what a line says and what a copy holds come from the model.
#include <algorithm>

#include "app/win32/main_window.h"
#include "app/win32/window_procedure.h"
#include "app/window/window_model.h"
#include "common/wide_text.h"

namespace tecris2nx::win32 {
namespace {

/// A failed file's lines in the details list: dark red, readable on the list's white.
constexpr COLORREF kFailedColour = RGB(176, 0, 0);
/// Warning lines: dark amber, apart from the failures' red.
constexpr COLORREF kWarningColour = RGB(138, 75, 0);
/// Item data of a details line: how it is drawn.
enum DetailLook : LPARAM { kPlainLine = 0, kFailedLine = 1, kWarningLine = 2 };

}  // namespace

int MainWindow::ChosenDetail() const {
  const HWND list = Control(kDetails);
  if (SendMessageW(list, LB_GETCOUNT, 0, 0) <= 0) return -1;
  return static_cast<int>(SendMessageW(list, LB_GETCARETINDEX, 0, 0));  // LB_ERR is -1
}

std::vector<int> MainWindow::ChosenDetails() const {
  const HWND list = Control(kDetails);
  const auto count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  std::vector<int> rows;
  if (count <= 0) return rows;
  rows.resize(static_cast<std::size_t>(count));
  const auto got = SendMessageW(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(rows.data()));
  rows.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void MainWindow::CopyDetails(const std::vector<int>& rows) {
  if (model_) CopyToClipboard(window_, model_->DetailsCopyText(rows));
}

void MainWindow::DetailsMenuAt(POINT at) {
  const HWND list = Control(kDetails);
  if (at.x == -1 && at.y == -1) {
    // From the keyboard (Shift+F10, the menu key): under the caret line.
    RECT line{};
    const int caret = ChosenDetail();
    if (caret < 0 ||
        SendMessageW(list, LB_GETITEMRECT, caret, reinterpret_cast<LPARAM>(&line)) == LB_ERR) {
      GetClientRect(list, &line);
    }
    at = {line.left, line.bottom};
    ClientToScreen(list, &at);
  }
  const std::vector<int> rows = ChosenDetails();
  const HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING | (rows.empty() ? MF_GRAYED : 0), kMenuCopy, L"コピー\tCtrl+C");
  AppendMenuW(menu, MF_STRING, kMenuCopyAll, L"すべてコピー");
  const int chosen =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
  DestroyMenu(menu);
  if (chosen == kMenuCopy) CopyDetails(rows);
  if (chosen == kMenuCopyAll) CopyDetails({});
}

void MainWindow::ClearDetails() {
  const HWND list = Control(kDetails);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  detailsWidth_ = 0;
  SendMessageW(list, LB_SETHORIZONTALEXTENT, 0, 0);
}

void MainWindow::AppendDetails(const std::vector<DetailLine>& lines) {
  if (lines.empty()) return;
  const HWND list = Control(kDetails);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  const HDC dc = GetDC(list);
  const HGDIOBJ old = SelectObject(dc, font_);
  LRESULT last = 0;
  for (const DetailLine& line : lines) {
    const std::wstring wide = ToWide(line.text);
    last = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (last >= 0) {
      SendMessageW(list, LB_SETITEMDATA, last,
                   line.warning  ? kWarningLine
                   : line.failed ? kFailedLine
                                 : kPlainLine);
    }
    SIZE size{};
    if (GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size)) {
      detailsWidth_ = std::max<int>(detailsWidth_, size.cx + unit_);
    }
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  SendMessageW(list, LB_SETHORIZONTALEXTENT, detailsWidth_, 0);
  SendMessageW(list, LB_SETTOPINDEX, last, 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  // Drawn now, with the message line: during a run the posted progress would keep the list's
  // paint waiting, and it would lag behind the count.
  UpdateWindow(list);
}

void MainWindow::DrawDetail(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) {
    // An empty list with the focus still shows where it is.
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const Text text = ListText(item.hwndItem, static_cast<int>(item.itemID));
  const std::wstring wide = ToWide(text);
  const HGDIOBJ old = SelectObject(item.hDC, font_);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, selected                        ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                         : item.itemData == kWarningLine ? kWarningColour
                         : item.itemData == kFailedLine  ? kFailedColour
                                                         : GetSysColor(COLOR_WINDOWTEXT));
  RECT line = item.rcItem;
  line.left += Scaled(2);
  DrawTextW(item.hDC, wide.c_str(), static_cast<int>(wide.size()), &line,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SelectObject(item.hDC, old);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

}  // namespace tecris2nx::win32
