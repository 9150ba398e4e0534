#include "app/win32/log_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/win32/log_painter.h"
#include "common/error.h"
#include "common/file_system.h"
#include "common/wide_text.h"
#include "log/svg_writer.h"
// After the Windows API header (and COM's, from the painter's).
#include <commdlg.h>

namespace tecris2nx::win32 {

const std::vector<int> kLogZoomSteps = {25, 50, 75, 100, 150, 200, 300, 400};

namespace {

constexpr wchar_t kClassName[] = L"tecris2nx.BoringLog";
constexpr wchar_t kCanvasClassName[] = L"tecris2nx.BoringLogCanvas";
constexpr int kScales[] = {50, 100, 200};
constexpr int kDefaultZoom = 3;  // 100 %
/// Grey around the page, in pixels at 96 DPI.
constexpr int kMargin = 16;

}  // namespace

LogPreviewWindow::LogPreviewWindow(LogPreviewSeams seams)
    : seams_(std::move(seams)), zoom_(kDefaultZoom) {}

LogPreviewWindow::~LogPreviewWindow() {
  if (window_) DestroyWindow(window_);
}

bool LogPreviewWindow::Create(HWND owner) {
  gdiplus_ = std::make_unique<GdiplusSession>();
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  if (!RegisterWindowClass(instance, kClassName, OwnedWindowProcedure<LogPreviewWindow>,
                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)) ||
      !RegisterWindowClass(instance, kCanvasClassName, CanvasProcedure, nullptr)) {
    return false;
  }
  // Owned by the main window: above it, gone with it, no task-bar entry of its own.
  CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                  CW_USEDEFAULT, 100, 100, owner, nullptr, instance, this);
  if (!window_) return false;
  AddControl(window_, L"BUTTON", L"前ページ", BS_PUSHBUTTON | WS_TABSTOP, kLogPrevious);
  AddControl(window_, L"BUTTON", L"次ページ", BS_PUSHBUTTON | WS_TABSTOP, kLogNext);
  AddControl(window_, L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, kLogPageLine);
  const HWND scale =
      AddControl(window_, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, kLogScale);
  for (int each : kScales) {
    SendMessageW(scale, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>((L"1:" + std::to_wstring(each)).c_str()));
  }
  const HWND paper =
      AddControl(window_, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, kLogPaper);
  SendMessageW(paper, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"A4"));
  SendMessageW(paper, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"A3"));
  AddControl(window_, L"BUTTON", L"縮小", BS_PUSHBUTTON | WS_TABSTOP, kLogZoomOut);
  AddControl(window_, L"BUTTON", L"拡大", BS_PUSHBUTTON | WS_TABSTOP, kLogZoomIn);
  AddControl(window_, L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, kLogZoomLine);
  AddControl(window_, L"BUTTON", L"印刷", BS_PUSHBUTTON | WS_TABSTOP, kLogPrint);
  AddControl(window_, L"BUTTON", L"PNG で保存", BS_PUSHBUTTON | WS_TABSTOP, kLogSavePng);
  AddControl(window_, L"BUTTON", L"SVG で保存", BS_PUSHBUTTON | WS_TABSTOP, kLogSaveSvg);
  AddControl(window_, L"STATIC", L"", SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | SS_ENDELLIPSIS,
             kLogSaved);
  canvas_ = CreateWindowExW(WS_EX_CLIENTEDGE, kCanvasClassName, L"",
                            WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP, 0, 0, 0,
                            0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLogCanvas)),
                            instance, this);
  return canvas_ != nullptr;
}

