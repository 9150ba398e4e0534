#include "log/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "log/svg_writer.h"

namespace tecris2nx::boringlog {
namespace {

// Body top: margin 10, title 24, headings 14. The soil column starts at 42 mm and is 18 wide;
// the N graph runs from 115.5 (N = 0) to 147.5 mm (N = 50).
constexpr double kBodyTop = 48;

Borehole TwoLayers() {
  Borehole hole;
  hole.hasLayers = true;
  hole.layers = {{0, 1.1, U"1300", U"砂", U"砂"}, {1.1, 3.25, U"1600", U"粘性土", U"粘性土"}};
  return hole;
}

/// The soil column's rectangles (the layer's ground under its pattern), top and bottom in mm.
std::vector<std::pair<double, double>> SoilRectangles(const Page& page) {
  std::vector<std::pair<double, double>> found;
  for (const Primitive& item : page.items) {
    const auto* rect = std::get_if<Rectangle>(&item);
    if (rect && rect->topLeft.x == 42 && rect->width == 18 && rect->fill.filled) {
      found.emplace_back(rect->topLeft.y, rect->topLeft.y + rect->height);
    }
  }
  return found;
}

std::vector<const Label*> LabelsWithText(const Page& page, TextView text) {
  std::vector<const Label*> found;
  for (const Primitive& item : page.items) {
    const auto* label = std::get_if<Label>(&item);
    if (label && label->text == text) found.push_back(label);
  }
  return found;
}

TEST(LogLayoutTest, LayerRectanglesAtTheirDepthsForEachScale) {
  struct Row {
    int scale;
    double firstBottom;
    double secondBottom;
  };
  const Row rows[] = {
      {50, kBodyTop + 22, kBodyTop + 65},
      {100, kBodyTop + 11, kBodyTop + 32.5},
      {200, kBodyTop + 5.5, kBodyTop + 16.25},
  };
  for (const Row& row : rows) {
    const LogSheets sheets = LayoutBoringLog(TwoLayers(), {row.scale, Paper::kA4, false});
    ASSERT_EQ(sheets.pages.size(), 1U);
    const auto rects = SoilRectangles(sheets.pages[0]);
    ASSERT_EQ(rects.size(), 2U) << row.scale;
    EXPECT_NEAR(rects[0].first, kBodyTop, 1e-9) << row.scale;
    EXPECT_NEAR(rects[0].second, row.firstBottom, 1e-6) << row.scale;
    EXPECT_NEAR(rects[1].first, row.firstBottom, 1e-6) << row.scale;
    EXPECT_NEAR(rects[1].second, row.secondBottom, 1e-6) << row.scale;
    // The sheet ends at the next whole metre (4 m) plus the legend.
    EXPECT_GT(sheets.pages[0].height, kBodyTop + 4 * 1000.0 / row.scale);
  }
}

TEST(LogLayoutTest, PenetrationPointsAndTheFiftyBlowCase) {
  struct Row {
    LogPenetration test;
    double x;
  };
  const Row rows[] = {
      {{1.15, 7, U"7", false}, 115.5 + 7 * 32.0 / 50},
      {{2.15, 25, U"25", false}, 131.5},
      {{3.15, 50, U"50/12", true}, 147.5},
      {{4.15, 63, U"63/30", true}, 147.5},
  };
  Borehole hole = TwoLayers();
  for (const Row& row : rows) hole.penetrations.push_back(row.test);
  const Page page = LayoutBoringLog(hole, {100, Paper::kA4, false}).pages[0];
  std::vector<const Circle*> points;
  const Polyline* graph = nullptr;
  for (const Primitive& item : page.items) {
    if (const auto* c = std::get_if<Circle>(&item); c && c->radius == 0.6) points.push_back(c);
    if (const auto* p = std::get_if<Polyline>(&item); p && p->points.size() == 4) graph = p;
  }
  ASSERT_EQ(points.size(), std::size(rows));
  ASSERT_NE(graph, nullptr);
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_NEAR(points[i]->centre.x, rows[i].x, 1e-9) << i;
    EXPECT_NEAR(points[i]->centre.y, kBodyTop + rows[i].test.depth * 10, 1e-9) << i;
    EXPECT_NEAR(graph->points[i].x, rows[i].x, 1e-9) << i;
    EXPECT_EQ(LabelsWithText(page, rows[i].test.label).size(), 1U) << i;
  }
}

TEST(LogLayoutTest, PagesRepeatTitleAndHeadingsAndMarkTheBreaks) {
  Borehole hole;
  hole.hasLayers = true;
  hole.layers = {{0, 50, U"1300", U"砂", U"砂"}};
  // A4 at 1:100: 231 mm of body, so 23 m a page; A3 at 1:200: 354 mm, 70 m.
  struct Row {
    LayoutOptions options;
    std::vector<double> firstDepths;
  };
  const Row rows[] = {
      {{100, Paper::kA4, true}, {0, 23, 46}},
      {{50, Paper::kA4, true}, {0, 11, 22, 33, 44}},
      {{200, Paper::kA3, true}, {0}},
  };
  for (const Row& row : rows) {
    const LogSheets sheets = LayoutBoringLog(hole, row.options);
    ASSERT_GE(sheets.pages.size(), row.firstDepths.size());
    const std::size_t pages = sheets.pages.size();
    for (std::size_t i = 0; i < row.firstDepths.size(); ++i) {
      const Page& page = sheets.pages[i];
      EXPECT_EQ(sheets.windows[i].firstDepth, row.firstDepths[i]);
      EXPECT_EQ(page.height, row.options.paper == Paper::kA3 ? 420 : 297);
      EXPECT_EQ(LabelsWithText(page, U"ボーリング柱状図").size(), 1U) << i;
      EXPECT_EQ(LabelsWithText(page, U"柱状図").size(), 1U) << i;
      EXPECT_EQ(LabelsWithText(page, U"標準貫入試験").size(), 1U) << i;
      const bool lastBody = i + 1 == row.firstDepths.size();
      EXPECT_EQ(LabelsWithText(page, kContinuedMark).size(), lastBody ? 0U : 1U) << i;
      if (pages > 1) {
        const Text number = DecimalText(static_cast<long long>(i + 1)) + U" / " +
                            DecimalText(static_cast<long long>(pages));
        EXPECT_EQ(
            LabelsWithText(page, U"縮尺 1:" + DecimalText(row.options.scale) + U"　　" + number)
                .size(),
            1U)
            << i;
      }
      // The layer continues on every page, within the page's body.
      for (const auto& [top, bottom] : SoilRectangles(page)) {
        EXPECT_GE(top, kBodyTop);
        EXPECT_LE(bottom, page.height - 18);
      }
      EXPECT_EQ(SoilRectangles(page).size(), 1U) << i;
    }
  }
}

// The legend (25 mm for two patterns) goes below the last body when it fits above the bottom
// margin, the continued mark's room included; otherwise on a page of its own.
TEST(LogLayoutTest, LegendOnTheLastPageWhenItFits) {
  struct Row {
    double deepest;  ///< m; at 1:100 the body ends 10 mm a metre below 48 mm
    int pages;
  };
  const Row rows[] = {{21, 1}, {22, 2}, {24, 2}};
  for (const Row& row : rows) {
    Borehole hole = TwoLayers();
    hole.layers[1].bottom = row.deepest;
    const LogSheets sheets = LayoutBoringLog(hole, {100, Paper::kA4, true});
    ASSERT_EQ(static_cast<int>(sheets.pages.size()), row.pages) << row.deepest;
    const Page& last = sheets.pages.back();
    ASSERT_EQ(LabelsWithText(last, U"凡例").size(), 1U) << row.deepest;
    for (const Primitive& item : last.items) {
      if (const auto* label = std::get_if<Label>(&item)) {
        EXPECT_LE(label->at.y, 297 - 10);
      }
    }
  }
}

double SoilColumnMillimetres(const Page& page) {
  double total = 0;
  for (const auto& [top, bottom] : SoilRectangles(page)) total += bottom - top;
  return total;
}

// The preview, printing and the PDF lay out one page at a time: a page laid out alone is the
// page laid out among the others, and the pages together hold the whole soil column.
TEST(LogLayoutTest, APageLaidOutAloneIsThatPageOfTheWhole) {
  Borehole deep;  // 1,000 m in 10,000 layers, a test every metre
  deep.hasLayers = true;
  const Text codes[] = {U"1300", U"1600", U"1093", U"0"};
  for (int i = 0; i < 10000; ++i) {
    const Text& code = codes[i % 4];
    deep.layers.push_back({i * 0.1, (i + 1) * 0.1, code, U"土", U"土"});
  }
  for (int m = 0; m < 1000; ++m) deep.penetrations.push_back({m + 0.15, 10, U"10", false});
  struct Row {
    const char* name;
    const Borehole& hole;
    LayoutOptions options;
    int pages;
  };
  const Borehole two = TwoLayers();
  const Row rows[] = {
      {"short, A4 1:100", two, {100, Paper::kA4, true}, 1},
      {"1,000 m, A4 1:100 (23 m a page)", deep, {100, Paper::kA4, true}, 44},
      {"1,000 m, A4 1:50 (11 m a page)", deep, {50, Paper::kA4, true}, 91},
      {"1,000 m, A3 1:200 (70 m a page)", deep, {200, Paper::kA3, true}, 15},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const PagedLog log(row.hole, row.options);
    ASSERT_EQ(log.PageCount(), row.pages);
    std::vector<std::string> inOrder;
    double column = 0;
    for (int i = 0; i < log.PageCount(); ++i) {
      const Page page = log.LayOutPage(i);
      inOrder.push_back(SvgDocument(page));
      column += SoilColumnMillimetres(page);
    }
    for (const int i : {row.pages - 1, row.pages / 2, 0}) {
      EXPECT_EQ(SvgDocument(PagedLog(row.hole, row.options).LayOutPage(i)),
                inOrder[static_cast<std::size_t>(i)])
          << "page " << i;
    }
    const Page sheet =
        LayoutBoringLog(row.hole, {row.options.scale, row.options.paper, false}).pages.front();
    EXPECT_NEAR(column, SoilColumnMillimetres(sheet), 1e-6);
  }
}

TEST(LogLayoutTest, EverythingStaysOnThePage) {
  Borehole hole = TwoLayers();
  hole.colours = {{0, 3.25, U"DC", {U"暗", U"褐"}}};
  hole.samples = {{0.5, 0.8, U"1"}};
  hole.marks = {{U'E', 1.5, 1.5}, {U'F', 2, 3}, {U'G', 1, 2}, {U'H', 2.5, 2.9}};
  hole.notes = {{2, U"層の下端深度 1.00 が前の記録より浅くなっています。"}};
  for (const bool paged : {false, true}) {
    for (const Page& page : LayoutBoringLog(hole, {100, Paper::kA4, paged}).pages) {
      for (const Primitive& item : page.items) {
        if (const auto* label = std::get_if<Label>(&item)) {
          EXPECT_GE(label->at.x, 10);
          EXPECT_LE(label->at.x, page.width - 10) << ToUtf8(label->text);
          EXPECT_LE(label->at.y, page.height - 10) << ToUtf8(label->text);
        }
      }
    }
  }
}

TEST(LogLayoutTest, TextsPushedDownStayInTheirPage) {
  // Samples 0.1 m apart at 1:100 are 1 mm apart: their numbers are pushed down, past the break.
  Borehole hole = TwoLayers();
  for (int i = 0; i < 150; ++i) {
    hole.samples.push_back({15 + i * 0.1, 15 + i * 0.1 + 0.05, DecimalText(i + 1)});
  }
  const LogSheets sheets = LayoutBoringLog(hole, {100, Paper::kA4, true});
  ASSERT_GE(sheets.pages.size(), 2U);
  for (const Page& page : sheets.pages) {
    for (const Primitive& item : page.items) {
      const auto* label = std::get_if<Label>(&item);
      if (!label) continue;
      // Between the headings' last line and the body's first text, and between the body's end
      // (279 mm) and the continued mark, there is no text.
      EXPECT_FALSE(label->at.y > 46.6 && label->at.y < kBodyTop + 1.4) << ToUtf8(label->text);
      EXPECT_FALSE(label->at.y > 279.01 && label->at.y < 284.9) << ToUtf8(label->text);
    }
  }
}

}  // namespace
}  // namespace tecris2nx::boringlog
