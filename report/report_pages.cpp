#include "report/report_pages.h"

#include <algorithm>
#include <cmath>

#include "log/layout.h"
#include "log/soil_pattern.h"
#include "report/data_files.h"
#include "report/index_columns.h"

namespace tecris2nx::report {
namespace {

using namespace boringlog;

constexpr double kMargin = 10;
constexpr double kText = 2.5;
constexpr Pen kThin{0.15, kBlack};
constexpr Pen kGrid{0.1, kGridGrey};

Page Blank() { return Page{kPageWidth, kPageHeight, {}}; }

void Title(Page& page, const Text& title) {
  page.items.push_back(
      Label{{kMargin, kMargin + 4}, title, 5, Anchor::kStart, FontRole::kTitle, kBlack});
}

/// 1, 2 or 5 times a power of ten, the largest not above `most`.
double NiceStep(double most) {
  const double power = std::pow(10, std::floor(std::log10(most)));
  for (const double m : {5.0, 2.0, 1.0}) {
    if (m * power <= most) return m * power;
  }
  return power;
}

Text LengthText(double metres) {
  return metres >= 1000 ? NumberText(metres / 1000) + U" km" : NumberText(metres) + U" m";
}

}  // namespace

Page MapPage(const std::vector<BoreholeEntry>& entries, Datum datum) {
  Page page = Blank();
  Title(page, U"位置図");
  std::vector<const BoreholeEntry*> placed;
  double south = 90, north = -90, west = 180, east = -180;
  for (const BoreholeEntry& entry : entries) {
    if (!OnMap(entry)) continue;
    placed.push_back(&entry);
    const LatLon& p = *entry.position.wgs84;
    south = std::min(south, p.latitude);
    north = std::max(north, p.latitude);
    west = std::min(west, p.longitude);
    east = std::max(east, p.longitude);
  }
  const double top = 22, bottom = 182, left = kMargin, right = kPageWidth - kMargin;
  page.items.push_back(Rectangle{{left, top}, right - left, bottom - top, kThin, {}});
  Text footer = U"測地系: " + Text(DatumName(datum));
  if (datum == Datum::kTokyo) footer += U"（JGD2000 に変換して配置）";
  if (placed.empty()) {
    page.items.push_back(Label{{kPageWidth / 2, (top + bottom) / 2},
                               U"位置のわかるボーリングがありません",
                               4,
                               Anchor::kMiddle});
    page.items.push_back(Label{{left, bottom + 14}, footer, kText});
    return page;
  }
  const LatLon centre{(south + north) / 2, (west + east) / 2};
  std::vector<PlanePoint> points;
  double reach = 50;  // metres: a single hole still gets a sensible scale
  for (const BoreholeEntry* entry : placed) {
    points.push_back(ToLocalPlane(*entry->position.wgs84, centre));
    reach = std::max({reach, std::fabs(points.back().east) * (bottom - top) / (right - left),
                      std::fabs(points.back().north)});
  }
  // Millimetres per metre, leaving room for the labels at the edges.
  const double k = ((bottom - top) / 2 - 10) / reach;
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const double x = cx + points[i].east * k, y = cy - points[i].north * k;
    page.items.push_back(Circle{{x, y}, 0.9, {0.2, kBlack}, {true, kRed}});
    page.items.push_back(Label{{x + 1.6, y - 1}, ShownText(placed[i]->identifier), kText});
  }
  // North arrow in the top right corner.
  const double ax = right - 10, ay = top + 6;
  page.items.push_back(Polygon{{{ax, ay}, {ax - 2.5, ay + 9}, {ax, ay + 7}, {ax + 2.5, ay + 9}},
                               {0.2, kBlack},
                               {true, kBlack}});
  page.items.push_back(Label{{ax, ay - 1}, U"N", 3.5, Anchor::kMiddle, FontRole::kHeading});
  // Scale bar below the frame, where no borehole can hide it: about a fifth of its width.
  const double metres = NiceStep((right - left) / 5 / k);
  const double bx = left + 4, by = bottom + 7, length = metres * k;
  page.items.push_back(Rectangle{{bx, by - 1.2}, length, 1.2, kThin, {true, kBlack}});
  page.items.push_back(Label{{bx - 1, by}, U"0", 2.2, Anchor::kEnd});
  page.items.push_back(Label{{bx + length + 1, by}, LengthText(metres), 2.2});
  footer += U"　中心 " + FixedText(centre.latitude, 5) + U"°N " + FixedText(centre.longitude, 5) +
            U"°E の正距方位図法（球面）で配置。背景地図なし。地図に載らないもの " +
            DecimalText(static_cast<long long>(entries.size() - placed.size())) +
            U" 件は一覧を参照";
  page.items.push_back(Label{{left, bottom + 14}, footer, kText});
  return page;
}

