#include "app/win32/log_painter.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/wide_text.h"

namespace tecris2nx {

namespace bl = boringlog;

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
}

GdiplusSession::~GdiplusSession() {
  if (started_) Gdiplus::GdiplusShutdown(token_);
}

std::wstring LogFontFamilyName() {
  for (const wchar_t* name : {L"Yu Gothic", L"MS Gothic", L"IPAGothic", L"IPAexGothic"}) {
    const Gdiplus::FontFamily family(name);
    if (family.GetLastStatus() == Gdiplus::Ok && family.IsAvailable()) return name;
  }
  return {};
}

namespace {

Gdiplus::Color ToColor(bl::Colour colour) {
  return Gdiplus::Color(255, static_cast<BYTE>(colour >> 16), static_cast<BYTE>(colour >> 8),
                        static_cast<BYTE>(colour));
}

std::vector<Gdiplus::PointF> ToPoints(const std::vector<bl::Point>& points) {
  std::vector<Gdiplus::PointF> out;
  out.reserve(points.size());
  for (const bl::Point& p : points) {
    out.emplace_back(static_cast<Gdiplus::REAL>(p.x), static_cast<Gdiplus::REAL>(p.y));
  }
  return out;
}

Gdiplus::REAL R(double value) { return static_cast<Gdiplus::REAL>(value); }

/// A label's text with what no page can show (control characters, surrogates, non-characters) as
/// U+FFFD, as the SVG shows it: every format draws the same sheet.
std::wstring Printable(const Text& text) {
  Text shown = text;
  for (char32_t& c : shown) {
    if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF || c == 0xFFFE || c == 0xFFFF) {
      c = 0xFFFD;
    }
  }
  return ToWide(shown);
}

