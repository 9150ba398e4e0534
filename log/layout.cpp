#include "log/layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "common/formatting.h"
#include "log/column_placer.h"
#include "log/soil_pattern.h"

namespace tecris2nx::boringlog {

const std::vector<TextView> kColumnHeadings = {U"標尺",     U"深度", U"層厚",         U"柱状図",
                                               U"土質区分", U"色調", U"標準貫入試験", U"試料",
                                               U"試験深度", U"記事"};
const TextView kContinuedMark = U"（次頁へ続く）";

namespace {

constexpr double kMargin = 10;
constexpr double kTitleHeight = 24;
constexpr double kHeadingHeight = 14;
constexpr double kFooterHeight = 8;
constexpr double kText = 2.2;
constexpr double kSmallText = 1.8;
constexpr Pen kFrame{0.3, kBlack};
constexpr Pen kRule{0.15, kBlack};
constexpr Pen kGrid{0.1, kGridGrey};
/// A sheet's primitives are counted in thousands: growing the list from one wastes time.
constexpr std::size_t kItemsReserved = 2048;

enum Column {
  kScale,
  kDepth,
  kThickness,
  kSoilColumn,
  kSoilName,
  kColour,
  kBlowCount,
  kGraph,
  kSample,
  kTestDepth,
  kNotes,
  kColumns
};
// Millimetres; the notes take what the paper leaves.
constexpr double kWidths[kColumns] = {10, 12, 10, 18, 26, 18, 9, 37, 10, 16, 0};

/// Ems of a Gothic face: ASCII and half-width katakana are half an em.
double EmsOf(char32_t c) { return (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) ? 0.55 : 1.0; }

/// Lines of at most `width` millimetres.
std::vector<Text> Wrapped(TextView text, double width, double size) {
  std::vector<Text> lines(1);
  for (const char32_t c : text) {
    if (TextWidth(lines.back() + c, size) > width) lines.emplace_back();
    lines.back() += c;
  }
  return lines;
}

Text Fixed2(double metres) {
  // Hundredths as the Nx files give them; rounding, since the value is a single's.
  const double hundredths = std::round(metres * 100);
  Text text = NumberText(std::fabs(hundredths) / 100);
  if (text.find(U'.') == Text::npos) text += U".";
  while (text.size() - text.find(U'.') < 3) text += U"0";
  return (hundredths < 0 ? U"-" : U"") + text;
}

Colour HueOf(TextView name) {
  struct Hue {
    TextView name;
    Colour colour;
  };
  static constexpr Hue kHues[] = {{U"黒", 0x262626}, {U"褐", 0x8b5a2b}, {U"赤", 0xc0392b},
                                  {U"橙", 0xe67e22}, {U"黄", 0xe1c340}, {U"緑", 0x4a9a4a},
                                  {U"青", 0x3a66b0}, {U"紫", 0x7d4a9e}, {U"灰", 0x929292},
                                  {U"白", 0xf4f4f4}};
  for (const Hue& hue : kHues) {
    if (hue.name == name) return hue.colour;
  }
  return 0x1000000;  // no hue: a shade word such as 濃, 淡
}

}  // namespace

double TextWidth(TextView text, double size) {
  double ems = 0;
  for (const char32_t c : text) ems += EmsOf(c);
  return ems * size;
}

Label Fitted(Point at, Text text, double width, double size, Anchor anchor) {
  const double ems = TextWidth(text, 1);
  while (size > 1.5 && ems * size > width) size -= 0.1;
  if (ems * size > width) {
    const double ellipsis = EmsOf(U'…');
    double kept = 0;
    std::size_t cut = 0;
    while (cut < text.size() && (kept + EmsOf(text[cut]) + ellipsis) * size <= width) {
      kept += EmsOf(text[cut++]);
    }
    text.resize(cut);
    text += U"…";
  }
  return Label{at, std::move(text), size, anchor, FontRole::kBody, kBlack};
}

Fill ColourSwatch(const std::vector<Text>& names) {
  Colour hue = 0x1000000;
  double shade = 1;
  for (const Text& name : names) {
    const Colour c = HueOf(name);
    if (c != 0x1000000) hue = c;
    if (name == U"濃" || name == U"暗") shade = 0.7;
    if (name == U"淡") shade = 1.35;
  }
  if (hue == 0x1000000) return {};
  const auto channel = [&](int shift) {
    const double v = ((hue >> shift) & 0xff) * shade;
    return static_cast<Colour>(std::clamp(v, 0.0, 255.0)) << shift;
  };
  return {true, channel(16) | channel(8) | channel(0)};
}

namespace {

struct Geometry {
  double width = 0;
  double left[kColumns + 1] = {};
  double mm = 10;  ///< per metre
  double Right(int column) const { return left[column + 1]; }
  double Mid(int column) const { return (left[column] + left[column + 1]) / 2; }
};

Geometry GeometryFor(const LayoutOptions& options) {
  Geometry g;
  g.width = options.paper == Paper::kA3 ? 297 : 210;
  g.mm = MillimetresPerMetre(options.scale);
  double x = kMargin;
  for (int c = 0; c < kColumns; ++c) {
    g.left[c] = x;
    x += kWidths[c];
  }
  g.left[kColumns] = g.width - kMargin;
  return g;
}

class PageDrawer {
 public:
  PageDrawer(const Borehole& hole, const LayoutOptions& options, const Geometry& g, Page& page)
      : hole_(hole), options_(options), g_(g), out_(page.items) {}

