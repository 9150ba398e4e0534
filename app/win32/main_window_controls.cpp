// The main window's controls, font and placement, at the DPI of the monitor it is on.
#include <algorithm>
#include <cwchar>
#include <utility>

#include "app/win32/main_window.h"

namespace tecris2nx::win32 {
namespace {

constexpr int kStartWidth = 760;  // at 96 DPI, as the Qt window starts
constexpr int kStartHeight = 580;
constexpr wchar_t kFailuresOnlyCaption[] = L"失敗のみ表示";

/// Functions of newer Windows versions, looked up so that the program still starts without them.
template <typename Function>
Function UserFunction(const char* name) {
  const HMODULE user = GetModuleHandleW(L"user32.dll");
  // Through a plain function pointer: a direct cast draws -Wcast-function-type.
  return user ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user, name)))
              : nullptr;
}

}  // namespace

UINT MainWindow::Dpi() const {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = UserFunction<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow && window_) {
    if (const UINT dpi = getDpiForWindow(window_)) return dpi;
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int MainWindow::Scaled(int pixelsAt96) const { return MulDiv(pixelsAt96, Dpi(), 96); }

double MainWindow::Scale() const { return Dpi() / 96.0; }

void MainWindow::CreateControls() {
  const auto add = [this](const wchar_t* kind, const wchar_t* text, DWORD style, int id,
                          DWORD extended = 0) {
    AddControl(window_, kind, text, style, id, extended);
  };
  // Creation order is the Tab order: destination, source, texts, buttons.
  add(L"BUTTON", L"変換先ﾌｫﾙﾀﾞ名選択", BS_GROUPBOX, kFrame1);
  add(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kDrive1);
  add(WC_TREEVIEWW, L"",
      TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP, kDir1,
      WS_EX_CLIENTEDGE);
  add(L"BUTTON", L"変換元ﾌｧｲﾙ名選択", BS_GROUPBOX, kFrame2);
  add(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kDrive2);
  add(WC_TREEVIEWW, L"",
      TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP, kDir2,
      WS_EX_CLIENTEDGE);
  // Not LBS_STANDARD: that sorts, and the list keeps the folder's order.
  add(L"LISTBOX", L"",
      LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, kList1,
      WS_EX_CLIENTEDGE);
  add(L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE, kSelectionCount);
  // A link: the mouse and the keyboard (Tab, Enter) both reach it. Hidden while it says nothing.
  const INITCOMMONCONTROLSEX link{sizeof(INITCOMMONCONTROLSEX), ICC_LINK_CLASS};
  InitCommonControlsEx(&link);
  add(WC_LINK, L"", WS_TABSTOP, kLeftOut);
  ShowWindow(Control(kLeftOut), SW_HIDE);
  add(L"STATIC", L"変換先ﾌｫﾙﾀﾞ名 ：", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, kLabel1);
  add(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, kText1, WS_EX_CLIENTEDGE);
  add(L"STATIC", L"変換元ﾌｧｲﾙ名 ：", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, kLabel2);
  add(L"EDIT", L"", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, kText2, WS_EX_CLIENTEDGE);
  add(L"BUTTON", L"メッセージ", BS_GROUPBOX, kFrame3);
  // Paths may hold "&": never read it as a mnemonic.
  add(L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE, kLabel3);
  // A long folder keeps both ends (and the sample's note) with "..." in its middle.
  add(L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_PATHELLIPSIS, kPatternLine);
  // Lines can be chosen for copying; a double click or Enter shows a line's file's findings.
  // Drawn by the window so that a failed file's lines stand out in colour besides their mark.
  add(L"LISTBOX", L"",
      LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
          WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
      kDetails, WS_EX_CLIENTEDGE);
  add(L"BUTTON", kFailuresOnlyCaption, BS_AUTOCHECKBOX | WS_TABSTOP, kFailuresOnly);
  add(L"BUTTON", L"一覧表", BS_PUSHBUTTON | WS_TABSTOP, kReport);
  add(L"BUTTON", L"柱状図", BS_PUSHBUTTON | WS_TABSTOP, kBoringLog);
  add(L"BUTTON", L"実  行", BS_DEFPUSHBUTTON | WS_TABSTOP, kCommand1);
  // Shown only while a run or the pattern-data search goes.
  CreateWindowExW(0, L"BUTTON", L"中  止", WS_CHILD | BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 0, 0,
                  window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCommand3)),
                  reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
  add(L"BUTTON", L"終  了", BS_PUSHBUTTON | WS_TABSTOP, kCommand2);
}

void MainWindow::UpdateFont() {
  const UINT dpi = Dpi();
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  using ForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi = UserFunction<ForDpiFunction>("SystemParametersInfoForDpi");
  if (!forDpi || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    // Older systems give the font at the system's DPI: scale it to this monitor's.
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (systemDpi > 0) {
      metrics.lfMessageFont.lfHeight =
          MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), systemDpi);
    }
  }
  const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  if (!font) return;
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  if (font_) DeleteObject(font_);
  font_ = font;
  const HDC dc = GetDC(window_);
  const HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICW text{};
  GetTextMetricsW(dc, &text);
  SIZE name{};
  GetTextExtentPoint32W(dc, L"12345678.001", 12, &name);
  SIZE check{};
  GetTextExtentPoint32W(dc, kFailuresOnlyCaption, static_cast<int>(wcslen(kFailuresOnlyCaption)),
                        &check);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  unit_ = std::max<int>(text.tmHeight, 8);
  fileNameWidth_ = name.cx + GetSystemMetrics(SM_CXVSCROLL) + unit_;
  checkBoxWidth_ = check.cx + GetSystemMetrics(SM_CXMENUCHECK) + unit_;
  SendMessageW(Control(kDetails), LB_SETITEMHEIGHT, 0, unit_ + Scaled(2));
  // The details list scrolls sideways as far as its widest line, measured in this font.
  detailsWidth_ = 0;
  SendMessageW(Control(kDetails), LB_SETHORIZONTALEXTENT, 0, 0);
}

