#include "report/data_files.h"

#include "log/svg_writer.h"
#include "report/index_columns.h"

namespace tecris2nx::report {
namespace {

constexpr char kHex[] = "0123456789abcdef";

/// Degrees for GIS: 7 decimals are a centimetre.
std::string Coordinate(double degrees) { return ToUtf8(FixedText(degrees, 7)); }

}  // namespace

bool OnMap(const BoreholeEntry& entry) { return entry.Converts() && entry.position.wgs84; }

std::string CsvField(TextView text, bool number) {
  Text shown = ShownText(text);
  if (!number && !shown.empty() &&
      (shown[0] == U'=' || shown[0] == U'+' || shown[0] == U'-' || shown[0] == U'@')) {
    shown.insert(shown.begin(), U'\'');
  }
  const std::string utf8 = ToUtf8(shown);
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (const char c : utf8) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string JsonString(TextView text) {
  std::string out = "\"";
  for (const char c : ToUtf8(ShownText(text))) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string XmlText(TextView text) {
  std::string out;
  boringlog::AppendXmlText(out, ShownText(text), true);
  return out;
}

std::string IndexCsvHeader() {
  std::string out = "\xEF\xBB\xBF";
  bool first = true;
  for (const IndexColumn& column : IndexColumns()) {
    if (!first) out += ',';
    first = false;
    out += CsvField(column.heading, false);
  }
  return out + "\r\n";
}

std::string IndexCsvRow(const BoreholeEntry& entry, Datum datum) {
  std::string out;
  bool first = true;
  for (const IndexColumn& column : IndexColumns()) {
    if (!first) out += ',';
    first = false;
    out += CsvField(column.value(entry, datum), column.number);
  }
  return out + "\r\n";
}

std::string GeoJsonHeader(Datum datum) {
  // RFC 7946 has no "crs" member: coordinates are WGS 84. The datum the positions came from is
  // said in a member of the collection's own.
  return "{\"type\":\"FeatureCollection\",\"datum\":" + JsonString(DatumName(datum)) +
         ",\"features\":[";
}

std::string GeoJsonFeature(const BoreholeEntry& entry, Datum datum, bool first) {
  if (!OnMap(entry)) return {};
  std::string out = first ? "\n" : ",\n";
  out += "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[";
  out += Coordinate(entry.position.wgs84->longitude) + "," +
         Coordinate(entry.position.wgs84->latitude);
  out += "]},\"properties\":{";
  bool firstProperty = true;
  for (const IndexColumn& column : IndexColumns()) {
    if (!firstProperty) out += ',';
    firstProperty = false;
    out += '"';
    out += column.key;
    out += "\":";
    const Text value = column.value(entry, datum);
    if (!column.number) {
      out += JsonString(value);
    } else {
      out += value.empty() ? "null" : ToUtf8(value);
    }
  }
  return out + "}}";
}

std::string GeoJsonFooter() { return "\n]}\n"; }

std::string KmlHeader(Datum datum) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>" +
         XmlText(U"ボーリング位置") + "</name>\n<description>" +
         XmlText(U"測地系: " + Text(DatumName(datum)) +
                 (datum == Datum::kTokyo ? U"（JGD2000 に変換して表示）" : U"")) +
         "</description>\n";
}

std::string KmlPlacemark(const BoreholeEntry& entry, Datum) {
  if (!OnMap(entry)) return {};
  Text description = ShownText(entry.title);
  if (entry.hasLayers) description += U"\n深度 " + FixedText(entry.Deepest(), 2) + U" m";
  if (const std::optional<double> n = entry.LargestN()) {
    description += U"\n最大 N 値 " + NumberText(*n);
  }
  // Line ends between the parts are the description's own; ShownText would make them visible.
  std::string text;
  std::size_t start = 0;
  while (start <= description.size()) {
    const std::size_t end = std::min(description.find(U'\n', start), description.size());
    if (start > 0) text += "\n";
    text += XmlText(TextView(description).substr(start, end - start));
    start = end + 1;
  }
  return "<Placemark>\n<name>" + XmlText(entry.identifier) + "</name>\n<description>" + text +
         "</description>\n<Point><coordinates>" + Coordinate(entry.position.wgs84->longitude) +
         "," + Coordinate(entry.position.wgs84->latitude) +
         "</coordinates></Point>\n</Placemark>\n";
}

std::string KmlFooter() { return "</Document>\n</kml>\n"; }

}  // namespace tecris2nx::report
