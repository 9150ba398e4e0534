// The Win32 window's layout is plain arithmetic: tested here on every platform, without Wine.
#include "app/win32/window_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tecris2nx::win32 {
namespace {

bool Inside(const LayoutRect& inner, const LayoutRect& outer) {
  return inner.x >= outer.x && inner.y >= outer.y &&
         inner.x + inner.width <= outer.x + outer.width &&
         inner.y + inner.height <= outer.y + outer.height;
}

bool Overlap(const LayoutRect& a, const LayoutRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(Win32LayoutTest, EveryControlShowsWholeAndAloneFromTheSmallestSizeUp) {
  const LayoutMetrics at100{16, 8, 12, 129, 110};
  const LayoutMetrics at200{32, 16, 24, 258, 220};
  const LayoutMetrics largeFont{24, 8, 12, 190, 160};
  struct Row {
    const char* name;
    LayoutMetrics metrics;
    int width, height;  // 0: the smallest client area
  };
  const Row rows[] = {
      {"smallest at 100 %", at100, 0, 0},         {"smallest at 200 %", at200, 0, 0},
      {"smallest, large font", largeFont, 0, 0},  {"start size", at100, 744, 541},
      {"start size at 200 %", at200, 1504, 1102}, {"full screen", at100, 1920, 1040},
      {"wide and low", at100, 3000, 0},           {"narrow and tall", at200, 0, 2000},
  };
  for (const Row& r : rows) {
    const LayoutRect least = MinimumClientSize(r.metrics);
    const LayoutRect client{0, 0, r.width ? r.width : least.width,
                            r.height ? r.height : least.height};
    const MainLayout l = LayOutMainWindow(client.width, client.height, r.metrics);
    // Frames hold the controls drawn inside them; every other control stands alone.
    const std::vector<std::pair<const LayoutRect*, std::vector<const LayoutRect*>>> frames = {
        {&l.frame1, {&l.drive1, &l.dir1}},
        {&l.frame2, {&l.drive2, &l.dir2, &l.list1, &l.selectionCount}},
        {&l.frame3, {&l.label3}},
    };
    std::vector<std::pair<std::string, const LayoutRect*>> alone = {
        {"frame1", &l.frame1},   {"frame2", &l.frame2},
        {"label1", &l.label1},   {"text1", &l.text1},
        {"label2", &l.label2},   {"text2", &l.text2},
        {"frame3", &l.frame3},   {"patternLine", &l.patternLine},
        {"details", &l.details}, {"failuresOnly", &l.failuresOnly},
        {"stop", &l.stop},       {"execute", &l.execute},
        {"exit", &l.exit},       {"boringLog", &l.boringLog},
        {"report", &l.report},
    };
    for (const auto& [name, rect] : alone) {
      EXPECT_TRUE(Inside(*rect, client)) << r.name << ": " << name;
      EXPECT_GT(rect->width, 0) << r.name << ": " << name;
      EXPECT_GT(rect->height, 0) << r.name << ": " << name;
      for (const auto& [other, otherRect] : alone) {
        if (name < other) {
          EXPECT_FALSE(Overlap(*rect, *otherRect)) << r.name << ": " << name << ", " << other;
        }
      }
    }
    for (const auto& [frame, children] : frames) {
      for (std::size_t i = 0; i < children.size(); ++i) {
        EXPECT_TRUE(Inside(*children[i], *frame)) << r.name << ": child " << i;
        EXPECT_GT(children[i]->width, 0) << r.name << ": child " << i;
        EXPECT_GT(children[i]->height, 0) << r.name << ": child " << i;
        for (std::size_t j = i + 1; j < children.size(); ++j) {
          EXPECT_FALSE(Overlap(*children[i], *children[j])) << r.name << ": " << i << ", " << j;
        }
      }
    }
    // The file list shows whole names, the trees and lists at least a few lines.
    EXPECT_GE(l.list1.width, r.metrics.fileNameWidth) << r.name;
    for (const LayoutRect* list : {&l.dir1, &l.dir2, &l.list1, &l.details}) {
      EXPECT_GE(list->height, 2 * r.metrics.unit) << r.name;
    }
  }
}

}  // namespace
}  // namespace tecris2nx::win32