namespace {

constexpr double kAxisLeft = 22;     // the depth numbers' right end
constexpr double kBodyTop = 34;      // depth 0
constexpr double kBodyBottom = 180;  // the axis depth
constexpr double kSlot = (kPageWidth - kMargin - kAxisLeft - 2) / kColumnsPerPage;
constexpr double kSoilLeft = 1.5, kSoilRight = 9, kBarLeft = 10, kBarWidth = 14;

}  // namespace

SideBySide::SideBySide(const std::vector<BoreholeEntry>& entries) : entries_(entries) {
  double deepest = 1;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].Converts()) continue;
    drawn_.push_back(i);
    deepest = std::max(deepest, entries[i].Deepest());
    for (const LogPenetration& test : entries[i].tests) deepest = std::max(deepest, test.depth);
  }
  const double step = NiceStep(deepest / 4);
  axisDepth_ = std::ceil(deepest / step - 1e-9) * step;
}

int SideBySide::PageCount() const {
  return static_cast<int>((drawn_.size() + kColumnsPerPage - 1) / kColumnsPerPage);
}

Page SideBySide::LayOutPage(int pageIndex) const {
  Page page = Blank();
  Title(page,
        U"柱状図の並び（" + DecimalText(pageIndex + 1) + U" / " + DecimalText(PageCount()) + U"）");
  const double mm = (kBodyBottom - kBodyTop) / axisDepth_;
  const auto Y = [&](double depth) { return kBodyTop + std::clamp(depth, 0.0, axisDepth_) * mm; };
  // The depth axis.
  const double tick = NiceStep(axisDepth_ / 8);
  page.items.push_back(Line{{kAxisLeft + 1, kBodyTop}, {kAxisLeft + 1, kBodyBottom}, kThin});
  for (double d = 0; d <= axisDepth_ + 1e-9; d += tick) {
    page.items.push_back(Line{{kAxisLeft, Y(d)}, {kAxisLeft + 1, Y(d)}, kThin});
    page.items.push_back(Label{{kAxisLeft - 0.8, Y(d) + 0.8}, NumberText(d), 2.2, Anchor::kEnd});
  }
  page.items.push_back(Label{{kAxisLeft - 0.8, kBodyTop - 3}, U"深度 (m)", 2.2, Anchor::kEnd});
  std::vector<SoilPattern> used;
  const std::size_t first = static_cast<std::size_t>(pageIndex) * kColumnsPerPage;
  const std::size_t last = std::min(drawn_.size(), first + kColumnsPerPage);
  for (std::size_t i = first; i < last; ++i) {
    const BoreholeEntry& e = entries_[drawn_[i]];
    const double x = kAxisLeft + 2 + static_cast<double>(i - first) * kSlot;
    page.items.push_back(Fitted({x + kSlot / 2, kBodyTop - 7}, ShownText(e.identifier), kSlot - 1,
                                kText, Anchor::kMiddle));
    // N from 0 to 50, with a grid every 10.
    for (int n = 0; n <= 50; n += 10) {
      const double gx = x + kBarLeft + kBarWidth * n / 50;
      page.items.push_back(Line{{gx, kBodyTop}, {gx, Y(e.Deepest())}, kGrid});
    }
    page.items.push_back(Label{{x + kBarLeft, kBodyTop - 1.5}, U"0", 1.8, Anchor::kMiddle});
    page.items.push_back(
        Label{{x + kBarLeft + kBarWidth, kBodyTop - 1.5}, U"50", 1.8, Anchor::kMiddle});
    if (!e.hasLayers) {
      page.items.push_back(Label{{x + kSoilLeft, kBodyTop + 4},
                                 U"土質なし",
                                 2,
                                 Anchor::kStart,
                                 FontRole::kSmall,
                                 kGridGrey});
    }
    for (const LogLayer& layer : e.layers) {
      if (layer.bottom <= layer.top) continue;
      const SoilLook look = SoilLookOf(layer.code, layer.fileName);
      DrawSoilLook(look, x + kSoilLeft + 1.5, Y(layer.top), x + kSoilRight, Y(layer.bottom),
                   kBodyTop, page.items);
      page.items.push_back(Rectangle{{x + kSoilLeft, Y(layer.top)},
                                     kSoilRight - kSoilLeft,
                                     Y(layer.bottom) - Y(layer.top),
                                     kThin,
                                     {}});
      for (const SoilPattern p : {look.base, look.qualifier, look.admixture}) {
        if (p != SoilPattern::kNone && std::find(used.begin(), used.end(), p) == used.end()) {
          used.push_back(p);
        }
      }
    }
    for (const LogColour& colour : e.colours) {
      const Fill swatch = ColourSwatch(colour.names);
      if (!swatch.filled || colour.bottom <= colour.top) continue;
      page.items.push_back(Rectangle{{x + kSoilLeft, Y(colour.top)},
                                     1.5,
                                     Y(colour.bottom) - Y(colour.top),
                                     {0, kBlack},
                                     swatch});
    }
    for (const LogPenetration& test : e.tests) {
      const double n = std::clamp(DesignN(test), 0.0, 50.0);
      const double height = std::max(0.6, 0.3 * mm);
      page.items.push_back(Rectangle{{x + kBarLeft, Y(test.depth)},
                                     kBarWidth * n / 50,
                                     height,
                                     {0, kBlack},
                                     {true, test.stopped ? kRed : 0x3a66b0}});
    }
    if (e.bearingTop) {
      const double y = Y(*e.bearingTop);
      page.items.push_back(Line{{x, y}, {x + kSlot - 1.5, y}, {0.3, kRed}});
      page.items.push_back(
          Label{{x + kSlot - 1.5, y - 0.6}, U"支持層", 1.8, Anchor::kEnd, FontRole::kSmall, kRed});
    }
    // The distance to the column on the left, between the two.
    if (i > first) {
      const BoreholeEntry& before = entries_[drawn_[i - 1]];
      Text distance = U"—";
      if (before.position.wgs84 && e.position.wgs84) {
        const double metres = DistanceMetres(*before.position.wgs84, *e.position.wgs84);
        distance =
            metres < 1000 ? FixedText(metres, 1) + U" m" : FixedText(metres / 1000, 2) + U" km";
      }
      page.items.push_back(
          Fitted({x, kBodyBottom + 5}, U"↔ " + distance, kSlot - 2, 2.2, Anchor::kMiddle));
    }
  }
  page.items.push_back(Label{{kAxisLeft + 2, kBodyBottom + 5}, U"隣との距離:", 2.2, Anchor::kEnd});
  // The legend of the patterns on this page, and of the bars.
  double lx = kMargin, ly = kBodyBottom + 10;
  for (const SoilPattern p : used) {
    if (lx + 40 > kPageWidth - kMargin) {
      lx = kMargin;
      ly += 7;
    }
    if (ly + 5 > kPageHeight - 4) break;
    DrawSoilLook({p}, lx, ly, lx + 9, ly + 5, ly, page.items);
    page.items.push_back(Rectangle{{lx, ly}, 9, 5, kThin, {}});
    page.items.push_back(Label{{lx + 10.5, ly + 3.6}, Text(SoilPatternName(p)), 2.2});
    lx += 40;
  }
  page.items.push_back(Label{{kPageWidth - kMargin, kMargin + 4},
                             U"N 値: 青い棒、赤は打ち止め（50 として）　赤線: 支持層上端",
                             2.2,
                             Anchor::kEnd});
  return page;
}

