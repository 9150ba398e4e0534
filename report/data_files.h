#pragma once

#include <string>

#include "report/delivery.h"

namespace tecris2nx::report {

// The delivery's files for spreadsheets and GIS, each written a row at a time: a header, one
// piece per file in list order, a footer. Every text from a file goes through ShownText first
// (controls become visible "\xHH"), then through the format's own escaping.

/// A file the conversion takes and that has a position: placed on the map and in the GIS files.
/// A file the conversion rejects is only in the index, with its reason.
bool OnMap(const BoreholeEntry& entry);

/// A CSV field (RFC 4180): quoted when it holds a comma, a quote or a line end, quotes doubled.
/// A text that a spreadsheet would take for a formula (=, +, -, @ first) is kept as text with a
/// leading apostrophe.
std::string CsvField(TextView text, bool number);
/// A JSON string, quotes included.
std::string JsonString(TextView text);
/// Text for XML and HTML content and attribute values.
std::string XmlText(TextView text);

/// "index.csv": UTF-8 with a byte-order mark, lines ended by CR LF.
std::string IndexCsvHeader();
std::string IndexCsvRow(const BoreholeEntry& entry, Datum datum);

/// "boreholes.geojson" (RFC 7946): points in WGS 84, longitude first; a feature per file OnMap.
std::string GeoJsonHeader(Datum datum);
/// The feature of the entry, or nothing; `first` tells whether a comma goes before it.
std::string GeoJsonFeature(const BoreholeEntry& entry, Datum datum, bool first);
std::string GeoJsonFooter();

/// "boreholes.kml" (KML 2.2): a placemark per file with a position.
std::string KmlHeader(Datum datum);
std::string KmlPlacemark(const BoreholeEntry& entry, Datum datum);
std::string KmlFooter();

}  // namespace tecris2nx::report