bool LogPreviewWindow::Open(HWND owner, HFONT font) {
  const bool first = window_ == nullptr;
  if (first && !Create(owner)) return false;
  font_ = font;
  unit_ = ApplyFont(window_, font_);
  if (first) {
    // The page's width at 100 % and most of the screen's height.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT area = monitor.rcWork;
    const double pageWidth = hole_ ? log_.PageWidth() : 210;
    RECT client{0, 0,
                static_cast<LONG>(pageWidth * PixelsPerMm()) + 2 * kMargin +
                    GetSystemMetrics(SM_CXVSCROLL) + unit_,
                (area.bottom - area.top) * 9 / 10};
    client.right = std::max<LONG>(client.right, unit_ * 48);
    AdjustWindowRectEx(&client, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
    const int width = std::min<int>(client.right - client.left, area.right - area.left);
    const int height = std::min<int>(client.bottom - client.top, area.bottom - area.top);
    SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return true;
}

void LogPreviewWindow::ShowAndFocus() {
  Layout();
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  SetFocus(canvas_);
}

void LogPreviewWindow::Show(HWND owner, HFONT font,
                            std::shared_ptr<const boringlog::Borehole> hole) {
  hole_ = std::move(hole);
  busy_.clear();
  page_ = 0;
  scrollX_ = scrollY_ = 0;
  log_ = boringlog::PagedLog(*hole_, {scale_, paper_, true});
  if (!Open(owner, font)) return;
  SetWindowTextW(Control(kLogSaved), L"");
  Text title = U"柱状図 - " + hole_->identifier;
  if (!hole_->fileName.empty()) title += U" (" + hole_->fileName + U")";
  SetWindowTextW(window_, ToWide(title).c_str());
  UpdateControls();
  ShowAndFocus();
}

void LogPreviewWindow::SetBusy(HWND owner, HFONT font, const Text& text) {
  busy_ = text;
  if (busy_.empty()) {
    if (window_) ShowWindow(window_, SW_HIDE);
    UpdateControls();
    return;
  }
  if (!Open(owner, font)) return;
  if (!hole_) SetWindowTextW(window_, L"柱状図");
  UpdateControls();
  if (!busy_.empty()) ShowAndFocus();
}

void LogPreviewWindow::Relayout() {
  if (!hole_) return;
  log_ = boringlog::PagedLog(*hole_, {scale_, paper_, true});
  page_ = std::clamp(page_, 0, std::max(0, PageCount() - 1));
  UpdateControls();
}

void LogPreviewWindow::UpdateControls() {
  const int count = PageCount();
  // Laid out when it comes on screen: only one page of a deep borehole is ever held.
  shown_ = count > 0 ? log_.LayOutPage(page_) : boringlog::Page();
  if (!window_) return;
  const bool ready = busy_.empty();
  EnableWindow(Control(kLogPrevious), ready && page_ > 0);
  EnableWindow(Control(kLogNext), ready && page_ + 1 < count);
  SetWindowTextW(
      Control(kLogPageLine),
      (std::to_wstring(page_ + 1) + L" / " + std::to_wstring(count) + L" ページ").c_str());
  SetWindowTextW(Control(kLogZoomLine), (std::to_wstring(ZoomPercent()) + L"%").c_str());
  EnableWindow(Control(kLogZoomOut), zoom_ > 0);
  EnableWindow(Control(kLogZoomIn), zoom_ + 1 < static_cast<int>(kLogZoomSteps.size()));
  const int scaleIndex =
      static_cast<int>(std::find(std::begin(kScales), std::end(kScales), scale_) - kScales);
  SendMessageW(Control(kLogScale), CB_SETCURSEL, scaleIndex, 0);
  SendMessageW(Control(kLogPaper), CB_SETCURSEL, paper_ == boringlog::Paper::kA3 ? 1 : 0, 0);
  UpdateScrollBars();
  if (canvas_) InvalidateRect(canvas_, nullptr, FALSE);
}

void LogPreviewWindow::Layout() {
  RECT client{};
  GetClientRect(window_, &client);
  const int gap = unit_ / 2;
  const int height = unit_ + unit_ * 3 / 4;
  int x = gap;
  const auto place = [&](LogPreviewControlId id, int width) {
    MoveWindow(Control(id), x, gap, width, id == kLogScale || id == kLogPaper ? height * 8 : height,
               TRUE);
    x += width + gap;
  };
  place(kLogPrevious, unit_ * 5);
  place(kLogNext, unit_ * 5);
  place(kLogPageLine, unit_ * 6);
  place(kLogScale, unit_ * 5);
  place(kLogPaper, unit_ * 4);
  place(kLogZoomOut, unit_ * 3);
  place(kLogZoomIn, unit_ * 3);
  place(kLogZoomLine, unit_ * 3);
  place(kLogPrint, unit_ * 4);
  place(kLogSavePng, unit_ * 6);
  place(kLogSaveSvg, unit_ * 6);
  place(kLogSaved, std::max(unit_ * 4, static_cast<int>(client.right) - x - gap));
  const int top = height + 2 * gap;
  MoveWindow(canvas_, 0, top, client.right, std::max<int>(0, client.bottom - top), TRUE);
  UpdateScrollBars();
}

double LogPreviewWindow::PixelsPerMm() const {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return (dpi > 0 ? dpi : 96) / 25.4 * ZoomPercent() / 100.0;
}

void LogPreviewWindow::UpdateScrollBars() {
  if (!canvas_ || PageCount() == 0) return;
  RECT client{};
  GetClientRect(canvas_, &client);
  const boringlog::Page& page = shown_;
  const int contentWidth = static_cast<int>(std::ceil(page.width * PixelsPerMm())) + 2 * kMargin;
  const int contentHeight = static_cast<int>(std::ceil(page.height * PixelsPerMm())) + 2 * kMargin;
  scrollX_ = std::clamp(scrollX_, 0, std::max(0, contentWidth - static_cast<int>(client.right)));
  scrollY_ = std::clamp(scrollY_, 0, std::max(0, contentHeight - static_cast<int>(client.bottom)));
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMax = contentWidth - 1;
  info.nPage = static_cast<UINT>(client.right);
  info.nPos = scrollX_;
  SetScrollInfo(canvas_, SB_HORZ, &info, TRUE);
  info.nMax = contentHeight - 1;
  info.nPage = static_cast<UINT>(client.bottom);
  info.nPos = scrollY_;
  SetScrollInfo(canvas_, SB_VERT, &info, TRUE);
}

void LogPreviewWindow::Scroll(int bar, int code, int amount) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(canvas_, bar, &info);
  int position = info.nPos;
  const int line = unit_ * 2;
  switch (code) {
    case SB_LINEUP:
      position -= line;
      break;
    case SB_LINEDOWN:
      position += line;
      break;
    case SB_PAGEUP:
      position -= static_cast<int>(info.nPage);
      break;
    case SB_PAGEDOWN:
      position += static_cast<int>(info.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      position = info.nTrackPos;
      break;
    case SB_TOP:
      position = info.nMin;
      break;
    case SB_BOTTOM:
      position = info.nMax;
      break;
    default:
      position += amount;
      break;
  }
  (bar == SB_HORZ ? scrollX_ : scrollY_) = position;
  UpdateScrollBars();
  InvalidateRect(canvas_, nullptr, FALSE);
}

namespace {

/// About the saved PNG's pixels to the millimetre: below it the screen's page is drawn this
/// fine and shrunk.
constexpr double kFinePixelsPerMm = kLogPngDpi / 25.4;

/// The page's part that falls on a `width` x `height` canvas, its corner at (`left`, `top`),
/// painted `factor` times finer and averaged down into `pixels` (32-bit, top row first). At
/// a screen's resolution GDI+ rounds thin lines and small dots to whole pixels, and a layer's
/// ground then covers the border it half overlaps; drawn as fine as the PNG, the screen shows
/// what the PNG shows.
void PaintFine(const boringlog::Page& page, double pixelsPerMm, int left, int top, int width,
               int height, int factor, std::uint32_t* pixels) {
  // The PNG's own format: GDI+ has drawn pens far too wide on 32-bit bitmaps.
  Gdiplus::Bitmap fine(width * factor, height * factor, PixelFormat24bppRGB);
  if (fine.GetLastStatus() != Gdiplus::Ok) return;
  {
    Gdiplus::Graphics graphics(&fine);
    graphics.Clear(Gdiplus::Color(255, 128, 128, 128));
    const double scale = pixelsPerMm * factor;
    Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
    graphics.FillRectangle(&white, static_cast<Gdiplus::REAL>(left * factor),
                           static_cast<Gdiplus::REAL>(top * factor),
                           static_cast<Gdiplus::REAL>(page.width * scale),
                           static_cast<Gdiplus::REAL>(page.height * scale));
    PaintLogPage(graphics, page, scale, left * factor, top * factor);
  }
  Gdiplus::BitmapData data{};
  const Gdiplus::Rect all(0, 0, width * factor, height * factor);
  if (fine.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok) {
    return;
  }
  const auto* base = static_cast<const unsigned char*>(data.Scan0);
  const int count = factor * factor;
  std::vector<unsigned> sums(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), 0U);
    for (int dy = 0; dy < factor; ++dy) {
      const auto* row = base + static_cast<std::ptrdiff_t>(y * factor + dy) * data.Stride;
      for (int x = 0; x < width * factor; ++x) {
        const unsigned char* pixel = row + static_cast<std::ptrdiff_t>(x) * 4;
        unsigned* sum = &sums[static_cast<std::size_t>(x / factor) * 3];
        sum[0] += pixel[0];
        sum[1] += pixel[1];
        sum[2] += pixel[2];
      }
    }
    std::uint32_t* out = pixels + static_cast<std::ptrdiff_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const unsigned* sum = &sums[static_cast<std::size_t>(x) * 3];
      out[x] = (sum[0] / count) | ((sum[1] / count) << 8) | ((sum[2] / count) << 16);
    }
  }
  fine.UnlockBits(&data);
}

}  // namespace

