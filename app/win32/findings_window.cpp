#include "app/win32/findings_window.h"

#include <algorithm>

#include "app/window/findings_table.h"
#include "common/wide_text.h"
// After the Windows API header.
#include <commctrl.h>

namespace tecris2nx::win32 {
namespace {

constexpr wchar_t kClassName[] = L"tecris2nx.Findings";
/// The message column is the one that grows; others fit their longest cell.
constexpr std::size_t kMessageColumn = 6;

/// Line feeds as the clipboard's text wants them: CR LF.
std::wstring ClipboardText(const Text& text) {
  std::wstring wide;
  for (wchar_t c : ToWide(text)) {
    if (c == L'\n') wide += L'\r';
    wide += c;
  }
  return wide;
}

bool PutOnClipboard(HWND owner, const std::wstring& text) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  bool put = false;
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* target = GlobalLock(memory)) {
      std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(target));
      GlobalUnlock(memory);
      put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!put) GlobalFree(memory);  // the clipboard owns it only once taken
  }
  CloseClipboard();
  return put;
}

}  // namespace

bool CopyToClipboard(HWND owner, const Text& text) {
  return PutOnClipboard(owner, ClipboardText(text));
}

FindingsWindow::~FindingsWindow() {
  if (window_) DestroyWindow(window_);
}

bool FindingsWindow::Create(HWND owner) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  if (!RegisterWindowClass(instance, kClassName, OwnedWindowProcedure<FindingsWindow>,
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) {
    return false;
  }
  // Owned by the main window: above it, gone with it, no task-bar entry of its own.
  CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                  CW_USEDEFAULT, 100, 100, owner, nullptr, instance, this);
  if (!window_) return false;
  const HWND list =
      AddControl(window_, WC_LISTVIEWW, L"", LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP,
                 kFindingsList, WS_EX_CLIENTEDGE);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  AddControl(window_, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE,
             kFindingsNote);
  AddControl(window_, L"BUTTON", L"コピー", BS_PUSHBUTTON | WS_TABSTOP, kFindingsCopy);
  return true;
}

void FindingsWindow::Show(HWND owner, HFONT font, const FindingsTable& table) {
  const bool first = window_ == nullptr;
  if (first && !Create(owner)) return;
  table_ = table;
  font_ = font;
  unit_ = ApplyFont(window_, font_);

  SetWindowTextW(window_, ToWide(table_.title).c_str());
  SetWindowTextW(Control(kFindingsNote), ToWide(table_.note).c_str());
  const HWND list = Control(kFindingsList);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0)) {
  }
  for (std::size_t i = 0; i < table_.headings.size(); ++i) {
    std::wstring heading = ToWide(table_.headings[i]);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = unit_ * 4;
    column.pszText = heading.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  sortColumn_ = -1;
  ascending_ = true;
  std::vector<std::size_t> order(table_.rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  Fill(order);
  SizeColumns();
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  FitToContent(owner, first);
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  SetFocus(list);
}

int FindingsWindow::TextWidth(const Text& text, HFONT font) const {
  const std::wstring wide = ToWide(text);
  const HDC dc = GetDC(window_);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  return size.cx;
}

void FindingsWindow::SizeColumns() {
  const HWND list = Control(kFindingsList);
  columnWidths_.assign(table_.headings.size(), 0);
  // Room for the cell's padding and, in a heading, the sort arrow.
  const int padding = unit_ * 2;
  for (std::size_t i = 0; i < table_.headings.size(); ++i) {
    int width = TextWidth(table_.headings[i], font_);
    for (const auto& row : table_.rows) {
      if (i < row.size()) width = std::max(width, TextWidth(row[i], font_));
    }
    if (i == kMessageColumn) width = std::min(width, unit_ * 50);
    columnWidths_[i] = width + padding;
    SendMessageW(list, LVM_SETCOLUMNWIDTH, i, columnWidths_[i]);
  }
}

void FindingsWindow::FitToContent(HWND owner, bool first) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT area = monitor.rcWork;
  const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;

  int tableWidth = 0;
  for (int width : columnWidths_) tableWidth += width;
  // Room for a few rows even with one finding, at most twenty before it scrolls.
  const int rows = static_cast<int>(std::clamp<std::size_t>(table_.rows.size(), 8, 20));
  const int rowHeight = unit_ + unit_ / 3;
  RECT client{0, 0, tableWidth + GetSystemMetrics(SM_CXVSCROLL) + unit_ * 2,
              (rows + 2) * rowHeight + unit_ * 4};
  client.right = std::max<LONG>(client.right, TextWidth(table_.note, font_) + unit_ * 10);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
  const DWORD extended = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE));
  AdjustWindowRectEx(&client, style, FALSE, extended);
  int width = client.right - client.left, height = client.bottom - client.top;

  // The whole title shows: its text in the caption font, the icon and the caption's buttons.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  if (const HFONT caption = CreateFontIndirectW(&metrics.lfCaptionFont)) {
    const int titleWidth = TextWidth(table_.title, caption) + GetSystemMetrics(SM_CXSMICON) +
                           4 * GetSystemMetrics(SM_CXSIZE) + unit_ * 2;
    DeleteObject(caption);
    width = std::max(width, titleWidth);
  }

  RECT now{};
  GetWindowRect(window_, &now);
  if (!first) {
    // A replaced table keeps the user's size, grown only where its content needs it.
    width = std::max<int>(width, now.right - now.left);
    height = std::max<int>(height, now.bottom - now.top);
  }
  width = std::min(width, areaWidth);
  height = std::min(height, areaHeight);
  int x = now.left, y = now.top;
  if (first) {
    RECT over{};
    GetWindowRect(owner, &over);
    x = over.left + ((over.right - over.left) - width) / 2;
    y = over.top + ((over.bottom - over.top) - height) / 2;
  }
  x = std::clamp<int>(x, area.left, area.right - width);
  y = std::clamp<int>(y, area.top, area.bottom - height);
  SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void FindingsWindow::Layout() {
  RECT client{};
  GetClientRect(window_, &client);
  const int u = unit_, margin = u / 2, gap = u / 3;
  const int buttonHeight = u + u * 3 / 4, buttonWidth = u * 6;
  const int bottom = client.bottom - margin - buttonHeight;
  const int width = client.right - 2 * margin;
  MoveWindow(Control(kFindingsList), margin, margin, std::max(width, 0),
             std::max<int>(bottom - gap - margin, 0), TRUE);
  MoveWindow(Control(kFindingsNote), margin, bottom, std::max(width - buttonWidth - gap, 0),
             buttonHeight, TRUE);
  MoveWindow(Control(kFindingsCopy), client.right - margin - buttonWidth, bottom, buttonWidth,
             buttonHeight, TRUE);
}

