#include "log/svg_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "common/text.h"

namespace tecris2nx::boringlog {

const char kSvgFontFamily[] = "IPAGothic, 'Yu Gothic', 'MS Gothic', sans-serif";

namespace {

// Defaults of the root group: an element writes only what differs from them.
constexpr double kDefaultStroke = 0.15;

/// Collects the document's small pieces in a buffer of its own and hands them on in blocks:
/// a sheet is made of hundreds of thousands of them.
class Sink {
 public:
  explicit Sink(std::string& out) : out_(out) {}
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;
  void operator+=(char c) {
    Room(1);
    *end_++ = c;
  }
  void operator+=(std::string_view text) { append(text.data(), text.data() + text.size()); }
  void append(const char* begin, const char* end) {
    const auto size = static_cast<std::size_t>(end - begin);
    if (size > kSize) {
      Flush();
      out_.append(begin, end);
      return;
    }
    Room(size);
    std::memcpy(end_, begin, size);
    end_ += size;
  }
  /// Room for `size` characters written at the pointer returned, then handed back by Commit.
  char* Reserve(std::size_t size) {
    Room(size);
    return end_;
  }
  void Commit(char* end) { end_ = end; }
  void Flush() {
    out_.append(buffer_, end_);
    end_ = buffer_;
  }

 private:
  static constexpr std::size_t kSize = 8192;
  void Room(std::size_t size) {
    if (static_cast<std::size_t>(buffer_ + kSize - end_) < size) Flush();
  }
  std::string& out_;
  char buffer_[kSize];
  char* end_ = buffer_;
};

/// Hundredths of a millimetre, without trailing zeros: the same value always gives the same text.
/// Written from the whole number of hundredths into `p`, which has room for 24 characters;
/// nullptr for a number beyond any sheet. A sheet has hundreds of thousands of numbers:
/// formatting each as a floating-point one took a third of the time of drawing the SVG.
char* WriteNumber(char* p, double value) {
  const double hundredths = std::round(value * 100);
  if (!(std::fabs(hundredths) < 1e15)) return nullptr;
  auto n = static_cast<long long>(hundredths);
  if (n < 0) {
    *p++ = '-';
    n = -n;
  }
  p = std::to_chars(p, p + 20, n / 100).ptr;
  const int tenths = static_cast<int>(n % 100) / 10;
  const int last = static_cast<int>(n % 10);
  if (tenths == 0 && last == 0) return p;
  *p++ = '.';
  *p++ = static_cast<char>('0' + tenths);
  if (last != 0) *p++ = static_cast<char>('0' + last);
  return p;
}

void AppendNumber(Sink& out, double value) {
  char buffer[512];
  if (char* end = WriteNumber(buffer, value)) {
    out.append(buffer, end);
    return;
  }
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::round(value * 100) / 100,
                                    std::chars_format::fixed, 2);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  while (text.back() == '0') text.remove_suffix(1);
  if (text.back() == '.') text.remove_suffix(1);
  out += text;
}

/// ` name="value"`, written in one piece.
template <std::size_t N>
void Attribute(Sink& out, const char (&name)[N], double value) {
  char* const start = out.Reserve(N + 32);
  char* p = start;
  *p++ = ' ';
  std::memcpy(p, name, N - 1);
  p += N - 1;
  *p++ = '=';
  *p++ = '"';
  char* end = WriteNumber(p, value);
  if (!end) {
    out.Commit(p);
    AppendNumber(out, value);
    out += '"';
    return;
  }
  *end++ = '"';
  out.Commit(end);
}

void AppendColour(Sink& out, Colour colour) {
  static const char kHex[] = "0123456789abcdef";
  out += '#';
  for (int shift = 20; shift >= 0; shift -= 4) out += kHex[(colour >> shift) & 0xf];
}

void ColourAttribute(Sink& out, const char* name, Colour colour) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendColour(out, colour);
  out += '"';
}

void PenAndFill(Sink& out, const Pen& pen, const Fill& fill) {
  if (pen.width <= 0) {
    out += " stroke=\"none\"";
  } else {
    if (pen.colour != kBlack) ColourAttribute(out, "stroke", pen.colour);
    if (pen.width != kDefaultStroke) Attribute(out, "stroke-width", pen.width);
  }
  if (fill.filled) ColourAttribute(out, "fill", fill.colour);
}

void Points(Sink& out, const std::vector<Point>& points) {
  out += " points=\"";
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (i != 0) out += ' ';
    AppendNumber(out, points[i].x);
    out += ',';
    AppendNumber(out, points[i].y);
  }
  out += '"';
}

void Write(Sink& out, const Line& line) {
  out += "<line";
  Attribute(out, "x1", line.from.x);
  Attribute(out, "y1", line.from.y);
  Attribute(out, "x2", line.to.x);
  Attribute(out, "y2", line.to.y);
  PenAndFill(out, line.pen, {});
  out += "/>\n";
}

void Write(Sink& out, const Polyline& line) {
  out += "<polyline";
  Points(out, line.points);
  PenAndFill(out, line.pen, {});
  out += "/>\n";
}

void Write(Sink& out, const Rectangle& rect) {
  out += "<rect";
  Attribute(out, "x", rect.topLeft.x);
  Attribute(out, "y", rect.topLeft.y);
  Attribute(out, "width", rect.width);
  Attribute(out, "height", rect.height);
  PenAndFill(out, rect.pen, rect.fill);
  out += "/>\n";
}

void Write(Sink& out, const Polygon& polygon) {
  out += "<polygon";
  Points(out, polygon.points);
  PenAndFill(out, polygon.pen, polygon.fill);
  out += "/>\n";
}

void Write(Sink& out, const Circle& circle) {
  out += "<circle";
  Attribute(out, "cx", circle.centre.x);
  Attribute(out, "cy", circle.centre.y);
  Attribute(out, "r", circle.radius);
  PenAndFill(out, circle.pen, circle.fill);
  out += "/>\n";
}

void Write(Sink& out, const Label& label) {
  out += "<text";
  Attribute(out, "x", label.at.x);
  Attribute(out, "y", label.at.y);
  Attribute(out, "font-size", label.size);
  if (label.anchor == Anchor::kMiddle) out += " text-anchor=\"middle\"";
  if (label.anchor == Anchor::kEnd) out += " text-anchor=\"end\"";
  if (label.role == FontRole::kTitle || label.role == FontRole::kHeading) {
    out += " font-weight=\"bold\"";
  }
  ColourAttribute(out, "fill", label.colour);
  out += " stroke=\"none\">";
  AppendXmlText(out, label.text, false);
  out += "</text>\n";
}

}  // namespace

std::string SvgDocument(const Page& page) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + SvgElement(page);
}

std::string SvgElement(const Page& page) {
  std::string document;
  document.reserve(80 * page.items.size() + 512);  // about 70 bytes an element: one allocation
  Sink out(document);
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
  AppendNumber(out, page.width);
  out += "mm\" height=\"";
  AppendNumber(out, page.height);
  out += "mm\" viewBox=\"0 0 ";
  AppendNumber(out, page.width);
  out += ' ';
  AppendNumber(out, page.height);
  out += "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  out += "<g fill=\"none\" stroke=\"#000000\" stroke-width=\"0.15\" font-family=\"";
  out += kSvgFontFamily;
  out += "\">\n";
  for (const Primitive& item : page.items) {
    std::visit([&out](const auto& shape) { Write(out, shape); }, item);
  }
  out += "</g>\n</svg>\n";
  out.Flush();
  return document;
}

}  // namespace tecris2nx::boringlog
