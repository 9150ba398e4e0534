#pragma once

#include <vector>

#include "common/text.h"
#include "log/primitives.h"

namespace tecris2nx::boringlog {

/// The patterns of the soil column.
enum class SoilPattern {
  kNone,
  kGravel,        ///< 礫: open circles
  kGravellySoil,  ///< 礫質土: denser circles
  kSand,          ///< 砂: dots
  kSandySoil,     ///< 砂質土: denser dots
  kSilt,          ///< シルト: short dashes in rows
  kClay,          ///< 粘性土: continuous horizontal lines
  kOrganic,       ///< 有機質土: short vertical tick pairs
  kVolcanicClay,  ///< 火山灰質粘性土: wavy lines
  kPeat,          ///< 高有機質土: grass tufts
  kHardRock,      ///< 硬岩: small bricks
  kMediumRock,    ///< 中硬岩: blocks
  kSoftRock,      ///< 軟岩: large blocks
  kBoulder,       ///< 玉石: large circles
  kPumice,        ///< 浮石: circles with a dot
  kShirasu,       ///< シラス: dots and small "v"
  kScoria,        ///< スコリア: filled triangles
  kVolcanicAsh,   ///< 火山灰: small "v"
  kLoam,          ///< ローム: diagonal lines
  kKuroboku,      ///< 黒ボク: dense dots and diagonals
  kMasa,          ///< マサ: small circles and dots
  kTopsoil,       ///< 表土: tufts over dots
  kFill,          ///< 埋土: cross-hatching
  kWaste,         ///< 廃棄土: cross-hatching and squares
  kShell,         ///< 貝殻 (only as an admixture): small arcs
  kNeutral,       ///< a name no pattern stands for: grey with the name
};

/// A layer's look: the base, the qualifier's pattern laid sparsely over it, scattered symbols of
/// the admixture.
struct SoilLook {
  SoilPattern base = SoilPattern::kNone;
  SoilPattern qualifier = SoilPattern::kNone;
  SoilPattern admixture = SoilPattern::kNone;
  friend bool operator==(const SoilLook&, const SoilLook&) = default;
};

/// The look of a soil code (and name, for "9999"), read the way the classification reads it.
SoilLook SoilLookOf(const Text& code, const Text& name);

/// The pattern's name for the legend.
TextView SoilPatternName(SoilPattern pattern);

/// The shapes of the look inside the rectangle, clipped to it; `originY` is where the pattern's
/// rows start (depth 0), so that a layer cut by a page break continues on the next page.
void DrawSoilLook(const SoilLook& look, double left, double top, double right, double bottom,
                  double originY, std::vector<Primitive>& out);

}  // namespace tecris2nx::boringlog
