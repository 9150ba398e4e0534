#include "log/soil_pattern.h"

#include <gtest/gtest.h>

namespace tecris2nx::boringlog {
namespace {

using P = SoilPattern;

TEST(SoilPatternTest, ChosenFromTheCodeAsTheClassificationReadsIt) {
  struct Row {
    Text code;
    Text name;
    SoilLook look;
  };
  const Row rows[] = {
      // The main soil digit (position 2) gives the base.
      {U"1100", U"", {P::kGravel}},
      {U"1200", U"", {P::kGravellySoil}},
      {U"1300", U"", {P::kSand}},
      {U"1400", U"", {P::kSandySoil}},
      {U"1500", U"", {P::kSilt}},
      {U"1600", U"", {P::kClay}},
      {U"1700", U"", {P::kOrganic}},
      {U"1800", U"", {P::kVolcanicClay}},
      {U"1900", U"", {P::kPeat}},
      // The qualifier (position 3) overlays its minor pattern, the admixture (4) scatters.
      {U"1310", U"", {P::kSand, P::kSand}},
      {U"1320", U"", {P::kSand, P::kSilt}},
      {U"1630", U"", {P::kClay, P::kClay}},
      {U"1640", U"", {P::kClay, P::kOrganic}},
      {U"1650", U"", {P::kClay, P::kVolcanicClay}},
      {U"1601", U"", {P::kClay, P::kNone, P::kBoulder}},
      {U"1302", U"", {P::kSand, P::kNone, P::kGravel}},
      {U"1523", U"", {P::kSilt, P::kSilt, P::kSand}},
      {U"1608", U"", {P::kClay, P::kNone, P::kShell}},
      // Special values of the last three digits.
      {U"1091", U"", {P::kHardRock}},
      {U"1092", U"", {P::kMediumRock}},
      {U"1093", U"", {P::kSoftRock}},
      {U"1094", U"", {P::kBoulder}},
      {U"1010", U"", {P::kPumice}},
      {U"1020", U"", {P::kShirasu}},
      {U"1030", U"", {P::kScoria}},
      {U"1040", U"", {P::kVolcanicAsh}},
      {U"1050", U"", {P::kLoam}},
      {U"1060", U"", {P::kKuroboku}},
      {U"1070", U"", {P::kMasa}},
      {U"0", U"", {P::kTopsoil}},
      {U"1001", U"", {P::kFill}},
      {U"1002", U"", {P::kWaste}},
      // A free name takes the soil word it ends on, else grey.
      {U"9999", U"シルト質砂", {P::kSand}},
      {U"9999", U"砂質シルト", {P::kSilt}},
      {U"9999", U"砂岩", {P::kMediumRock}},
      {U"9999", U"礫混じり粘土", {P::kClay}},
      {U"9999", U"高有機質土", {P::kPeat}},
      {U"9999", U" 埋土 ", {P::kFill}},
      {U"9999", U"謎の土", {P::kNeutral}},
      {U"9999", U"", {P::kNeutral}},
      // Last digits 000 are the special value of topsoil, whatever the main digit.
      {U"1000", U"", {P::kTopsoil}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SoilLookOf(row.code, row.name), row.look)
        << ToUtf8(row.code) << " " << ToUtf8(row.name);
  }
}

TEST(SoilPatternTest, ShapesStayInsideTheLayer) {
  // Every pattern, in a layer that starts off the pattern's rows and is cut on all sides.
  constexpr double kLeft = 42.3;
  constexpr double kTop = 51.7;
  constexpr double kRight = 60.1;
  constexpr double kBottom = 57.9;
  for (int p = static_cast<int>(P::kGravel); p <= static_cast<int>(P::kShell); ++p) {
    const SoilLook look{static_cast<P>(p), static_cast<P>(p), static_cast<P>(p)};
    std::vector<Primitive> items;
    DrawSoilLook(look, kLeft, kTop, kRight, kBottom, 48, items);
    EXPECT_GT(items.size(), 3U) << p;
    const auto inside = [&](Point q) {
      return q.x >= kLeft - 1e-9 && q.x <= kRight + 1e-9 && q.y >= kTop - 1e-9 &&
             q.y <= kBottom + 1e-9;
    };
    for (const Primitive& item : items) {
      if (const auto* line = std::get_if<Line>(&item)) {
        EXPECT_TRUE(inside(line->from) && inside(line->to)) << p;
      } else if (const auto* poly = std::get_if<Polyline>(&item)) {
        for (const Point& q : poly->points) EXPECT_TRUE(inside(q)) << p;
      } else if (const auto* polygon = std::get_if<Polygon>(&item)) {
        for (const Point& q : polygon->points) EXPECT_TRUE(inside(q)) << p;
      } else if (const auto* circle = std::get_if<Circle>(&item)) {
        EXPECT_TRUE(inside({circle->centre.x - circle->radius, circle->centre.y - circle->radius}));
        EXPECT_TRUE(inside({circle->centre.x + circle->radius, circle->centre.y + circle->radius}));
      }
    }
  }
}

}  // namespace
}  // namespace tecris2nx::boringlog
