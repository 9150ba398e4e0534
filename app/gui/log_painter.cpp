#include "app/gui/log_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <type_traits>

namespace tecris2nx {

const char* const kLogFontFamilies[] = {"IPAGothic", "Yu Gothic", "MS Gothic", "sans-serif",
                                        nullptr};

namespace {

/// A label's text with what no page can show (control characters, surrogates, non-characters) as
/// U+FFFD, as the SVG shows it: every format draws the same sheet.
QString ToQString(const Text& text) {
  Text shown = text;
  for (char32_t& c : shown) {
    if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF || c == 0xFFFE || c == 0xFFFF) {
      c = 0xFFFD;
    }
  }
  return QString::fromStdU32String(shown);
}

using namespace boringlog;

QColor ToQColor(Colour colour) {
  return QColor((colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff);
}

QFont LogFont(FontRole role, double pixels) {
  QFont font;
  QStringList families;
  for (const char* const* name = kLogFontFamilies; *name; ++name) families << *name;
  font.setFamilies(families);
  font.setPixelSize(std::max(1, static_cast<int>(pixels + 0.5)));
  font.setBold(role == FontRole::kTitle || role == FontRole::kHeading);
  return font;
}

class Painter {
 public:
  Painter(QPainter& painter, double k) : p_(painter), k_(k) {}

  QPointF At(const Point& point) const { return QPointF(point.x * k_, point.y * k_); }

  void SetPen(const Pen& pen) {
    if (pen.width <= 0) {
      p_.setPen(Qt::NoPen);
      return;
    }
    QPen qpen(ToQColor(pen.colour), pen.width * k_);
    qpen.setCapStyle(Qt::FlatCap);
    qpen.setJoinStyle(Qt::MiterJoin);
    p_.setPen(qpen);
  }
  void SetFill(const Fill& fill) {
    if (fill.filled) {
      p_.setBrush(ToQColor(fill.colour));
    } else {
      p_.setBrush(Qt::NoBrush);
    }
  }
  QPolygonF Points(const std::vector<Point>& points) const {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const Point& point : points) polygon << At(point);
    return polygon;
  }

  void operator()(const Line& line) {
    SetPen(line.pen);
    p_.drawLine(At(line.from), At(line.to));
  }
  void operator()(const Polyline& line) {
    SetPen(line.pen);
    p_.drawPolyline(Points(line.points));
  }
  void operator()(const Rectangle& rect) {
    SetPen(rect.pen);
    SetFill(rect.fill);
    p_.drawRect(QRectF(At(rect.topLeft), QSizeF(rect.width * k_, rect.height * k_)));
  }
  void operator()(const Polygon& polygon) {
    SetPen(polygon.pen);
    SetFill(polygon.fill);
    p_.drawPolygon(Points(polygon.points));
  }
  void operator()(const Circle& circle) {
    SetPen(circle.pen);
    SetFill(circle.fill);
    p_.drawEllipse(At(circle.centre), circle.radius * k_, circle.radius * k_);
  }
  void operator()(const Label& label) {
    const QFont font = LogFont(label.role, label.size * k_);
    const QString text = ToQString(label.text);
    QPointF at = At(label.at);
    if (label.anchor != Anchor::kStart) {
      const double width = QFontMetricsF(font, p_.device()).horizontalAdvance(text);
      at.rx() -= label.anchor == Anchor::kMiddle ? width / 2 : width;
    }
    p_.setFont(font);
    p_.setPen(ToQColor(label.colour));
    p_.drawText(at, text);
  }

 private:
  QPainter& p_;
  double k_;
};

/// The millimetres a primitive covers, roughly (texts by a generous guess), for skipping what
/// lies outside the visible part.
QRectF Bounds(const Primitive& item) {
  const auto span = [](const std::vector<Point>& points) {
    if (points.empty()) return QRectF();
    double x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
    for (const Point& point : points) {
      x0 = std::min(x0, point.x);
      x1 = std::max(x1, point.x);
      y0 = std::min(y0, point.y);
      y1 = std::max(y1, point.y);
    }
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
  };
  return std::visit(
      [&](const auto& p) -> QRectF {
        using T = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<T, Line>) {
          return span({p.from, p.to});
        } else if constexpr (std::is_same_v<T, Polyline> || std::is_same_v<T, Polygon>) {
          return span(p.points);
        } else if constexpr (std::is_same_v<T, Rectangle>) {
          return QRectF(p.topLeft.x, p.topLeft.y, p.width, p.height);
        } else if constexpr (std::is_same_v<T, Circle>) {
          return QRectF(p.centre.x - p.radius, p.centre.y - p.radius, 2 * p.radius, 2 * p.radius);
        } else {
          const double width = p.size * static_cast<double>(p.text.size());
          return QRectF(p.at.x - width, p.at.y - p.size, 2 * width, 1.5 * p.size);
        }
      },
      item);
}

}  // namespace

void PaintLogPage(QPainter& painter, const Page& page, double unitsPerMillimetre,
                  const QRectF& visible) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  Painter paint(painter, unitsPerMillimetre);
  const bool all = visible.isEmpty();
  // Pen widths make a line poke out of its bounds a little.
  const QRectF shown = visible.adjusted(-1, -1, 1, 1);
  for (const Primitive& item : page.items) {
    if (!all && !Bounds(item).adjusted(-0.5, -0.5, 0.5, 0.5).intersects(shown)) continue;
    std::visit(paint, item);
  }
  painter.restore();
}

}  // namespace tecris2nx
