#include "report/position.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tecris2nx::report {
namespace {

constexpr double kRadian = std::numbers::pi / 180;
constexpr double kMeanRadius = 6371008.8;  // GRS 80's mean radius, metres

struct Ellipsoid {
  double a;         ///< semi-major axis, metres
  double inverseF;  ///< inverse flattening
};
constexpr Ellipsoid kBessel{6377397.155, 299.1528128};
constexpr Ellipsoid kGrs80{6378137.0, 298.257222101};

struct Cartesian {
  double x, y, z;
};

Cartesian ToCartesian(LatLon p, const Ellipsoid& e) {
  const double f = 1 / e.inverseF;
  const double e2 = f * (2 - f);
  const double phi = p.latitude * kRadian;
  const double lambda = p.longitude * kRadian;
  const double n = e.a / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
  return {n * std::cos(phi) * std::cos(lambda), n * std::cos(phi) * std::sin(lambda),
          n * (1 - e2) * std::sin(phi)};
}

LatLon FromCartesian(const Cartesian& c, const Ellipsoid& e) {
  const double f = 1 / e.inverseF;
  const double e2 = f * (2 - f);
  const double p = std::hypot(c.x, c.y);
  // A few fixed-point steps reach well below a millimetre at any height a borehole has.
  double phi = std::atan2(c.z, p * (1 - e2));
  for (int i = 0; i < 6; ++i) {
    const double n = e.a / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
    const double h = p / std::cos(phi) - n;
    phi = std::atan2(c.z, p * (1 - e2 * n / (n + h)));
  }
  return {phi / kRadian, std::atan2(c.y, c.x) / kRadian};
}

/// Degrees, minutes and tenths of seconds; none when the code is not `degreeDigits` + 5 digits
/// or its parts are out of range.
std::optional<double> ReadAngle(TextView code, std::size_t degreeDigits, double lowest,
                                double highest, TextView what, Text& problem) {
  const TextView digits = TrimmedView(code);
  if (digits.empty()) {
    problem = Text(what) + U"のコードがありません";
    return std::nullopt;
  }
  bool allDigits = digits.size() == degreeDigits + 5;
  for (const char32_t c : digits) allDigits = allDigits && c >= U'0' && c <= U'9';
  if (!allDigits) {
    problem = Text(what) + U"のコード「" + Text(digits) + U"」は " +
              DecimalText(static_cast<long long>(degreeDigits + 5)) + U" 桁の数字ではありません";
    return std::nullopt;
  }
  const auto number = [&](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (digits[i] - U'0');
    return value;
  };
  const int degrees = number(0, degreeDigits);
  const int minutes = number(degreeDigits, 2);
  const double seconds = number(degreeDigits + 2, 3) / 10.0;
  const double angle = degrees + minutes / 60.0 + seconds / 3600.0;
  if (minutes >= 60 || seconds >= 60 || angle < lowest || angle > highest) {
    problem = Text(what) + U"のコード「" + Text(digits) + U"」は範囲外です";
    return std::nullopt;
  }
  return angle;
}

}  // namespace

TextView DatumKey(Datum datum) {
  switch (datum) {
    case Datum::kJgd2000:
      return U"jgd2000";
    case Datum::kTokyo:
      return U"tokyo";
    default:
      return U"jgd2011";
  }
}

TextView DatumName(Datum datum) {
  switch (datum) {
    case Datum::kJgd2000:
      return U"JGD2000";
    case Datum::kTokyo:
      return U"日本測地系（Tokyo）";
    default:
      return U"JGD2011";
  }
}

std::optional<Datum> DatumOfKey(TextView key) {
  Text lower(key);
  for (char32_t& c : lower) c = c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
  for (const Datum datum : {Datum::kJgd2011, Datum::kJgd2000, Datum::kTokyo}) {
    if (lower == DatumKey(datum)) return datum;
  }
  return std::nullopt;
}

LatLon TokyoToJgd2000(LatLon tokyo) {
  const Cartesian c = ToCartesian(tokyo, kBessel);
  return FromCartesian({c.x - 146.414, c.y + 507.337, c.z + 680.507}, kGrs80);
}

Position ReadPosition(TextView latitudeCode, TextView longitudeCode, Datum datum) {
  Position position;
  const std::optional<double> latitude =
      ReadAngle(latitudeCode, 2, 20, 46, U"緯度", position.problem);
  if (!latitude) return position;
  const std::optional<double> longitude =
      ReadAngle(longitudeCode, 3, 122, 154, U"経度", position.problem);
  if (!longitude) return position;
  position.asWritten = LatLon{*latitude, *longitude};
  position.wgs84 =
      datum == Datum::kTokyo ? TokyoToJgd2000(*position.asWritten) : *position.asWritten;
  return position;
}

double DistanceMetres(LatLon a, LatLon b) {
  const double phi1 = a.latitude * kRadian;
  const double phi2 = b.latitude * kRadian;
  const double dPhi = phi2 - phi1;
  const double dLambda = (b.longitude - a.longitude) * kRadian;
  const double h = std::sin(dPhi / 2) * std::sin(dPhi / 2) +
                   std::cos(phi1) * std::cos(phi2) * std::sin(dLambda / 2) * std::sin(dLambda / 2);
  return 2 * kMeanRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

PlanePoint ToLocalPlane(LatLon point, LatLon centre) {
  const double phi0 = centre.latitude * kRadian;
  const double phi = point.latitude * kRadian;
  const double dLambda = (point.longitude - centre.longitude) * kRadian;
  const double cosC =
      std::sin(phi0) * std::sin(phi) + std::cos(phi0) * std::cos(phi) * std::cos(dLambda);
  const double c = std::acos(std::clamp(cosC, -1.0, 1.0));
  const double k = c < 1e-12 ? 1 : c / std::sin(c);
  return {
      kMeanRadius * k * std::cos(phi) * std::sin(dLambda),
      kMeanRadius * k *
          (std::cos(phi0) * std::sin(phi) - std::sin(phi0) * std::cos(phi) * std::cos(dLambda))};
}

}  // namespace tecris2nx::report
