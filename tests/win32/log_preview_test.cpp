// The boring log's preview window against the PNG it saves: the window shows what the saved
// picture shows.
#include "app/win32/log_preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "app/win32/log_painter.h"
#include "common/file_system.h"
#include "common/wide_text.h"
#include "run/boring_log_file.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx::win32 {
namespace {

/// Pixels as 0x00RRGGBB, rows top first.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> rgb;
  std::uint32_t At(int x, int y) const {
    return rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x)];
  }
};

/// What the window shows in its client area, copied from the screen.
Pixels OnScreen(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  Pixels shown{client.right, client.bottom, {}};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shown.width;
  info.bmiHeader.biHeight = -shown.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC screen = GetDC(window);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shown.width, shown.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* from = static_cast<const std::uint32_t*>(bits);
  shown.rgb.assign(from, from + static_cast<std::size_t>(shown.width) * shown.height);
  for (std::uint32_t& pixel : shown.rgb) pixel &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return shown;
}

Pixels Decoded(const std::string& png) {
  Pixels decoded;
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, png.size());
  if (!memory) return decoded;
  std::copy(png.begin(), png.end(), static_cast<char*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(memory, TRUE, &stream) != S_OK) return decoded;
  {
    Gdiplus::Bitmap bitmap(stream);
    decoded.width = static_cast<int>(bitmap.GetWidth());
    decoded.height = static_cast<int>(bitmap.GetHeight());
    Gdiplus::BitmapData data{};
    const Gdiplus::Rect all(0, 0, decoded.width, decoded.height);
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) ==
        Gdiplus::Ok) {
      for (int y = 0; y < decoded.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride);
        for (int x = 0; x < decoded.width; ++x) decoded.rgb.push_back(row[x] & 0xFFFFFF);
      }
      bitmap.UnlockBits(&data);
    }
  }
  stream->Release();
  return decoded;
}

/// Mean darkness (0 white, 1 black) of the pixels in [x0, x1) x [y0, y1).
double Ink(const Pixels& pixels, int x0, int y0, int x1, int y1) {
  double dark = 0;
  int count = 0;
  for (int y = std::max(0, y0); y < std::min(pixels.height, y1); ++y) {
    for (int x = std::max(0, x0); x < std::min(pixels.width, x1); ++x) {
      const std::uint32_t p = pixels.At(x, y);
      dark += 1 - ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) / (3 * 255.0);
      ++count;
    }
  }
  return count == 0 ? 0 : dark / count;
}

class LogPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
    RealFileSystem fs;
    const std::string source = testing::SourceDir();
    hole_ = std::make_shared<const boringlog::Borehole>(
        ReadBoreholeFile(fs, FromUtf8(source + "/examples/12345678.006"),
                         FromUtf8(source + "/examples/sample-patdat/"), U"2024-01-01"));
  }
  void TearDown() override {
    preview_.reset();
    if (owner_) DestroyWindow(owner_);
  }
  void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  HWND owner_ = nullptr;
  std::shared_ptr<const boringlog::Borehole> hole_;
  std::unique_ptr<LogPreviewWindow> preview_ = std::make_unique<LogPreviewWindow>();
};

