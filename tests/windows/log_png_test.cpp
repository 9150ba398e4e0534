// The boring log painted with GDI+: millimetres to pixels, clipping, texts, and the PNG the
// command line writes.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/cli/log_formats.h"
#include "app/win32/log_painter.h"
#include "common/wide_text.h"
#include "support/command_line.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

namespace bl = boringlog;

const std::string kSource = testing::SourceDir();

/// The page painted at `pixelsPerMm` into a white bitmap of its size.
class Painted {
 public:
  Painted(const bl::Page& page, double pixelsPerMm)
      : bitmap_(static_cast<INT>(page.width * pixelsPerMm),
                static_cast<INT>(page.height * pixelsPerMm), PixelFormat24bppRGB) {
    Gdiplus::Graphics graphics(&bitmap_);
    graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
    PaintLogPage(graphics, page, pixelsPerMm);
  }
  bool Dark(int x, int y) {
    Gdiplus::Color colour;
    bitmap_.GetPixel(x, y, &colour);
    return colour.GetR() + colour.GetG() + colour.GetB() < 3 * 128;
  }
  /// Dark pixels in the box [x0, x1) x [y0, y1).
  int DarkIn(int x0, int y0, int x1, int y1) {
    int dark = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) dark += Dark(x, y);
    }
    return dark;
  }

 private:
  Gdiplus::Bitmap bitmap_;
};

class LogPainterTest : public ::testing::Test {
 protected:
  GdiplusSession gdiplus;
};

TEST_F(LogPainterTest, EachPrimitiveLandsAtItsMillimetres) {
  ASSERT_TRUE(gdiplus.started());
  const bl::Fill black{true, bl::kBlack};
  const bl::Pen thick{1.0, bl::kBlack};
  const bl::Pen none{0, bl::kBlack};
  struct Row {
    const char* what;
    bl::Primitive item;
    int x0, y0, x1, y1;  ///< pixels at 4 px/mm that must be mostly dark
    int top, bottom;     ///< the shape's rows: all white above and below
  };
  const Row rows[] = {
      {"filled rectangle", bl::Rectangle{{5, 5}, 10, 5, none, black}, 21, 21, 59, 39, 20, 40},
      {"line", bl::Line{{2, 30}, {38, 30}, thick}, 10, 119, 150, 121, 118, 122},
      {"polyline", bl::Polyline{{{2, 34}, {20, 34}, {20, 38}}, thick}, 10, 135, 78, 137, 134, 154},
      {"polygon", bl::Polygon{{{25, 5}, {35, 5}, {35, 15}, {25, 15}}, none, black}, 101, 21, 139,
       59, 20, 60},
      {"circle", bl::Circle{{30, 25}, 3, none, black}, 115, 95, 125, 105, 88, 112},
  };
  for (const Row& row : rows) {
    const bl::Page page{40, 40, {row.item}};
    Painted painted(page, 4);
    const int area = (row.x1 - row.x0) * (row.y1 - row.y0);
    EXPECT_GT(painted.DarkIn(row.x0, row.y0, row.x1, row.y1), area * 9 / 10) << row.what;
    EXPECT_EQ(painted.DarkIn(0, 0, 160, row.top - 2), 0) << row.what;
    EXPECT_EQ(painted.DarkIn(0, row.bottom + 2, 160, 160), 0) << row.what;
  }
}

TEST_F(LogPainterTest, ClipsToThePageAndSetsTextsOnTheirBaseline) {
  ASSERT_TRUE(gdiplus.started());
  // A rectangle running off the page is cut at its edge, even on a larger bitmap.
  {
    const bl::Page page{20, 20, {bl::Rectangle{{10, 10}, 30, 30, {0}, {true, bl::kBlack}}}};
    Gdiplus::Bitmap bitmap(200, 200, PixelFormat24bppRGB);
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
    PaintLogPage(graphics, page, 4, 20, 20);
    Gdiplus::Color inside;
    Gdiplus::Color outside;
    bitmap.GetPixel(90, 90, &inside);
    bitmap.GetPixel(110, 110, &outside);
    EXPECT_EQ(inside.GetR(), 0);
    EXPECT_EQ(outside.GetR(), 255);
  }
  // Text sits above its baseline at (20 mm, 20 mm), anchored by its start, middle or end.
  for (const bl::Anchor anchor : {bl::Anchor::kStart, bl::Anchor::kMiddle, bl::Anchor::kEnd}) {
    bl::Label label{{20, 20}, U"柱状図", 5, anchor};
    Painted painted(bl::Page{40, 40, {label}}, 4);
    int left = 160;
    int right = -1;
    for (int y = 0; y < 160; ++y) {
      for (int x = 0; x < 160; ++x) {
        if (!painted.Dark(x, y)) continue;
        EXPECT_TRUE(y > 55 && y <= 82) << int(anchor) << ": ink at row " << y;
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    ASSERT_GT(right, left) << int(anchor);
    const int at = anchor == bl::Anchor::kStart ? left
                   : anchor == bl::Anchor::kEnd ? right
                                                : (left + right) / 2;
    EXPECT_NEAR(at, 80, 4) << int(anchor);
  }
}

class LogPngTest : public testing::CommandLineTest {};

TEST_F(LogPngTest, CommandLineWritesA4PagesAt300Dpi) {
  const std::string out_dir = Path("logs");
  ASSERT_EQ(Run({"log", "--format", "png", "--patdat", kSource + "/examples/sample-patdat", "-o",
                 out_dir, kSource + "/examples/12345678.002"}),
            kCliOk)
      << err.str();
  const std::string png = fs.ReadAll(FromUtf8(out_dir + "/12345678002.png"));
  ASSERT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  const auto be32 = [&](std::size_t at) {
    return (unsigned(static_cast<unsigned char>(png[at])) << 24) |
           (unsigned(static_cast<unsigned char>(png[at + 1])) << 16) |
           (unsigned(static_cast<unsigned char>(png[at + 2])) << 8) |
           unsigned(static_cast<unsigned char>(png[at + 3]));
  };
  EXPECT_EQ(be32(16), 2481U);  // 210 mm at 300 dpi
  EXPECT_EQ(be32(20), 3508U);  // 297 mm
  // Drawn, not blank: read back, the column and its texts leave ink across the page.
  GdiplusSession gdiplus;
  Gdiplus::Bitmap bitmap(ToWide(FromUtf8(out_dir + "/12345678002.png")).c_str());
  ASSERT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
  int dark = 0;
  for (UINT y = 0; y < bitmap.GetHeight(); y += 7) {
    for (UINT x = 0; x < bitmap.GetWidth(); x += 7) {
      Gdiplus::Color colour;
      bitmap.GetPixel(static_cast<INT>(x), static_cast<INT>(y), &colour);
      dark += colour.GetR() < 128;
    }
  }
  EXPECT_GT(dark, 2000);
  EXPECT_EQ(fs.ListFiles(FromUtf8(out_dir)).size(), 1U);
}

}  // namespace
}  // namespace tecris2nx
