#pragma once

#include <string>
#include <vector>

#include "report/delivery.h"

namespace tecris2nx::report {

/// A column of the index: the one description that "index.csv", the GeoJSON and KML properties
/// and the report's tables all walk.
struct IndexColumn {
  const char* key;  ///< the GeoJSON property's name: ASCII, as GIS programs expect
  TextView heading;
  bool number;   ///< a number (or empty), unquoted in JSON
  double width;  ///< millimetres in the report's table; 0: only in the files
  Text (*value)(const BoreholeEntry& entry, Datum datum);
};

const std::vector<IndexColumn>& IndexColumns();

/// A number with `decimals` digits after the point ("35.2095833").
Text FixedText(double value, int decimals);

/// The conversion's result as the index writes it.
extern const TextView kConverts;

/// The index's note on the position: why there is none, or the datum it was moved from.
Text PositionNote(const BoreholeEntry& entry, Datum datum);

}  // namespace tecris2nx::report