  void Title(int pageNumber, int pages) {
    const double x = kMargin;
    const double y = kMargin;
    const double w = g_.width - 2 * kMargin;
    out_.push_back(Rectangle{{x, y}, w, kTitleHeight, kFrame, {}});
    out_.push_back(Label{{x + 3, y + 7}, U"ボーリング柱状図", 5, Anchor::kStart, FontRole::kTitle});
    Text right = U"縮尺 1:" + DecimalText(options_.scale);
    if (pages > 1) right += U"　　" + DecimalText(pageNumber) + U" / " + DecimalText(pages);
    out_.push_back(Label{{x + w - 3, y + 7}, right, 3, Anchor::kEnd, FontRole::kHeading});
    out_.push_back(Line{{x, y + 10}, {x + w, y + 10}, kRule});
    out_.push_back(Fitted({x + 3, y + 14.5},
                          U"識別子 " + hole_.identifier + U"　　ファイル " + hole_.fileName, w - 6,
                          kText + 0.4));
    out_.push_back(Fitted({x + 3, y + 18.5}, U"調査名 " + hole_.title, w - 6, kText + 0.4));
    out_.push_back(Fitted({x + 3, y + 22.5},
                          U"最深層 " + Fixed2(hole_.DeepestLayer()) + U" m　　PATDAT " +
                              hole_.patternFolder + U"　　作成日 " + hole_.dateDrawn,
                          w - 6, kText));
  }

  void Headings(double top) {
    const double bottom = top + kHeadingHeight;
    out_.push_back(Rectangle{{kMargin, top}, g_.width - 2 * kMargin, kHeadingHeight, kFrame, {}});
    for (int c = 0; c < kColumns; ++c) {
      if (c > 0 && c != kGraph)
        out_.push_back(Line{{g_.left[c], top}, {g_.left[c], bottom}, kRule});
      if (c == kBlowCount || c == kGraph) continue;
      const double w = g_.Right(c) - g_.left[c];
      Text heading(kColumnHeadings[static_cast<std::size_t>(c > kGraph ? c - 1 : c)]);
      if (c == kDepth || c == kThickness || c == kScale) {
        out_.push_back(Fitted({g_.Mid(c), top + 6}, heading, w - 1, kText, Anchor::kMiddle));
        out_.push_back(Label{{g_.Mid(c), top + 10}, U"(m)", kSmallText, Anchor::kMiddle});
      } else {
        out_.push_back(Fitted({g_.Mid(c), top + 8}, heading, w - 1, kText, Anchor::kMiddle));
      }
    }
    // 標準貫入試験 spans the blow count and the graph; under it the N axis.
    const double spt = (g_.left[kBlowCount] + g_.Right(kGraph)) / 2;
    out_.push_back(Label{{spt, top + 4.5}, U"標準貫入試験", kText, Anchor::kMiddle});
    out_.push_back(Line{{g_.left[kBlowCount], top + 6}, {g_.Right(kGraph), top + 6}, kRule});
    out_.push_back(Line{{g_.left[kGraph], top + 6}, {g_.left[kGraph], bottom}, kRule});
    out_.push_back(Label{{g_.Mid(kBlowCount), top + 11}, U"N値", kSmallText, Anchor::kMiddle});
    for (int n = 0; n <= 50; n += 10) {
      out_.push_back(Label{{GraphX(n), top + 12.5}, DecimalText(n), kSmallText, Anchor::kMiddle});
    }
  }

