#include "log/soil_pattern.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/formatting.h"
#include "sections/soil_vocabulary.h"

namespace tecris2nx::boringlog {
namespace {

struct WordPattern {
  TextView word;
  SoilPattern pattern;
};

// The soil words of the vocabulary (main soils and special values) and a few a free name uses.
constexpr std::array<WordPattern, 28> kWords = {{
    {U"高有機質土", SoilPattern::kPeat},   {U"火山灰質粘性土", SoilPattern::kVolcanicClay},
    {U"有機質土", SoilPattern::kOrganic},  {U"礫質土", SoilPattern::kGravellySoil},
    {U"砂質土", SoilPattern::kSandySoil},  {U"粘性土", SoilPattern::kClay},
    {U"粘土", SoilPattern::kClay},         {U"シルト", SoilPattern::kSilt},
    {U"礫", SoilPattern::kGravel},         {U"砂利", SoilPattern::kGravel},
    {U"砂", SoilPattern::kSand},           {U"硬岩", SoilPattern::kHardRock},
    {U"中硬岩", SoilPattern::kMediumRock}, {U"軟岩", SoilPattern::kSoftRock},
    {U"岩", SoilPattern::kMediumRock},     {U"玉石", SoilPattern::kBoulder},
    {U"浮石", SoilPattern::kPumice},       {U"シラス", SoilPattern::kShirasu},
    {U"スコリア", SoilPattern::kScoria},   {U"火山灰", SoilPattern::kVolcanicAsh},
    {U"ローム", SoilPattern::kLoam},       {U"黒ボク", SoilPattern::kKuroboku},
    {U"マサ", SoilPattern::kMasa},         {U"表土", SoilPattern::kTopsoil},
    {U"埋土", SoilPattern::kFill},         {U"廃棄土", SoilPattern::kWaste},
    {U"貝殻", SoilPattern::kShell},        {U"有機質", SoilPattern::kOrganic},
}};

// The qualifier parts of the vocabulary and the minor pattern each lays over the base.
constexpr std::array<WordPattern, 5> kQualifiers = {{
    {U"砂質", SoilPattern::kSand},
    {U"シルト質", SoilPattern::kSilt},
    {U"粘土質", SoilPattern::kClay},
    {U"有機質", SoilPattern::kOrganic},
    {U"火山灰質", SoilPattern::kVolcanicClay},
}};

/// The pattern of the soil word a name ends on (the main soil of a Japanese soil name comes
/// last: "シルト質砂" is a sand); the longer word where two end at the same place.
SoilPattern MainWordPattern(TextView name) {
  SoilPattern best = SoilPattern::kNone;
  std::size_t bestEnd = 0;
  std::size_t bestLength = 0;
  for (const WordPattern& entry : kWords) {
    const std::size_t at = name.rfind(entry.word);
    if (at == TextView::npos) continue;
    const std::size_t end = at + entry.word.size();
    if (end > bestEnd || (end == bestEnd && entry.word.size() > bestLength)) {
      best = entry.pattern;
      bestEnd = end;
      bestLength = entry.word.size();
    }
  }
  return best;
}

int DigitAt(TextView code, int position) {
  const auto index = static_cast<std::size_t>(position - 1);
  if (index >= code.size()) return 0;
  return RoundToInt16(NumericValue(code.substr(index, 1))).value_or(0);
}

// Shapes clipped to a rectangle.
class Clip {
 public:
  Clip(double left, double top, double right, double bottom, std::vector<Primitive>& out)
      : l_(left), t_(top), r_(right), b_(bottom), out_(out) {}

  bool Inside(Point p) const { return p.x >= l_ && p.x <= r_ && p.y >= t_ && p.y <= b_; }