LayoutMetrics MainWindow::Metrics() const {
  LayoutMetrics metrics;
  metrics.unit = unit_;
  metrics.editExtra = Scaled(8);
  metrics.buttonExtra = Scaled(12);
  metrics.fileNameWidth = fileNameWidth_;
  metrics.checkBoxWidth = checkBoxWidth_;
  return metrics;
}

void MainWindow::Layout() {
  RECT client{};
  GetClientRect(window_, &client);
  const MainLayout layout = LayOutMainWindow(client.right, client.bottom, Metrics());
  const HDWP batch = BeginDeferWindowPos(24);
  HDWP positions = batch;
  const auto place = [&](ControlId id, const LayoutRect& r, int height) {
    if (positions) {
      positions = DeferWindowPos(positions, Control(id), nullptr, r.x, r.y, std::max(r.width, 0),
                                 std::max(height, 0), SWP_NOZORDER | SWP_NOACTIVATE);
    }
  };
  const std::pair<ControlId, const LayoutRect*> controls[] = {
      {kFrame1, &layout.frame1},    {kDir1, &layout.dir1},
      {kFrame2, &layout.frame2},    {kDir2, &layout.dir2},
      {kList1, &layout.list1},      {kSelectionCount, &layout.selectionCount},
      {kLeftOut, &layout.leftOut},  {kLabel1, &layout.label1},
      {kText1, &layout.text1},      {kLabel2, &layout.label2},
      {kText2, &layout.text2},      {kFrame3, &layout.frame3},
      {kLabel3, &layout.label3},    {kPatternLine, &layout.patternLine},
      {kDetails, &layout.details},  {kFailuresOnly, &layout.failuresOnly},
      {kCommand1, &layout.execute}, {kCommand3, &layout.stop},
      {kCommand2, &layout.exit},    {kBoringLog, &layout.boringLog},
      {kReport, &layout.report},
  };
  for (const auto& [id, rect] : controls) place(id, *rect, rect->height);
  // A drive list's height counts its drop-down.
  place(kDrive1, layout.drive1, layout.driveListHeight);
  place(kDrive2, layout.drive2, layout.driveListHeight);
  if (positions) EndDeferWindowPos(positions);
}

WindowGeometry MainWindow::AvailableArea() const {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &info);
  // The work area holds the whole window, frame included: geometries are outer rectangles.
  const RECT& area = info.rcWork;
  const int dpi = static_cast<int>(Dpi());
  return {MulDiv(area.left, 96, dpi), MulDiv(area.top, 96, dpi),
          (area.right - area.left) * 96 / dpi, (area.bottom - area.top) * 96 / dpi};
}

WindowGeometry MainWindow::MinimumSize() const {
  const LayoutRect least = MinimumClientSize(Metrics());
  RECT outer{0, 0, least.width, least.height};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
  const int dpi = static_cast<int>(Dpi());
  // Rounded up: the window never opens below the size at which everything shows.
  return {0, 0, ((outer.right - outer.left) * 96 + dpi - 1) / dpi,
          ((outer.bottom - outer.top) * 96 + dpi - 1) / dpi};
}

WindowGeometry MainWindow::StartSize() const { return {0, 0, kStartWidth, kStartHeight}; }

void MainWindow::PlaceWindow(const WindowGeometry& geometry) {
  const int dpi = static_cast<int>(Dpi());
  RECT wanted{MulDiv(geometry.x, dpi, 96), MulDiv(geometry.y, dpi, 96), 0, 0};
  wanted.right = wanted.left + MulDiv(geometry.width, dpi, 96);
  wanted.bottom = wanted.top + MulDiv(geometry.height, dpi, 96);
  // Rounding between logical and device pixels must not push the frame off the work area.
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &info);
  const RECT& area = info.rcWork;
  const int width = std::min<int>(wanted.right - wanted.left, area.right - area.left);
  const int height = std::min<int>(wanted.bottom - wanted.top, area.bottom - area.top);
  const int x = std::clamp<int>(wanted.left, area.left, area.right - width);
  const int y = std::clamp<int>(wanted.top, area.top, area.bottom - height);
  SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

WindowGeometry MainWindow::CurrentGeometry() const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  RECT rect{};
  // A minimised or maximised window is remembered at its normal place.
  if ((IsIconic(window_) || IsZoomed(window_)) && GetWindowPlacement(window_, &placement)) {
    rect = placement.rcNormalPosition;
  } else {
    GetWindowRect(window_, &rect);
  }
  const int dpi = static_cast<int>(Dpi());
  return {MulDiv(rect.left, 96, dpi), MulDiv(rect.top, 96, dpi),
          MulDiv(rect.right - rect.left, 96, dpi), MulDiv(rect.bottom - rect.top, 96, dpi)};
}

}  // namespace tecris2nx::win32
