#include "report/index_columns.h"

#include <cstdio>

namespace tecris2nx::report {

const TextView kConverts = U"変換できます";

Text FixedText(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return FromUtf8(text);
}

Text PositionNote(const BoreholeEntry& entry, Datum datum) {
  if (!entry.position.wgs84) return entry.position.problem;
  if (!entry.Converts()) return U"変換できないため地図に載せません";
  if (datum == Datum::kTokyo) return U"日本測地系から JGD2000 に変換";
  return {};
}

namespace {

Text Count(int value) { return DecimalText(value); }

Text Degrees(const std::optional<LatLon>& place, bool latitude) {
  if (!place) return {};
  return FixedText(latitude ? place->latitude : place->longitude, 7);
}

Text Metres(std::optional<double> value) { return value ? FixedText(*value, 2) : Text(); }

/// Columns of a file the conversion rejects stay empty but for its name, identifier and reason.
Text IfConverts(const BoreholeEntry& e, Text value) { return e.Converts() ? value : Text(); }

}  // namespace

const std::vector<IndexColumn>& IndexColumns() {
  using E = const BoreholeEntry&;
  static const std::vector<IndexColumn> kColumns = {
      {"file", U"ファイル", false, 26, [](E e, Datum) { return e.fileName; }},
      {"identifier", U"識別子", false, 22, [](E e, Datum) { return e.identifier; }},
      {"survey", U"調査名", false, 44, [](E e, Datum) { return e.title; }},
      {"latitude", U"緯度", true, 17, [](E e, Datum) { return Degrees(e.position.wgs84, true); }},
      {"longitude", U"経度", true, 18, [](E e, Datum) { return Degrees(e.position.wgs84, false); }},
      {"datum", U"測地系", false, 0,
       [](E e, Datum d) {
         return e.position.wgs84
                    ? Text(d == Datum::kTokyo ? DatumName(Datum::kJgd2000) : DatumName(d))
                    : Text();
       }},
      {"latitude_code", U"緯度コード", false, 0, [](E e, Datum) { return e.latitudeCode; }},
      {"longitude_code", U"経度コード", false, 0, [](E e, Datum) { return e.longitudeCode; }},
      {"position_note", U"位置の注記", false, 0, [](E e, Datum d) { return PositionNote(e, d); }},
      {"depth_m", U"最深層下端 (m)", true, 14,
       [](E e, Datum) { return IfConverts(e, e.hasLayers ? FixedText(e.Deepest(), 2) : Text()); }},
      {"layers", U"層数", true, 9,
       [](E e, Datum) { return IfConverts(e, Count(static_cast<int>(e.layers.size()))); }},
      {"tests", U"貫入試験数", true, 12,
       [](E e, Datum) { return IfConverts(e, Count(static_cast<int>(e.tests.size()))); }},
      {"largest_n", U"最大 N 値", true, 11,
       [](E e, Datum) {
         const std::optional<double> n = e.LargestN();
         return n ? NumberText(*n) : Text();
       }},
      {"bearing_top_m", U"支持層上端 (m)", true, 14,
       [](E e, Datum) { return Metres(e.bearingTop); }},
      {"result", U"変換", false, 59,
       [](E e, Datum) { return e.Converts() ? Text(kConverts) : e.failure; }},
      {"errors", U"エラー", true, 9, [](E e, Datum) { return Count(e.findings[0]); }},
      {"warnings", U"警告", true, 9, [](E e, Datum) { return Count(e.findings[1]); }},
      {"infos", U"情報", true, 10, [](E e, Datum) { return Count(e.findings[2]); }},
  };
  return kColumns;
}

}  // namespace tecris2nx::report
