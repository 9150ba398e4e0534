#pragma once

#include <optional>

#include "common/text.h"

namespace tecris2nx::report {

/// The datum a delivery's positions are written in. JGD2000 and JGD2011 are taken as WGS 84,
/// which they match to centimetres; Tokyo is moved to JGD2000 first.
enum class Datum { kJgd2011, kJgd2000, kTokyo };

/// "jgd2011", "jgd2000", "tokyo": what the command line takes and the settings keep.
TextView DatumKey(Datum datum);
/// "JGD2011", "JGD2000", "日本測地系（Tokyo）": what every output writes.
TextView DatumName(Datum datum);
std::optional<Datum> DatumOfKey(TextView key);

/// Degrees, north and east.
struct LatLon {
  double latitude = 0;
  double longitude = 0;
};

/// A borehole's place as section A writes it, or why it has none.
struct Position {
  std::optional<LatLon> asWritten;  ///< in the file's own datum
  std::optional<LatLon> wgs84;      ///< for maps and GIS (moved from Tokyo when asked)
  Text problem;                     ///< why there is no position; empty when there is one
};

/// Reads code 2 (latitude, "DDMMSSs") and code 3 (longitude, "DDDMMSSs"), blanks around them
/// ignored, and moves the result into WGS 84 when the datum is Tokyo.
Position ReadPosition(TextView latitudeCode, TextView longitudeCode, Datum datum);

/// The EPSG's three-parameter transformation from Tokyo (EPSG:4301) to JGD2000 (EPSG:4612), on
/// the ellipsoid (height 0).
LatLon TokyoToJgd2000(LatLon tokyo);

/// Metres between two points on the GRS 80 ellipsoid's mean sphere: close enough for the
/// distances between boreholes of one site.
double DistanceMetres(LatLon a, LatLon b);

/// An azimuthal equidistant plane around `centre` on the mean sphere: metres east and north.
struct PlanePoint {
  double east = 0;
  double north = 0;
};
PlanePoint ToLocalPlane(LatLon point, LatLon centre);

}  // namespace tecris2nx::report