  double GraphX(double blows) const {
    const double l = g_.left[kGraph] + 2.5;
    const double r = g_.Right(kGraph) - 2.5;
    return l + std::clamp(blows, 0.0, 50.0) / 50 * (r - l);
  }

  /// Page `page` of the body laid out over `windows`.
  void Body(const std::vector<DepthWindow>& windows, int page) {
    w_ = windows[static_cast<std::size_t>(page)];
    page_ = page;
    placer_.emplace(windows, g_.mm);
    const DepthWindow& window = w_;
    const double top = window.bodyTop;
    const double bottom = Y(window.lastDepth);
    out_.push_back(Rectangle{{kMargin, top}, g_.width - 2 * kMargin, bottom - top, kFrame, {}});
    for (int c = 1; c < kColumns; ++c) {
      out_.push_back(Line{{g_.left[c], top}, {g_.left[c], bottom}, kRule});
    }
    for (int n = 10; n < 50; n += 10) {
      out_.push_back(Line{{GraphX(n), top}, {GraphX(n), bottom}, kGrid});
    }
    ScaleTicks();
    Layers();
    Colours();
    Penetrations();
    Samples();
    Marks();
    Notes();
  }

  void Continued(double pageHeight) {
    out_.push_back(Label{{g_.width - kMargin, pageHeight - kMargin - 2},
                         Text(kContinuedMark),
                         kText + 0.4,
                         Anchor::kEnd,
                         FontRole::kHeading});
  }

  /// The legend of the patterns on the sheet and of the test marks; returns its height.
  double Legend(double top, bool draw) {
    std::vector<SoilPattern> used;
    for (const LogLayer& layer : hole_.layers) {
      const SoilLook look = SoilLookOf(layer.code, layer.fileName);
      for (const SoilPattern p : {look.base, look.qualifier, look.admixture}) {
        if (p != SoilPattern::kNone && std::find(used.begin(), used.end(), p) == used.end()) {
          used.push_back(p);
        }
      }
    }
    const double cell = 44;
    const int perRow = std::max(1, static_cast<int>((g_.width - 2 * kMargin) / cell));
    const int rows = (static_cast<int>(used.size()) + perRow - 1) / perRow;
    const double height = 6 + rows * 9 + 8;
    if (!draw) return height;
    out_.push_back(
        Label{{kMargin, top + 4}, U"凡例", kText + 0.4, Anchor::kStart, FontRole::kHeading});
    for (std::size_t i = 0; i < used.size(); ++i) {
      const double x = kMargin + static_cast<double>(i % perRow) * cell;
      const double y = top + 6 + static_cast<double>(i / perRow) * 9;
      DrawSoilLook({used[i]}, x, y, x + 12, y + 7, y, out_);
      out_.push_back(Rectangle{{x, y}, 12, 7, kRule, {}});
      out_.push_back(Label{{x + 14, y + 4.8}, Text(SoilPatternName(used[i])), kText});
    }
    out_.push_back(Label{{kMargin, top + height - 2},
                         U"試験深度: E → L209（深度）　F → L204（区間）　G, H → L201（区間）",
                         kText});
    return height;
  }