void LogPreviewWindow::PaintCanvas(HDC dc, const RECT& area) {
  RECT client{};
  GetClientRect(canvas_, &client);
  // Only the part asked for: the page is drawn finer than the screen, which costs.
  IntersectRect(&client, &client, &area);
  const int x0 = client.left;
  const int y0 = client.top;
  client = RECT{0, 0, client.right - x0, client.bottom - y0};
  if (client.right <= 0 || client.bottom <= 0) return;
  // Drawn off screen first, so that scrolling does not flicker.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = client.right;
  info.bmiHeader.biHeight = -client.bottom;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC memory = CreateCompatibleDC(dc);
  const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) {
    DeleteDC(memory);
    return;
  }
  const HGDIOBJ old = SelectObject(memory, bitmap);
  if (busy_.empty() && PageCount() > 0) {
    const double scale = PixelsPerMm();
    const int factor = std::clamp(static_cast<int>(std::lround(kFinePixelsPerMm / scale)), 1, 4);
    GdiFlush();
    PaintFine(shown_, scale, kMargin - scrollX_ - x0, kMargin - scrollY_ - y0, client.right,
              client.bottom, factor, static_cast<std::uint32_t*>(bits));
  } else {
    Gdiplus::Graphics graphics(memory);
    graphics.Clear(Gdiplus::Color(255, 128, 128, 128));
    if (!busy_.empty()) {
      Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
      Gdiplus::SolidBrush black(Gdiplus::Color(255, 0, 0, 0));
      RECT whole{};
      GetClientRect(canvas_, &whole);
      const Gdiplus::RectF line(static_cast<Gdiplus::REAL>(kMargin - x0),
                                static_cast<Gdiplus::REAL>(kMargin - y0),
                                static_cast<Gdiplus::REAL>(whole.right - 2 * kMargin),
                                static_cast<Gdiplus::REAL>(unit_ * 4));
      graphics.FillRectangle(&white, line);
      const Gdiplus::Font face(memory, font_);
      Gdiplus::StringFormat centred;
      centred.SetAlignment(Gdiplus::StringAlignmentCenter);
      centred.SetLineAlignment(Gdiplus::StringAlignmentCenter);
      const std::wstring text = ToWide(busy_);
      graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), &face, line, &centred,
                          &black);
    }
  }
  BitBlt(dc, x0, y0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

void LogPreviewWindow::GoToPage(int page) {
  page_ = std::clamp(page, 0, std::max(0, PageCount() - 1));
  scrollY_ = 0;
  UpdateControls();
}

void LogPreviewWindow::Zoom(int steps) {
  zoom_ = std::clamp(zoom_ + steps, 0, static_cast<int>(kLogZoomSteps.size()) - 1);
  UpdateControls();
}

void LogPreviewWindow::SetScale(int scale) {
  if (!boringlog::IsLogScale(scale)) return;
  // The same depth stays in view: the page holding the first depth shown now.
  const double depth = PageCount() == 0 ? 0 : log_.Window(page_).firstDepth;
  scale_ = scale;
  if (!hole_) return;
  log_ = boringlog::PagedLog(*hole_, {scale_, paper_, true});
  int page = 0;
  for (int i = 0; i < log_.PageCount(); ++i) {
    if (log_.Window(i).firstDepth <= depth) page = i;
  }
  page_ = page;
  scrollY_ = 0;
  UpdateControls();
}

void LogPreviewWindow::SetPaper(boringlog::Paper paper) {
  paper_ = paper;
  Relayout();
}

void LogPreviewWindow::ShowError(const Text& text) {
  if (seams_.showError) {
    seams_.showError(window_, text);
  } else {
    MessageBoxW(window_, ToWide(text).c_str(), L"柱状図", MB_OK | MB_ICONEXCLAMATION);
  }
}

void LogPreviewWindow::OnCommand(int id, int code) {
  switch (id) {
    case kLogPrevious:
      GoToPage(page_ - 1);
      break;
    case kLogNext:
      GoToPage(page_ + 1);
      break;
    case kLogZoomOut:
      Zoom(-1);
      break;
    case kLogZoomIn:
      Zoom(1);
      break;
    case kLogPrint:
      Print();
      break;
    case kLogSavePng:
      Save(true);
      break;
    case kLogSaveSvg:
      Save(false);
      break;
    case kLogScale:
      if (code == CBN_SELCHANGE) {
        const LRESULT chosen = SendMessageW(Control(kLogScale), CB_GETCURSEL, 0, 0);
        if (chosen >= 0 && chosen < 3) SetScale(kScales[chosen]);
      }
      break;
    case kLogPaper:
      if (code == CBN_SELCHANGE) {
        SetPaper(SendMessageW(Control(kLogPaper), CB_GETCURSEL, 0, 0) == 1 ? boringlog::Paper::kA3
                                                                           : boringlog::Paper::kA4);
      }
      break;
    default:
      break;
  }
}

bool LogPreviewWindow::PreTranslate(MSG& message) {
  if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
  if (message.message == WM_KEYDOWN) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    switch (message.wParam) {
      case VK_ESCAPE:
        ShowWindow(window_, SW_HIDE);
        return true;
      case VK_PRIOR:
        if (control) return GoToPage(page_ - 1), true;
        break;
      case VK_NEXT:
        if (control) return GoToPage(page_ + 1), true;
        break;
      case VK_ADD:
      case VK_OEM_PLUS:
        if (control) return Zoom(1), true;
        break;
      case VK_SUBTRACT:
      case VK_OEM_MINUS:
        if (control) return Zoom(-1), true;
        break;
      case 'P':
        if (control) return Print(), true;
        break;
      default:
        break;
    }
  }
  return IsDialogMessageW(window_, &message) != 0;
}