void FindingsWindow::Fill(const std::vector<std::size_t>& order) {
  const HWND list = Control(kFindingsList);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  int position = 0;
  for (std::size_t index : order) {
    const std::vector<Text>& row = table_.rows[index];
    std::wstring first = row.empty() ? std::wstring() : ToWide(row[0]);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = position++;
    item.pszText = first.data();
    item.lParam = static_cast<LPARAM>(index);
    const auto at =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (std::size_t cell = 1; cell < row.size(); ++cell) {
      std::wstring text = ToWide(row[cell]);
      LVITEMW sub{};
      sub.iSubItem = static_cast<int>(cell);
      sub.pszText = text.data();
      SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
    }
  }
}

std::vector<std::size_t> FindingsWindow::ChosenRows() const {
  std::vector<std::size_t> rows;
  const HWND list = Control(kFindingsList);
  int at = -1;
  while ((at = static_cast<int>(
              SendMessageW(list, LVM_GETNEXTITEM, at, MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = at;
    if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
      rows.push_back(static_cast<std::size_t>(item.lParam));
    }
  }
  return rows;
}

bool FindingsWindow::Copy() {
  return PutOnClipboard(window_, ClipboardText(FindingsCopyText(table_, ChosenRows())));
}

void FindingsWindow::SortBy(int column) {
  if (column < 0 || static_cast<std::size_t>(column) >= table_.headings.size()) return;
  ascending_ = column == sortColumn_ ? !ascending_ : true;
  sortColumn_ = column;
  Fill(SortFindingRows(table_, static_cast<std::size_t>(column), ascending_));
  // The heading shows the order with the system's arrow.
  const auto header =
      reinterpret_cast<HWND>(SendMessageW(Control(kFindingsList), LVM_GETHEADER, 0, 0));
  for (std::size_t i = 0; i < table_.headings.size(); ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (static_cast<int>(i) == column) item.fmt |= ascending_ ? HDF_SORTUP : HDF_SORTDOWN;
    SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
}

bool FindingsWindow::PreTranslate(MSG& message) {
  if (!window_ || !IsWindowVisible(window_) ||
      (message.hwnd != window_ && !IsChild(window_, message.hwnd))) {
    return false;
  }
  // Ctrl+C copies whichever control has the focus: after コピー it is the button.
  if (message.message == WM_KEYDOWN && message.wParam == 'C' && GetKeyState(VK_CONTROL) < 0) {
    Copy();
    return true;
  }
  return IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT FindingsWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(l);
      info->ptMinTrackSize = {unit_ * 16, unit_ * 8};
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(w) == kFindingsCopy && HIWORD(w) == BN_CLICKED) Copy();
      // Escape in the window.
      if (LOWORD(w) == IDCANCEL) ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(l);
      if (header.idFrom != kFindingsList) break;
      if (header.code == LVN_COLUMNCLICK) {
        SortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
      } else if (header.code == LVN_KEYDOWN && GetKeyState(VK_CONTROL) < 0) {
        const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
        if (key == 'C') Copy();  // sent to the list itself, past the message loop
        if (key == 'A') {
          LVITEMW all{};
          all.stateMask = LVIS_SELECTED;
          all.state = LVIS_SELECTED;
          SendMessageW(header.hwndFrom, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(&all));
        }
      }
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

}  // namespace tecris2nx::win32
