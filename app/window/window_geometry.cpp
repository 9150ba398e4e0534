#include "app/window/window_geometry.h"

#include <algorithm>

namespace tecris2nx {

namespace {

/// How much of a remembered window must lie on the area for its place to be kept.
constexpr int kVisibleWidth = 100;
constexpr int kVisibleHeight = 50;

int Overlap(int a, int aLength, int b, int bLength) {
  return std::max(0, std::min(a + aLength, b + bLength) - std::max(a, b));
}

int Fit(int wanted, int minimum, int room) {
  return std::max(1, std::min(std::max(wanted, minimum), room));
}

}  // namespace

WindowGeometry FitWindow(const std::optional<WindowGeometry>& remembered,
                         const WindowGeometry& area, const WindowGeometry& minimum,
                         const WindowGeometry& start) {
  const bool keepPlace =
      remembered &&
      Overlap(remembered->x, remembered->width, area.x, area.width) >= kVisibleWidth &&
      Overlap(remembered->y, remembered->height, area.y, area.height) >= kVisibleHeight;
  const WindowGeometry& wanted = keepPlace ? *remembered : start;
  WindowGeometry placed;
  placed.width = Fit(wanted.width, minimum.width, area.width);
  placed.height = Fit(wanted.height, minimum.height, area.height);
  if (keepPlace) {
    placed.x = std::clamp(wanted.x, area.x, area.x + area.width - placed.width);
    placed.y = std::clamp(wanted.y, area.y, area.y + area.height - placed.height);
  } else {
    placed.x = area.x + (area.width - placed.width) / 2;
    placed.y = area.y + (area.height - placed.height) / 2;
  }
  return placed;
}

}  // namespace tecris2nx