 private:
  double Y(double depth) const { return w_.bodyTop + (depth - w_.firstDepth) * g_.mm; }
  /// A baseline inside the page's body: a scale number above the page's first depth is left
  /// out rather than drawn over the frame.
  bool InBody(double baseline) const {
    return baseline >= w_.bodyTop + kText * 0.8 && baseline <= Y(w_.lastDepth) + 1e-9;
  }
  bool In(double depth) const { return depth >= w_.firstDepth && depth <= w_.lastDepth; }
  /// The part of [a, b] on this page, as y; false when none.
  bool Span(double a, double b, double& y0, double& y1) const {
    const double lo = std::max(std::min(a, b), w_.firstDepth);
    const double hi = std::min(std::max(a, b), w_.lastDepth);
    if (hi < lo) return false;
    y0 = Y(lo);
    y1 = Y(hi);
    return true;
  }

  void ScaleTicks() {
    const double right = g_.Right(kScale);
    const long long first = static_cast<long long>(std::ceil(w_.firstDepth * 10 - 1e-6));
    const long long last = static_cast<long long>(std::floor(w_.lastDepth * 10 + 1e-6));
    for (long long t = first; t <= last; ++t) {
      const double y = Y(static_cast<double>(t) / 10);
      const bool metre = t % 10 == 0;
      out_.push_back(Line{{right - (metre ? 3 : 1.4), y}, {right, y}, {metre ? 0.2 : 0.1, kBlack}});
      if (metre && t / 10 != 0 && InBody(y - 0.3)) {
        // Above its tick, so that the last one stays inside the frame.
        out_.push_back(Label{{right - 3.4, y - 0.3}, DecimalText(t / 10), kText, Anchor::kEnd});
      }
    }
  }

  void Layers() {
    const double originY = Y(0);
    for (const LogLayer& layer : hole_.layers) {
      double y0 = 0;
      double y1 = 0;
      if (Span(layer.top, layer.bottom, y0, y1)) {
        DrawSoilLook(SoilLookOf(layer.code, layer.fileName), g_.left[kSoilColumn], y0,
                     g_.Right(kSoilColumn), y1, originY, out_);
      }
      if (!In(layer.bottom)) continue;
      const double y = Y(layer.bottom);
      const Pen pen = layer.bottom <= layer.top ? Pen{0.3, kRed} : kRule;
      out_.push_back(Line{{g_.left[kDepth], y}, {g_.Right(kSoilName), y}, pen});
    }
    LayerNames();
    LayerDepths();
  }

  /// Each layer's name in the middle of its part on each page, the file's own name below it.
  void LayerNames() {
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < hole_.layers.size(); ++i) {
      const LogLayer& layer = hole_.layers[i];
      placer_->Parts(layer.top, layer.bottom, [&](double y0, double y1) {
        const double y = (y0 + y1) / 2 + 0.8;
        wanted.push_back({y, y, i, 0});
        if (SecondName(layer)) wanted.push_back({y, y + kSmallText + 0.3, i, 1});
      });
    }
    const double width = g_.Right(kSoilName) - g_.left[kSoilName] - 2;
    for (const Here& here : Placements(wanted, kText + 0.3, kText)) {
      const LogLayer& layer = hole_.layers[here.item];
      const Point at{g_.left[kSoilName] + 1, here.y};
      if (here.line == 1) {
        out_.push_back(Fitted(at, U"（" + layer.fileName + U"）", width, kSmallText));
      } else {
        out_.push_back(
            Fitted(at, layer.soilName.empty() ? U"（" + layer.fileName + U"）" : layer.soilName,
                   width, kText));
      }
    }
  }

  static bool SecondName(const LogLayer& layer) {
    return !layer.soilName.empty() && layer.fileName != layer.soilName && !layer.fileName.empty();
  }