namespace {
constexpr double kRow = 4.6, kTableTop = 24;
constexpr std::size_t kRowsPerPage =
    static_cast<std::size_t>((kPageHeight - kMargin - kTableTop) / kRow) - 1;
}  // namespace

int TablePageCount(const ReportTable& table) {
  return static_cast<int>(
      std::max<std::size_t>(1, (table.rows.size() + kRowsPerPage - 1) / kRowsPerPage));
}

Page TablePage(const ReportTable& table, int pageIndex) {
  Page page = Blank();
  Title(page, table.title + (pageIndex == 0 ? Text() : U"（続き）"));
  if (!table.note.empty()) page.items.push_back(Label{{kMargin, kMargin + 10}, table.note, 2.2});
  double y = kTableTop;
  const auto cells = [&](const std::vector<Text>& texts, Colour colour, FontRole role) {
    double x = kMargin;
    for (std::size_t c = 0; c < texts.size() && c < table.widths.size(); ++c) {
      const double w = table.widths[c];
      const bool right = c < table.numbers.size() && table.numbers[c];
      Label label = Fitted({right ? x + w - 1 : x + 0.8, y + kRow - 1.3}, ShownText(texts[c]),
                           w - 1.6, kText, right ? Anchor::kEnd : Anchor::kStart);
      label.colour = colour;
      label.role = role;
      page.items.push_back(std::move(label));
      x += w;
    }
    y += kRow;
    page.items.push_back(Line{{kMargin, y}, {kPageWidth - kMargin, y}, kGrid});
  };
  cells(table.headings, kBlack, FontRole::kHeading);
  const std::size_t first = static_cast<std::size_t>(pageIndex) * kRowsPerPage;
  for (std::size_t row = first; row < table.rows.size() && row < first + kRowsPerPage; ++row) {
    cells(table.rows[row].cells, table.rows[row].failed ? kRed : kBlack, FontRole::kBody);
  }
  return page;
}