// The window repaints in strips as it is uncovered and scrolled: every strip must be the saved
// picture's, patterns, lines and texts alike.
TEST_F(LogPreviewTest, ShowsWhatThePngShowsAtEachZoom) {
  struct Row {
    int scale;
    int zoomSteps;  ///< from 100 %
    int percent;
  };
  const Row rows[] = {{50, 0, 100}, {50, 2, 200}, {100, 0, 100}};
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  for (const Row& row : rows) {
    preview_ = std::make_unique<LogPreviewWindow>();
    preview_->Show(owner_, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), hole_);
    preview_->SetScale(row.scale);
    preview_->Zoom(row.zoomSteps);
    ASSERT_EQ(preview_->ZoomPercent(), row.percent);
    SetWindowPos(preview_->Handle(), HWND_TOP, 0, 0, 1000, 1000, SWP_SHOWWINDOW);
    const HWND canvas = preview_->Control(kLogCanvas);
    Pump();
    // Painted strip by strip, as an uncovered or scrolled window is.
    RECT client{};
    GetClientRect(canvas, &client);
    const int step = client.bottom / 5 + 1;
    for (int top = 0; top < client.bottom; top += step) {
      const RECT strip{0, top, client.right, top + step};
      RedrawWindow(canvas, &strip, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    Pump();
    const Pixels shown = OnScreen(canvas);
    std::string error;
    // The page lies 16 pixels in from the canvas's corner.
    constexpr int kMargin = 16;
    // Against the saved PNG itself (300 dpi): the layer column, strip by strip across and down,
    // holds about as much ink, so no band of its pattern and none of its lines is lost.
    const Pixels printed = Decoded(EncodeLogPagePng(preview_->ShownPage(), kLogPngDpi, &error));
    ASSERT_GT(printed.width, 0) << error;
    // The column: between the rules either side of its heading, as deep as its pattern's dots.
    const boringlog::Page& page = preview_->ShownPage();
    double heading = -1;
    for (const boringlog::Primitive& item : page.items) {
      if (const auto* label = std::get_if<boringlog::Label>(&item);
          label && label->text == U"柱状図") {
        heading = label->at.x;
      }
    }
    ASSERT_GT(heading, 0);
    double left = 0, right = 1e9, top = 1e9, bottom = -1e9;
    for (const boringlog::Primitive& item : page.items) {
      if (const auto* rule = std::get_if<boringlog::Line>(&item);
          rule && rule->from.x == rule->to.x && std::abs(rule->to.y - rule->from.y) > 50) {
        if (rule->from.x < heading) left = std::max(left, rule->from.x);
        if (rule->from.x > heading) right = std::min(right, rule->from.x);
      }
    }
    for (const boringlog::Primitive& item : page.items) {
      if (const auto* dot = std::get_if<boringlog::Circle>(&item);
          dot && dot->centre.x > left && dot->centre.x < right) {
        top = std::min(top, dot->centre.y);
        bottom = std::max(bottom, dot->centre.y);
      }
    }
    ASSERT_LT(left, right);
    left -= 1;  // its borders
    right += 1;
    const double screenPerMm = dpi * row.percent / 100 / 25.4;
    const double printPerMm = kLogPngDpi / 25.4;
    bottom = std::min(bottom, (shown.height - kMargin) / screenPerMm);
    // A strip of the paper against the same strip on screen widened by half a millimetre each
    // way: a dot or line may land a pixel over on screen.
    const auto compare = [&](double x0, double y0, double x1, double y1, double wideX,
                             double wideY) {
      const double onScreen = Ink(shown, kMargin + static_cast<int>((x0 - wideX) * screenPerMm),
                                  kMargin + static_cast<int>((y0 - wideY) * screenPerMm),
                                  kMargin + static_cast<int>((x1 + wideX) * screenPerMm),
                                  kMargin + static_cast<int>((y1 + wideY) * screenPerMm));
      const double onPaper =
          Ink(printed, static_cast<int>(x0 * printPerMm), static_cast<int>(y0 * printPerMm),
              static_cast<int>(x1 * printPerMm), static_cast<int>(y1 * printPerMm));
      // Nor thicker than on paper: down the column, where a row of dots cannot shift in or out.
      if (wideY == 0) {
        EXPECT_LT(onScreen, onPaper * 3 + 0.05)
            << "1:" << row.scale << " at " << row.percent << " %: " << x0 << "-" << x1 << " mm x "
            << y0 << "-" << y1 << " mm";
      }
      if (onPaper > 0.02) {
        EXPECT_GT(onScreen, onPaper / 4)
            << "1:" << row.scale << " at " << row.percent << " %: " << x0 << "-" << x1 << " mm x "
            << y0 << "-" << y1 << " mm";
      }
    };
    for (double y = top; y + 1 < bottom; y += 1) compare(left, y, right, y + 1, 0, 0.5);
    for (double x = left; x + 1 < right; x += 1) compare(x, top, x + 1, bottom, 0.5, 0);
    if (const char* folder = std::getenv("TECRIS2NX_PREVIEW_PICTURES")) {
      // For looking at both: the screen as BMP beside the PNG.
      const std::string stem = std::string(folder) + "/preview-" + std::to_string(row.scale) + "-" +
                               std::to_string(row.percent);
      RealFileSystem fs;
      fs.WriteAll(FromUtf8(stem + ".png"),
                  EncodeLogPagePng(preview_->ShownPage(), kLogPngDpi, &error));
      std::string bmp;
      const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) bmp += static_cast<char>((value >> (8 * i)) & 0xFF);
      };
      const auto size = static_cast<std::uint32_t>(shown.rgb.size() * 4);
      bmp += "BM";
      put(54 + size, 4);
      put(0, 4);
      put(54, 4);
      put(40, 4);
      put(static_cast<std::uint32_t>(shown.width), 4);
      put(static_cast<std::uint32_t>(-shown.height), 4);
      put(1, 2);
      put(32, 2);
      put(0, 4);
      put(size, 4);
      put(0, 16);
      for (const std::uint32_t pixel : shown.rgb) put(pixel, 4);
      fs.WriteAll(FromUtf8(stem + "-screen.bmp"), bmp);
    }
  }
}