  /// Each boundary's depth and the thickness above it, just above its line.
  void LayerDepths() {
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < hole_.layers.size(); ++i) {
      const double y = placer_->At(hole_.layers[i].bottom) - 0.5;
      wanted.push_back({y, y, i, 0});
    }
    for (const Here& here : Placements(wanted, kText, kText)) {
      const LogLayer& layer = hole_.layers[here.item];
      const double text = here.y;
      if (In(layer.bottom) && text > Y(layer.bottom) + 0.2) {
        const double y = Y(layer.bottom);
        out_.push_back(Line{{g_.left[kDepth], y}, {g_.left[kDepth] + 1.5, text - 0.8}, kRule});
      }
      const Colour colour = layer.bottom <= layer.top ? kRed : kBlack;
      out_.push_back(Label{{g_.Right(kDepth) - 1, text},
                           Fixed2(layer.bottom),
                           kText,
                           Anchor::kEnd,
                           FontRole::kBody,
                           colour});
      out_.push_back(Label{{g_.Right(kThickness) - 1, text},
                           Fixed2(layer.bottom - layer.top),
                           kText,
                           Anchor::kEnd,
                           FontRole::kBody,
                           colour});
    }
  }

  void Colours() {
    for (const LogColour& colour : hole_.colours) {
      if (In(colour.bottom)) {
        const double y = Y(colour.bottom);
        out_.push_back(Line{{g_.left[kColour], y}, {g_.Right(kColour), y}, kRule});
      }
    }
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < hole_.colours.size(); ++i) {
      placer_->Parts(hole_.colours[i].top, hole_.colours[i].bottom, [&](double y0, double y1) {
        const double y = (y0 + y1) / 2 + 0.8;
        wanted.push_back({y, y, i, 0});
      });
    }
    for (const Here& here : Placements(wanted, kText + 0.3, kText)) {
      const LogColour& colour = hole_.colours[here.item];
      const double y = here.y;
      const Fill swatch = ColourSwatch(colour.names);
      if (swatch.filled) {
        out_.push_back(Rectangle{{g_.left[kColour] + 1, y - 2}, 2.6, 2.6, kRule, swatch});
      }
      Text text;
      for (const Text& name : colour.names) text += name;
      if (text.empty()) text = colour.letters;
      const double x = g_.left[kColour] + 4.6;
      out_.push_back(Fitted({x, y}, text, g_.Right(kColour) - x - 1, kText));
    }
  }

  void Penetrations() {
    Polyline graph{{}, {0.25, kBlack}};
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < hole_.penetrations.size(); ++i) {
      const LogPenetration& test = hole_.penetrations[i];
      const double y = placer_->At(test.depth) + 0.8;
      wanted.push_back({y, y, i, 0});
      if (!In(test.depth)) continue;
      const double x = GraphX(test.stopped ? 50 : test.blows);
      graph.points.push_back({x, Y(test.depth)});
      out_.push_back(Circle{{x, Y(test.depth)}, 0.6, {0.15, kBlack}, {true, kBlack}});
    }
    for (const Here& here : Placements(wanted, kText, kText)) {
      out_.push_back(Fitted({g_.Mid(kBlowCount), here.y}, hole_.penetrations[here.item].label,
                            g_.Right(kBlowCount) - g_.left[kBlowCount] - 0.6, kText,
                            Anchor::kMiddle));
    }
    if (graph.points.size() >= 2) out_.push_back(std::move(graph));
  }

  void Samples() {
    const double x = g_.left[kSample] + 1.5;
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < hole_.samples.size(); ++i) {
      const LogSample& sample = hole_.samples[i];
      const double y = placer_->At(sample.top) + kSmallText * 0.8;
      wanted.push_back({y, y, i, 0});
      double y0 = 0;
      double y1 = 0;
      if (!Span(sample.top, sample.bottom, y0, y1)) continue;
      out_.push_back(Rectangle{{x, y0}, 2.2, std::max(y1 - y0, 0.3), kRule, {true, 0x606060}});
    }
    // The number beside the bar, cut to the column: the test depths' marks begin right after.
    const double width = g_.Right(kSample) - (x + 3) - 0.3;
    for (const Here& here : Placements(wanted, kSmallText, kSmallText)) {
      out_.push_back(Fitted({x + 3, here.y}, hole_.samples[here.item].number, width, kSmallText));
    }
  }
  void Marks() {
    const double lane = (g_.Right(kTestDepth) - g_.left[kTestDepth]) / 4;
    for (const LogTestMark& mark : hole_.marks) {
      double y0 = 0;
      double y1 = 0;
      if (!Span(mark.top, mark.bottom, y0, y1)) continue;
      const int index = mark.section == U'E'   ? 0
                        : mark.section == U'F' ? 1
                        : mark.section == U'G' ? 2
                                               : 3;
      const double x = g_.left[kTestDepth] + lane * index + 0.6;
      const bool odd = mark.bottom < mark.top;
      const Colour colour = odd ? kRed : kBlack;
      if (mark.section == U'E') {
        out_.push_back(
            Polygon{{{x, y0 - 0.7}, {x + 1.4, y0}, {x, y0 + 0.7}}, {0, kBlack}, {true, colour}});
      } else {
        out_.push_back(Rectangle{
            {x, y0}, 1.0, std::max(y1 - y0, 0.3), {0.1, colour}, {true, odd ? kRed : 0x404040}});
      }
      if (In(std::min(mark.top, mark.bottom))) {
        out_.push_back(Label{{x + 1.6, y0 + 1.4},
                             Text(1, mark.section),
                             kSmallText,
                             Anchor::kStart,
                             FontRole::kSmall,
                             colour});
      }
    }
  }

  /// Each note beside its depth, in the order of the depths; its lines stay together.
  void Notes() {
    const double x = g_.left[kNotes] + 2.6;
    const double width = g_.Right(kNotes) - x - 1;
    std::vector<std::vector<Text>> lines(hole_.notes.size());
    std::vector<Wanted> wanted;
    for (std::size_t i = 0; i < hole_.notes.size(); ++i) {
      const LogNote& note = hole_.notes[i];
      const double y = placer_->At(note.depth) + 0.7;
      lines[i] = Wrapped(note.text, width, kSmallText);
      for (std::size_t line = 0; line < lines[i].size(); ++line) {
        wanted.push_back({y, y, i, static_cast<int>(line)});
      }
      if (!note.odd || !In(note.depth)) continue;
      const double at = Y(note.depth);
      out_.push_back(Polygon{{{g_.left[kNotes] + 0.5, at - 0.8},
                              {g_.left[kNotes] + 2, at},
                              {g_.left[kNotes] + 0.5, at + 0.8}},
                             {0, kBlack},
                             {true, kRed}});
    }
    for (const Here& here : Placements(wanted, kSmallText + 0.3, kSmallText)) {
      const LogNote& note = hole_.notes[here.item];
      out_.push_back(Label{{x, here.y},
                           std::move(lines[here.item][static_cast<std::size_t>(here.line)]),
                           kSmallText,
                           Anchor::kStart,
                           FontRole::kSmall,
                           note.odd ? kRed : kBlack});
    }
  }

  /// A placed text of this page.
  struct Here {
    std::size_t item;
    int line;
    double y;
  };
  /// The column's texts placed over every page, those of this page.
  std::vector<Here> Placements(std::vector<Wanted>& wanted, double step, double size) const {
    const std::vector<Placed> placed = placer_->Place(wanted, step, size);
    std::vector<Here> here;
    for (std::size_t i = 0; i < placed.size(); ++i) {
      if (placed[i].page == page_) here.push_back({wanted[i].item, wanted[i].line, placed[i].y});
    }
    return here;
  }

  const Borehole& hole_;
  const LayoutOptions& options_;
  const Geometry& g_;
  std::vector<Primitive>& out_;
  DepthWindow w_;
  int page_ = 0;
  std::optional<ColumnPlacer> placer_;
};