ReportDocument::ReportDocument(const std::vector<BoreholeEntry>& entries,
                               const SoilStatistics& soils, const ReportSettings& settings)
    : entries_(entries),
      datum_(settings.datum),
      logs_(entries),
      before_{IndexTable(entries, settings.datum)},
      after_{SoilTable(soils), BoreholeNTable(entries), FindingsTable(entries)} {
  // The first page is the report's own: its title and what it holds.
  before_[0].title = U"ボーリング一覧表";
  before_[0].note = ReportSummary(entries, settings) + U"　" + before_[0].note;
}

int ReportDocument::PageCount() const {
  int count = 1 + logs_.PageCount();
  for (const auto* tables : {&before_, &after_}) {
    for (const ReportTable& table : *tables) count += TablePageCount(table);
  }
  return count;
}

Page ReportDocument::LayOutPage(int page) const {
  for (const ReportTable& table : before_) {
    if (page < TablePageCount(table)) return TablePage(table, page);
    page -= TablePageCount(table);
  }
  if (page == 0) return MapPage(entries_, datum_);
  --page;
  if (page < logs_.PageCount()) return logs_.LayOutPage(page);
  page -= logs_.PageCount();
  for (const ReportTable& table : after_) {
    if (page < TablePageCount(table)) return TablePage(table, page);
    page -= TablePageCount(table);
  }
  return Blank();
}

}  // namespace tecris2nx::report