/// Paints in millimetres: the world transform carries the scale, so pens and fonts are sized
/// in millimetres too.
class Painter {
 public:
  Painter(Gdiplus::Graphics& graphics, double pixelsPerMm)
      : g_(graphics), pixel_(1 / std::max(pixelsPerMm, 1e-6)) {
    const std::wstring name = LogFontFamilyName();
    family_ = name.empty() ? Gdiplus::FontFamily::GenericSansSerif()->Clone()
                           : new Gdiplus::FontFamily(name.c_str());
  }
  ~Painter() { delete family_; }
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  void operator()(const bl::Line& line) {
    if (line.pen.width <= 0) return;
    Gdiplus::Pen pen(ToColor(line.pen.colour), Width(line.pen));
    g_.DrawLine(&pen, R(line.from.x), R(line.from.y), R(line.to.x), R(line.to.y));
  }
  void operator()(const bl::Polyline& line) {
    if (line.pen.width <= 0 || line.points.size() < 2) return;
    Gdiplus::Pen pen(ToColor(line.pen.colour), Width(line.pen));
    pen.SetLineJoin(Gdiplus::LineJoinRound);
    const auto points = ToPoints(line.points);
    g_.DrawLines(&pen, points.data(), static_cast<INT>(points.size()));
  }
  void operator()(const bl::Rectangle& rect) {
    const Gdiplus::RectF area(R(rect.topLeft.x), R(rect.topLeft.y), R(rect.width), R(rect.height));
    if (rect.fill.filled) {
      Gdiplus::SolidBrush brush(ToColor(rect.fill.colour));
      g_.FillRectangle(&brush, area);
    }
    if (rect.pen.width > 0) {
      Gdiplus::Pen pen(ToColor(rect.pen.colour), Width(rect.pen));
      g_.DrawRectangle(&pen, area);
    }
  }
  void operator()(const bl::Polygon& shape) {
    if (shape.points.size() < 3) return;
    const auto points = ToPoints(shape.points);
    if (shape.fill.filled) {
      Gdiplus::SolidBrush brush(ToColor(shape.fill.colour));
      g_.FillPolygon(&brush, points.data(), static_cast<INT>(points.size()));
    }
    if (shape.pen.width > 0) {
      Gdiplus::Pen pen(ToColor(shape.pen.colour), Width(shape.pen));
      g_.DrawPolygon(&pen, points.data(), static_cast<INT>(points.size()));
    }
  }
  void operator()(const bl::Circle& circle) {
    if (circle.radius <= 0) return;
    const double radius = std::max(circle.radius, kLeastDot / 2 * pixel_);
    const Gdiplus::RectF box(R(circle.centre.x - radius), R(circle.centre.y - radius),
                             R(2 * radius), R(2 * radius));
    if (circle.fill.filled) {
      Gdiplus::SolidBrush brush(ToColor(circle.fill.colour));
      g_.FillEllipse(&brush, box);
    }
    if (circle.pen.width > 0) {
      Gdiplus::Pen pen(ToColor(circle.pen.colour), Width(circle.pen));
      g_.DrawEllipse(&pen, box);
    }
  }
  void operator()(const bl::Label& label) {
    if (label.text.empty() || label.size <= 0) return;
    const std::wstring text = Printable(label.text);
    const INT style = label.role == bl::FontRole::kTitle || label.role == bl::FontRole::kHeading
                          ? Gdiplus::FontStyleBold
                          : Gdiplus::FontStyleRegular;
    Gdiplus::Font font(family_, R(label.size), style, Gdiplus::UnitWorld);
    // `at` is on the baseline; GDI+ places a string by the top of its line.
    const double ascent = label.size * family_->GetCellAscent(style) /
                          std::max<double>(1, family_->GetEmHeight(style));
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    format.SetFormatFlags(format.GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap |
                          Gdiplus::StringFormatFlagsNoClip |
                          Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    format.SetAlignment(label.anchor == bl::Anchor::kStart    ? Gdiplus::StringAlignmentNear
                        : label.anchor == bl::Anchor::kMiddle ? Gdiplus::StringAlignmentCenter
                                                              : Gdiplus::StringAlignmentFar);
    Gdiplus::SolidBrush brush(ToColor(label.colour));
    g_.DrawString(text.c_str(), static_cast<INT>(text.size()), &font,
                  Gdiplus::PointF(R(label.at.x), R(label.at.y - ascent)), &format, &brush);
  }

 private:
  // GDI+ rounds the outline of a shape to whole pixels before filling it: a pen narrower than a
  // pixel or a dot of less than two comes out empty where it falls between pixels, so that a
  // screen's resolution loses borders and whole bands of a pattern's dots. At print resolution
  // nothing is this small.
  static constexpr double kLeastPen = 1.0;
  static constexpr double kLeastDot = 2.5;
  Gdiplus::REAL Width(const bl::Pen& pen) const {
    return R(std::max(pen.width, kLeastPen * pixel_));
  }

  Gdiplus::Graphics& g_;
  double pixel_;  ///< millimetres to the device pixel
  Gdiplus::FontFamily* family_ = nullptr;
};

/// The encoder GDI+ registers for `mime`.
bool EncoderFor(const wchar_t* mime, CLSID* clsid) {
  UINT count = 0;
  UINT bytes = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring_view(codecs[i].MimeType) == mime) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

void PaintLogPage(Gdiplus::Graphics& graphics, const bl::Page& page, double pixelsPerMm,
                  double left, double top) {
  const Gdiplus::GraphicsState saved = graphics.Save();
  graphics.SetPageUnit(Gdiplus::UnitPixel);
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
  graphics.TranslateTransform(R(left), R(top));
  graphics.ScaleTransform(R(pixelsPerMm), R(pixelsPerMm));
  graphics.SetClip(Gdiplus::RectF(0, 0, R(page.width), R(page.height)),
                   Gdiplus::CombineModeIntersect);
  Painter painter(graphics, pixelsPerMm);
  for (const bl::Primitive& item : page.items) std::visit(painter, item);
  graphics.Restore(saved);
}

std::string EncodeLogPagePng(const bl::Page& page, int dpi, std::string* error) {
  const auto fail = [&](const char* what) {
    if (error) *error = what;
    return std::string();
  };
  const double pixelsPerMm = dpi / 25.4;
  const double width = std::ceil(page.width * pixelsPerMm);
  const double height = std::ceil(page.height * pixelsPerMm);
  // GDI+ bitmaps are limited by memory and by INT sizes; a log this large is paged instead.
  if (width < 1 || height < 1 || width * height > 400e6) return fail("画像が大きすぎます");
  Gdiplus::Bitmap bitmap(static_cast<INT>(width), static_cast<INT>(height), PixelFormat24bppRGB);
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return fail("画像を作成できません");
  bitmap.SetResolution(static_cast<Gdiplus::REAL>(dpi), static_cast<Gdiplus::REAL>(dpi));
  {
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
    PaintLogPage(graphics, page, pixelsPerMm);
  }
  CLSID png;
  if (!EncoderFor(L"image/png", &png)) return fail("PNG の書き出し機能がありません");
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) return fail("メモリが足りません");
  std::string bytes;
  if (bitmap.Save(stream, &png, nullptr) == Gdiplus::Ok) {
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (GetHGlobalFromStream(stream, &memory) == S_OK &&
        stream->Stat(&stat, STATFLAG_NONAME) == S_OK) {
      if (const void* data = GlobalLock(memory)) {
        bytes.assign(static_cast<const char*>(data),
                     static_cast<std::size_t>(stat.cbSize.QuadPart));
        GlobalUnlock(memory);
      }
    }
  }
  stream->Release();
  if (bytes.empty()) return fail("PNG を書き出せません");
  return bytes;
}

}  // namespace tecris2nx
