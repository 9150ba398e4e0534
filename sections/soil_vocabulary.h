#pragma once

#include <span>

#include "common/text.h"

namespace tecris2nx {

/// The soil code that stands for "the layer's own soil name".
inline constexpr TextView kFreeSoilCode = U"9999";
/// Topsoil: the name a zero code stands for.
inline constexpr TextView kTopsoilName = U"表土";

/// A value of a soil code's last three characters that names a soil outright.
struct SpecialSoilValue {
  int value;
  TextView name;
};

/// The special values in the order they are tested.
std::span<const SpecialSoilValue> SpecialSoilValues();

/// Code positions whose digit adds a part to the soil name (1 is the first character).
enum SoilDigitPosition : int {
  kMainSoilPosition = 2,
  kQualifierPosition = 3,
  kAdmixturePosition = 4
};

/// The name part for a digit at a code position; empty when the position's table lacks the digit.
TextView SoilDigitPart(int position, int digit);

/// One letter of a colour text.
struct SoilColour {
  char32_t letter;
  TextView code;  ///< two digits
  TextView name;
};

/// The colour for an upper-case half-width letter; nullptr for any other character.
const SoilColour* FindSoilColour(char32_t letter);

}  // namespace tecris2nx