  /// Liang-Barsky: the part of the segment inside, if any.
  bool ClipSegment(Point& a, Point& b) const {
    double t0 = 0;
    double t1 = 1;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - l_, r_ - a.x, a.y - t_, b_ - a.y};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return false;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0) {
        t0 = std::max(t0, t);
      } else {
        t1 = std::min(t1, t);
      }
      if (t0 > t1) return false;
    }
    const Point start{a.x + t0 * dx, a.y + t0 * dy};
    b = Point{a.x + t1 * dx, a.y + t1 * dy};
    a = start;
    return true;
  }

  void AddLine(Point a, Point b, Pen pen) const {
    if (ClipSegment(a, b)) out_.push_back(Line{a, b, pen});
  }
  /// A polyline cut where it leaves the rectangle.
  void AddPolyline(const std::vector<Point>& points, Pen pen) const {
    Polyline run{{}, pen};
    const auto flush = [&] {
      if (run.points.size() >= 2) out_.push_back(run);
      run.points.clear();
    };
    for (std::size_t i = 1; i < points.size(); ++i) {
      Point a = points[i - 1];
      Point b = points[i];
      if (!ClipSegment(a, b)) {
        flush();
        continue;
      }
      if (run.points.empty()) run.points.push_back(a);
      run.points.push_back(b);
      if (!Inside(points[i])) flush();
    }
    flush();
  }
  /// Whole shapes only: a circle or polygon cut by the edge is left out.
  void AddCircle(Point c, double radius, Pen pen, Fill fill) const {
    if (c.x - radius >= l_ && c.x + radius <= r_ && c.y - radius >= t_ && c.y + radius <= b_) {
      out_.push_back(Circle{c, radius, pen, fill});
    }
  }
  void AddPolygon(std::vector<Point> points, Pen pen, Fill fill) const {
    for (const Point& p : points) {
      if (!Inside(p)) return;
    }
    out_.push_back(Polygon{std::move(points), pen, fill});
  }

  double left() const { return l_; }
  double top() const { return t_; }
  double right() const { return r_; }
  double bottom() const { return b_; }

 private:
  double l_, t_, r_, b_;
  std::vector<Primitive>& out_;
};

constexpr Pen kThin{0.15, kBlack};
constexpr Fill kOpen{};
constexpr Fill kSolid{true, kBlack};

/// Calls `at` for each point of a grid of `dx` by `dy` covering the clip, odd rows shifted by
/// `shift`; rows are counted from `originY`, columns from the clip's left edge.
template <typename F>
void Grid(const Clip& clip, double originY, double dx, double dy, double shift, F at) {
  const double firstRow = std::ceil((clip.top() - originY) / dy - 1);
  for (double k = firstRow; originY + k * dy <= clip.bottom() + dy; ++k) {
    const double y = originY + k * dy;
    const bool odd = std::fmod(std::fabs(k), 2.0) == 1.0;
    for (double x = clip.left() + (odd ? shift : 0) - dx; x <= clip.right() + dx; x += dx) {
      at(Point{x, y}, static_cast<long long>(k));
    }
  }
}

/// Calls `at` for the y of each row `dy` apart, counted from `originY`, that reaches into the
/// clip; `reach` extends the rows below it, for lines that rise from a row to the right.
template <typename F>
void Rows(const Clip& clip, double originY, double dy, double reach, F at) {
  const double firstRow = std::ceil((clip.top() - originY) / dy);
  for (double k = firstRow; originY + k * dy <= clip.bottom() + reach; ++k) at(originY + k * dy);
}

void DrawPattern(SoilPattern pattern, const Clip& c, double originY, double sparse);