/// The depths the sheet covers: from the surface (or the shallowest depth above it) to the next
/// whole metre below the deepest.
void DepthRange(const Borehole& hole, double& first, double& last) {
  first = 0;
  last = 0;
  const auto take = [&](double d) {
    first = std::min(first, d);
    last = std::max(last, d);
  };
  for (const LogLayer& l : hole.layers) take(l.bottom);
  for (const LogColour& c : hole.colours) take(c.bottom);
  for (const LogPenetration& p : hole.penetrations) take(p.depth);
  for (const LogSample& s : hole.samples) {
    take(s.top);
    take(s.bottom);
  }
  for (const LogTestMark& m : hole.marks) {
    take(m.top);
    take(m.bottom);
  }
  for (const LogNote& n : hole.notes) take(n.depth);
  first = std::floor(first);
  last = std::max(std::ceil(last), first + 1);
}

}  // namespace

bool IsLogScale(int scale) { return scale == 50 || scale == 100 || scale == 200; }

LogSheets LayoutBoringLog(const Borehole& hole, const LayoutOptions& options) {
  const Geometry g = GeometryFor(options);
  double first = 0;
  double last = 0;
  DepthRange(hole, first, last);
  const double bodyTop = kMargin + kTitleHeight + kHeadingHeight;
  LogSheets sheets;

  if (!options.paged) {
    Page page;
    page.width = g.width;
    page.items.reserve(kItemsReserved);
    PageDrawer drawer(hole, options, g, page);
    const DepthWindow window{first, last, bodyTop};
    const double bodyBottom = bodyTop + (last - first) * g.mm;
    page.height = bodyBottom + 2 + drawer.Legend(0, false) + kMargin;
    drawer.Title(1, 1);
    drawer.Headings(kMargin + kTitleHeight);
    drawer.Body({window}, 0);
    drawer.Legend(bodyBottom + 2, true);
    sheets.pages.push_back(std::move(page));
    sheets.windows.push_back(window);
    return sheets;
  }

  const PagedLog paged(hole, options);
  for (int i = 0; i < paged.PageCount(); ++i) {
    sheets.pages.push_back(paged.LayOutPage(i));
    sheets.windows.push_back(paged.Window(i));
  }
  return sheets;
}