// A log that could not be read closes the preview instead of showing the earlier file's again,
// whether the preview was open or closed when it was asked for.
TEST_F(LogPreviewTest, ALogThatFailsShowsNoEarlierOne) {
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const bool closedFirst : {false, true}) {
    preview_ = std::make_unique<LogPreviewWindow>();
    preview_->Show(owner_, font, hole_);
    ASSERT_TRUE(IsWindowVisible(preview_->Handle()));
    if (closedFirst) SendMessageW(preview_->Handle(), WM_CLOSE, 0, 0);
    preview_->SetBusy(owner_, font, U"柱状図を作成しています…");
    EXPECT_TRUE(IsWindowVisible(preview_->Handle())) << closedFirst;
    preview_->SetBusy(owner_, font, Text());
    EXPECT_FALSE(IsWindowVisible(preview_->Handle())) << closedFirst;
  }
}

// Saving says that it worked, and what it wrote, in the window itself.
TEST_F(LogPreviewTest, SavingSaysSo) {
  testing::TempDir tmp;
  preview_->Show(owner_, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), hole_);
  const HWND saved = preview_->Control(kLogSaved);
  const auto text = [&] {
    wchar_t buffer[256] = L"";
    GetWindowTextW(saved, buffer, 256);
    return FromWide(buffer);
  };
  EXPECT_EQ(text(), U"");
  ASSERT_TRUE(preview_->SaveAs(tmp.TextOf("柱状図.svg"), false));
  EXPECT_EQ(text(), U"保存しました: 柱状図.svg");
  // A deep hole's pages, one file each: the first named, the others counted.
  tmp.Write("12345678.001", "B,12345678001,x\r\n1\r\nB,1,1,40.0,0,\x8d\xbb,H,\r\n");
  RealFileSystem fs;
  const auto deep = std::make_shared<const boringlog::Borehole>(ReadBoreholeFile(
      fs, tmp.TextOf("12345678.001"),
      FromUtf8(std::string(testing::SourceDir()) + "/examples/sample-patdat/"), U"2024-01-01"));
  preview_->Show(owner_, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), deep);
  ASSERT_GT(preview_->PageCount(), 1);
  ASSERT_TRUE(preview_->SaveAs(tmp.TextOf("柱状図.png"), true));
  EXPECT_EQ(text(), U"保存しました: 柱状図-1.png ほか " +
                        DecimalText(static_cast<long long>(preview_->PageCount() - 1)) + U" 件");
}

// Thousands of pages are printed or saved page by page only when the user says so.
TEST_F(LogPreviewTest, AsksBeforeDrawingManyPages) {
  testing::TempDir tmp;
  std::vector<Text> asked;
  LogPreviewSeams seams;
  seams.confirm = [&](HWND, const Text& question) {
    asked.push_back(question);
    return false;
  };
  preview_ = std::make_unique<LogPreviewWindow>(seams);
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  tmp.Write("12345678.001", "B,12345678001,x\r\n1\r\nB,1,1,2000.0,0,\x8d\xbb,H,\r\n");
  RealFileSystem fs;
  preview_->Show(owner_, font,
                 std::make_shared<const boringlog::Borehole>(ReadBoreholeFile(
                     fs, tmp.TextOf("12345678.001"),
                     FromUtf8(std::string(testing::SourceDir()) + "/examples/sample-patdat/"),
                     U"2024-01-01")));
  preview_->SetScale(50);
  ASSERT_GT(preview_->PageCount(), kManyPages);
  const Text pages = DecimalText(static_cast<long long>(preview_->PageCount()));
  preview_->Print();
  SendMessageW(preview_->Control(kLogSavePng), BM_CLICK, 0, 0);
  EXPECT_EQ(asked,
            (std::vector<Text>{pages + U" ページあります。印刷しますか？",
                               pages + U" ページあります。すべてのページを PNG で保存しますか？"}));
}

}  // namespace
}  // namespace tecris2nx::win32
