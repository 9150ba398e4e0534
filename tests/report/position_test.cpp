#include "report/position.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tecris2nx::report {
namespace {

struct CodeCase {
  const char32_t* latitude;
  const char32_t* longitude;
  double lat;  ///< expected degrees, when `problem` is empty
  double lon;
  const char32_t* problem;  ///< a part of the reason there is no position
};

TEST(ReadPositionTest, ReadsCodesOrSaysWhyNot) {
  const CodeCase cases[] = {
      // The cut codes: 35° 12′ 34.5″ and 139° 30′ 12.3″.
      {U"3512345", U"13930123", 35 + 12 / 60.0 + 34.5 / 3600, 139 + 30 / 60.0 + 12.3 / 3600, U""},
      // Blanks around a code, as a quoted field keeps them, do not matter.
      {U" 3512345 ", U"13930123 ", 35 + 12 / 60.0 + 34.5 / 3600, 139 + 30 / 60.0 + 12.3 / 3600,
       U""},
      {U"2000000", U"12200000", 20, 122, U""},
      {U"4600000", U"15400000", 46, 154, U""},
      {U"", U"13930123", 0, 0, U"緯度のコードがありません"},
      {U"3512345", U"  ", 0, 0, U"経度のコードがありません"},
      {U"35123A5", U"13930123", 0, 0, U"7 桁の数字ではありません"},
      {U"351234", U"13930123", 0, 0, U"7 桁の数字ではありません"},
      {U"3512345", U"139301234", 0, 0, U"8 桁の数字ではありません"},
      {U"３５１２３４５", U"13930123", 0, 0, U"7 桁の数字ではありません"},
      {U"3560000", U"13930123", 0, 0, U"範囲外"},  // 60 minutes
      {U"3512600", U"13930123", 0, 0, U"範囲外"},  // 60.0 seconds
      {U"1959599", U"13930123", 0, 0, U"範囲外"},
      {U"4600001", U"13930123", 0, 0, U"範囲外"},
      {U"3512345", U"12159599", 0, 0, U"範囲外"},
      {U"3512345", U"15400001", 0, 0, U"範囲外"},
  };
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(ToUtf8(Text(c.latitude) + U" " + c.longitude));
    const Position p = ReadPosition(c.latitude, c.longitude, Datum::kJgd2011);
    if (Text(c.problem).empty()) {
      ASSERT_TRUE(p.wgs84);
      EXPECT_NEAR(p.wgs84->latitude, c.lat, 1e-12);
      EXPECT_NEAR(p.wgs84->longitude, c.lon, 1e-12);
      EXPECT_TRUE(p.problem.empty());
    } else {
      EXPECT_FALSE(p.wgs84);
      EXPECT_NE(p.problem.find(c.problem), Text::npos) << ToUtf8(p.problem);
    }
  }
}

TEST(ReadPositionTest, OnlyTokyoIsMoved) {
  for (const Datum datum : {Datum::kJgd2011, Datum::kJgd2000, Datum::kTokyo}) {
    const Position p = ReadPosition(U"3539450", U"13944500", datum);
    ASSERT_TRUE(p.asWritten && p.wgs84);
    EXPECT_EQ(p.wgs84->latitude == p.asWritten->latitude, datum != Datum::kTokyo);
    EXPECT_EQ(DatumOfKey(DatumKey(datum)), datum);
  }
  EXPECT_EQ(DatumOfKey(U"TOKYO"), Datum::kTokyo);
  EXPECT_FALSE(DatumOfKey(U"wgs84"));
}

// Rows computed by PROJ: echo "LAT LON" | cs2cs -f %.9f EPSG:4301 EPSG:4612 (which takes the
// EPSG's "Tokyo to JGD2000 (1)"). Agreement within 0.5 m is what a map of boreholes needs.
TEST(TokyoToJgd2000Test, AgreesWithProj) {
  struct Row {
    LatLon tokyo;
    LatLon jgd2000;
  };
  const Row rows[] = {
      {{35.6625, 139.7472222}, {35.665740452, 139.743990667}},
      {{43.0642, 141.3469}, {43.066621732, 141.343158611}},
      {{26.2124, 127.6792}, {26.216427681, 127.677256454}},
      {{33.5902, 130.4017}, {33.593462231, 130.399358676}},
      {{20.4253, 136.0817}, {20.430010463, 136.079171299}},
      {{45.5, 148.75}, {45.502397372, 148.745422289}},
      {{24.2867, 153.9811}, {24.291434290, 153.977241710}},
      {{38.2682, 140.8694}, {38.271175164, 140.865958677}},
  };
  for (const Row& row : rows) {
    const LatLon moved = TokyoToJgd2000(row.tokyo);
    EXPECT_LT(DistanceMetres(moved, row.jgd2000), 0.5)
        << row.tokyo.latitude << " " << row.tokyo.longitude;
    // Some 400 to 500 m: the shift the datum option exists for.
    EXPECT_GT(DistanceMetres(row.tokyo, row.jgd2000), 300);
  }
}

TEST(LocalPlaneTest, DistancesAndDirectionsHold) {
  const LatLon centre{35.6625, 139.7472222};
  // One second of latitude is about 30.8 m; of longitude here about 25.1 m.
  const PlanePoint north = ToLocalPlane({centre.latitude + 1 / 3600.0, centre.longitude}, centre);
  const PlanePoint east = ToLocalPlane({centre.latitude, centre.longitude + 1 / 3600.0}, centre);
  EXPECT_NEAR(north.north, 30.9, 0.2);
  EXPECT_NEAR(north.east, 0, 1e-6);
  EXPECT_NEAR(east.east, 25.1, 0.2);
  EXPECT_NEAR(DistanceMetres(centre, {centre.latitude + 1 / 3600.0, centre.longitude}), north.north,
              1e-3);
  const PlanePoint here = ToLocalPlane(centre, centre);
  EXPECT_EQ(here.east, 0);
  EXPECT_EQ(here.north, 0);
}

}  // namespace
}  // namespace tecris2nx::report