LRESULT LogPreviewWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(w), HIWORD(w));
      return 0;
    case WM_NCDESTROY:
      canvas_ = nullptr;  // gone with the window, which ObjectProcedure lets go of
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, message, w, l);
}

LRESULT CALLBACK LogPreviewWindow::CanvasProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(
        window, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
  }
  auto* self = reinterpret_cast<LogPreviewWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->canvas_ == window) return self->HandleCanvas(message, w, l);
  return DefWindowProcW(window, message, w, l);
}

LRESULT LogPreviewWindow::HandleCanvas(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // all painted in WM_PAINT
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      const HDC dc = BeginPaint(canvas_, &paint);
      PaintCanvas(dc, paint.rcPaint);
      EndPaint(canvas_, &paint);
      return 0;
    }
    case WM_SIZE:
      UpdateScrollBars();
      return 0;
    case WM_VSCROLL:
      Scroll(SB_VERT, LOWORD(w));
      return 0;
    case WM_HSCROLL:
      Scroll(SB_HORZ, LOWORD(w));
      return 0;
    case WM_MOUSEWHEEL: {
      const int delta = GET_WHEEL_DELTA_WPARAM(w);
      if (GET_KEYSTATE_WPARAM(w) & MK_CONTROL) {
        Zoom(delta > 0 ? 1 : -1);
      } else {
        Scroll(SB_VERT, -1, -delta * unit_ * 3 / WHEEL_DELTA);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(canvas_);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      switch (w) {
        case VK_UP:
          Scroll(SB_VERT, SB_LINEUP);
          return 0;
        case VK_DOWN:
          Scroll(SB_VERT, SB_LINEDOWN);
          return 0;
        case VK_LEFT:
          Scroll(SB_HORZ, SB_LINEUP);
          return 0;
        case VK_RIGHT:
          Scroll(SB_HORZ, SB_LINEDOWN);
          return 0;
        case VK_PRIOR:
          Scroll(SB_VERT, SB_PAGEUP);
          return 0;
        case VK_NEXT:
          Scroll(SB_VERT, SB_PAGEDOWN);
          return 0;
        case VK_HOME:
          Scroll(SB_VERT, SB_TOP);
          return 0;
        case VK_END:
          Scroll(SB_VERT, SB_BOTTOM);
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(canvas_, message, w, l);
}

}  // namespace tecris2nx::win32