PagedLog::PagedLog(const Borehole& hole, const LayoutOptions& options)
    : hole_(&hole), options_(options) {
  options_.paged = true;
  const Geometry g = GeometryFor(options_);
  double first = 0;
  double last = 0;
  DepthRange(hole, first, last);
  const double bodyTop = kMargin + kTitleHeight + kHeadingHeight;
  width_ = g.width;
  height_ = options_.paper == Paper::kA3 ? 420 : 297;
  const double bodyRoom = height_ - kMargin - kFooterHeight - bodyTop;
  // Whole metres per page, so that every page starts at a round depth.
  const double metres = std::max(1.0, std::floor(bodyRoom / g.mm));
  for (double d = first; d < last; d += metres) {
    windows_.push_back({d, std::min(d + metres, last), bodyTop});
  }
  bodyPages_ = static_cast<int>(windows_.size());
  // The legend goes below the last page's body, or on a page of its own when it does not fit.
  // The last page has no continued mark: the footer's room is the legend's too.
  Page probe;
  const double legendHeight = PageDrawer(hole, options_, g, probe).Legend(0, false);
  const double lastBottom =
      bodyTop + (windows_.back().lastDepth - windows_.back().firstDepth) * g.mm;
  if (lastBottom + 2 + legendHeight > height_ - kMargin) {
    windows_.push_back({last, last, bodyTop});
  }
}

Page PagedLog::LayOutPage(int i) const {
  const Geometry g = GeometryFor(options_);
  const int pages = PageCount();
  Page page{width_, height_, {}};
  page.items.reserve(kItemsReserved);
  PageDrawer drawer(*hole_, options_, g, page);
  drawer.Title(i + 1, pages);
  if (i < bodyPages_) {
    const DepthWindow& window = Window(i);
    drawer.Headings(kMargin + kTitleHeight);
    drawer.Body({windows_.begin(), windows_.begin() + bodyPages_}, i);
    if (i + 1 < bodyPages_) drawer.Continued(height_);
    if (i + 1 == pages) {
      drawer.Legend(window.bodyTop + (window.lastDepth - window.firstDepth) * g.mm + 2, true);
    }
  } else {
    drawer.Legend(kMargin + kTitleHeight + 4, true);
  }
  return page;
}

}  // namespace tecris2nx::boringlog
