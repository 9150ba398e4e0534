#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "common/text.h"

namespace tecris2nx::boringlog {

/// Millimetres on the paper, y downwards from the page's top left corner.
struct Point {
  double x = 0;
  double y = 0;
};

/// 0xRRGGBB.
using Colour = std::uint32_t;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xffffff;
inline constexpr Colour kRed = 0xd01010;
inline constexpr Colour kGridGrey = 0xb0b0b0;
inline constexpr Colour kNeutralGrey = 0xc8c8c8;

/// A stroke of this width; 0 draws no stroke.
struct Pen {
  double width = 0.2;
  Colour colour = kBlack;
};

struct Line {
  Point from;
  Point to;
  Pen pen;
};

struct Polyline {
  std::vector<Point> points;
  Pen pen;
};

/// A filled shape; `filled` false leaves its inside open.
struct Fill {
  bool filled = false;
  Colour colour = kWhite;
};

struct Rectangle {
  Point topLeft;
  double width = 0;
  double height = 0;
  Pen pen;
  Fill fill;
};

struct Polygon {
  std::vector<Point> points;
  Pen pen;
  Fill fill;
};

struct Circle {
  Point centre;
  double radius = 0;
  Pen pen;
  Fill fill;
};

enum class Anchor { kStart, kMiddle, kEnd };
/// Which of the sheet's faces a text is set in; all are the same Gothic list today.
enum class FontRole { kTitle, kHeading, kBody, kSmall };

/// One line of text; `at` is the left, centre or right end of its baseline.
struct Label {
  Point at;
  Text text;
  double size = 2.5;  ///< em height in millimetres
  Anchor anchor = Anchor::kStart;
  FontRole role = FontRole::kBody;
  Colour colour = kBlack;
};

using Primitive = std::variant<Line, Polyline, Rectangle, Polygon, Circle, Label>;

/// One sheet: a paged log's page, or the whole log as one continuous sheet.
struct Page {
  double width = 0;
  double height = 0;
  std::vector<Primitive> items;
};

}  // namespace tecris2nx::boringlog