/// Draws a boulder, volcanic, made-ground or shell pattern: DrawPattern's second half.
void DrawVolcanicOrMadePattern(SoilPattern pattern, const Clip& c, double originY, double s) {
  switch (pattern) {
    case SoilPattern::kBoulder:
      Grid(c, originY, 5.0 * s, 4.0 * s, 2.5 * s,
           [&](Point p, long long) { c.AddCircle(p, 1.6, kThin, kOpen); });
      break;
    case SoilPattern::kPumice:
      Grid(c, originY, 3.0 * s, 2.6 * s, 1.5 * s, [&](Point p, long long) {
        c.AddCircle(p, 0.8, kThin, kOpen);
        c.AddCircle(p, 0.2, {0, kBlack}, kSolid);
      });
      break;
    case SoilPattern::kShirasu:
    case SoilPattern::kVolcanicAsh: {
      const double d = pattern == SoilPattern::kShirasu ? 3.0 : 2.0;
      Grid(c, originY, d * s, d * 0.8 * s, d / 2 * s, [&](Point p, long long) {
        c.AddPolyline({{p.x - 0.5, p.y - 0.5}, {p.x, p.y + 0.4}, {p.x + 0.5, p.y - 0.5}}, kThin);
        if (pattern == SoilPattern::kShirasu) {
          c.AddCircle({p.x + d / 2 * s, p.y}, 0.2, {0, kBlack}, kSolid);
        }
      });
      break;
    }
    case SoilPattern::kScoria:
      Grid(c, originY, 2.6 * s, 2.2 * s, 1.3 * s, [&](Point p, long long) {
        c.AddPolygon({{p.x - 0.5, p.y + 0.4}, {p.x + 0.5, p.y + 0.4}, {p.x, p.y - 0.5}}, kThin,
                     kSolid);
      });
      break;
    case SoilPattern::kLoam:
    case SoilPattern::kKuroboku: {
      const double d = pattern == SoilPattern::kLoam ? 2.2 : 1.4;
      const double span = c.right() - c.left();
      Rows(c, originY, d * s, span, [&](double y) {
        c.AddLine({c.left(), y}, {c.left() + span, y - span}, kThin);
      });
      if (pattern == SoilPattern::kKuroboku) {
        Grid(c, originY + 0.5, 1.4 * s, 1.4 * s, 0.7 * s, [&](Point p, long long) {
          c.AddCircle(p, 0.22, {0, kBlack}, kSolid);
        });
      }
      break;
    }
    case SoilPattern::kMasa:
      Grid(c, originY, 2.4 * s, 2.0 * s, 1.2 * s, [&](Point p, long long) {
        c.AddCircle(p, 0.45, kThin, kOpen);
        c.AddCircle({p.x + 1.2 * s, p.y}, 0.18, {0, kBlack}, kSolid);
      });
      break;
    case SoilPattern::kTopsoil:
      DrawPattern(SoilPattern::kSand, c, originY + 0.8, 1.4 * s);
      DrawPattern(SoilPattern::kPeat, c, originY, 1.2 * s);
      break;
    case SoilPattern::kFill:
    case SoilPattern::kWaste: {
      const double span = c.right() - c.left();
      Rows(c, originY, 2.4 * s, span, [&](double y) {
        c.AddLine({c.left(), y}, {c.left() + span, y - span}, kThin);
        c.AddLine({c.left(), y - span}, {c.left() + span, y}, kThin);
      });
    }
      if (pattern == SoilPattern::kWaste) {
        Grid(c, originY + 1.2, 4.8 * s, 4.8 * s, 2.4 * s, [&](Point p, long long) {
          c.AddPolygon({{p.x - 0.5, p.y - 0.5},
                        {p.x + 0.5, p.y - 0.5},
                        {p.x + 0.5, p.y + 0.5},
                        {p.x - 0.5, p.y + 0.5}},
                       kThin, kSolid);
        });
      }
      break;
    case SoilPattern::kShell:
      Grid(c, originY, 3.0 * s, 2.6 * s, 1.5 * s, [&](Point p, long long) {
        c.AddPolyline({{p.x - 0.6, p.y},
                       {p.x - 0.4, p.y - 0.4},
                       {p.x, p.y - 0.55},
                       {p.x + 0.4, p.y - 0.4},
                       {p.x + 0.6, p.y},
                       {p.x - 0.6, p.y}},
                      kThin);
      });
      break;
    default:
      break;
  }
}

/// Draws one pattern; `sparse` spreads it out for a qualifier or an admixture.
void DrawPattern(SoilPattern pattern, const Clip& c, double originY, double sparse) {
  const double s = sparse;
  switch (pattern) {
    case SoilPattern::kNone:
    case SoilPattern::kNeutral:
      break;
    case SoilPattern::kGravel:
      Grid(c, originY, 3.2 * s, 2.8 * s, 1.6 * s,
           [&](Point p, long long) { c.AddCircle(p, 0.9, kThin, kOpen); });
      break;
    case SoilPattern::kGravellySoil:
      Grid(c, originY, 2.2 * s, 1.9 * s, 1.1 * s,
           [&](Point p, long long) { c.AddCircle(p, 0.6, kThin, kOpen); });
      break;
    case SoilPattern::kSand:
      Grid(c, originY, 2.0 * s, 1.6 * s, 1.0 * s, [&](Point p, long long) {
        c.AddCircle(p, 0.22, {0, kBlack}, kSolid);
      });
      break;
    case SoilPattern::kSandySoil:
      Grid(c, originY, 1.2 * s, 1.0 * s, 0.6 * s, [&](Point p, long long) {
        c.AddCircle(p, 0.2, {0, kBlack}, kSolid);
      });
      break;
    case SoilPattern::kSilt:
      Grid(c, originY, 2.4 * s, 1.4 * s, 1.2 * s, [&](Point p, long long) {
        c.AddLine({p.x - 0.6, p.y}, {p.x + 0.6, p.y}, kThin);
      });
      break;
    case SoilPattern::kClay:
      Rows(c, originY, 1.2 * s, 0, [&](double y) {
        c.AddLine({c.left(), y}, {c.right(), y}, kThin);
      });
      break;
    case SoilPattern::kOrganic:
      Grid(c, originY, 3.0 * s, 2.4 * s, 1.5 * s, [&](Point p, long long) {
        c.AddLine({p.x - 0.25, p.y - 0.5}, {p.x - 0.25, p.y + 0.5}, kThin);
        c.AddLine({p.x + 0.25, p.y - 0.5}, {p.x + 0.25, p.y + 0.5}, kThin);
      });
      break;
    case SoilPattern::kVolcanicClay:
      Rows(c, originY, 1.8 * s, 0.4, [&](double y) {
        std::vector<Point> wave;
        for (double x = c.left(); x <= c.right() + 0.5; x += 0.5) {
          wave.push_back({x, y + 0.35 * std::sin((x - c.left()) * 2.0)});
        }
        c.AddPolyline(wave, kThin);
      });
      break;
    case SoilPattern::kPeat:
      Grid(c, originY, 3.6 * s, 2.8 * s, 1.8 * s, [&](Point p, long long) {
        c.AddLine({p.x, p.y}, {p.x, p.y - 1.0}, kThin);
        c.AddLine({p.x, p.y}, {p.x - 0.6, p.y - 0.8}, kThin);
        c.AddLine({p.x, p.y}, {p.x + 0.6, p.y - 0.8}, kThin);
        c.AddLine({p.x - 0.8, p.y}, {p.x + 0.8, p.y}, kThin);
      });
      break;
    case SoilPattern::kHardRock:
    case SoilPattern::kMediumRock:
    case SoilPattern::kSoftRock: {
      // Harder rock, smaller blocks.
      const double h = pattern == SoilPattern::kHardRock     ? 1.6
                       : pattern == SoilPattern::kMediumRock ? 2.4
                                                             : 3.4;
      const double w = 2 * h;
      Grid(c, originY, w * s, h * s, h * s, [&](Point p, long long) {
        c.AddLine({p.x, p.y}, {p.x + w * s, p.y}, kThin);
        c.AddLine({p.x, p.y}, {p.x, p.y + h * s}, kThin);
      });
      if (pattern == SoilPattern::kSoftRock) {
        Grid(c, originY + h / 2, w * s, h * s, h * s, [&](Point p, long long) {
          c.AddCircle({p.x + w / 2, p.y}, 0.2, {0, kBlack}, kSolid);
        });
      }
      break;
    }
    default:
      DrawVolcanicOrMadePattern(pattern, c, originY, s);
      break;
  }
}

}  // namespace

SoilLook SoilLookOf(const Text& code, const Text& name) {
  SoilLook look;
  if (code == kFreeSoilCode) {
    look.base = MainWordPattern(TrimmedView(name));
    if (look.base == SoilPattern::kNone) look.base = SoilPattern::kNeutral;
    return look;
  }
  const TextView whole(code);
  const TextView tail = whole.size() > 3 ? whole.substr(whole.size() - 3) : whole;
  const double value = NumericValue(tail);
  for (const SpecialSoilValue& special : SpecialSoilValues()) {
    if (value == special.value) {
      look.base = MainWordPattern(special.name);
      return look;
    }
  }
  look.base = MainWordPattern(SoilDigitPart(kMainSoilPosition, DigitAt(whole, kMainSoilPosition)));
  const TextView qualifier = SoilDigitPart(kQualifierPosition, DigitAt(whole, kQualifierPosition));
  for (const WordPattern& entry : kQualifiers) {
    if (entry.word == qualifier) look.qualifier = entry.pattern;
  }
  TextView admixture = SoilDigitPart(kAdmixturePosition, DigitAt(whole, kAdmixturePosition));
  if (admixture.ends_with(U"混り")) admixture.remove_suffix(2);
  if (!admixture.empty()) look.admixture = MainWordPattern(admixture);
  if (look.base == SoilPattern::kNone) look.base = SoilPattern::kNeutral;
  return look;
}

TextView SoilPatternName(SoilPattern pattern) {
  switch (pattern) {
    case SoilPattern::kNeutral:
      return U"その他";
    case SoilPattern::kSilt:
      return U"シルト";
    case SoilPattern::kShell:
      return U"貝殻";
    default:
      break;
  }
  // The vocabulary's own word for it: the first entry of the table.
  for (const WordPattern& entry : kWords) {
    if (entry.pattern == pattern) return entry.word;
  }
  return {};
}

void DrawSoilLook(const SoilLook& look, double left, double top, double right, double bottom,
                  double originY, std::vector<Primitive>& out) {
  if (right <= left || bottom <= top) return;
  out.push_back(Rectangle{{left, top},
                          right - left,
                          bottom - top,
                          {0, kBlack},
                          {true, look.base == SoilPattern::kNeutral ? kNeutralGrey : kWhite}});
  const Clip clip(left, top, right, bottom, out);
  DrawPattern(look.base, clip, originY, 1.0);
  DrawPattern(look.qualifier, clip, originY + 0.7, 2.6);
  DrawPattern(look.admixture, clip, originY + 1.3, 3.4);
}

}  // namespace tecris2nx::boringlog
