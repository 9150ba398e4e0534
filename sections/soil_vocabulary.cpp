#include "sections/soil_vocabulary.h"

#include <array>

namespace tecris2nx {
namespace {

// These texts are compared with the pattern data and written out byte for byte: keep them exact.

constexpr std::array<SpecialSoilValue, 14> kSpecialValues = {{
    {91, U"硬岩"},
    {92, U"中硬岩"},
    {93, U"軟岩"},
    {94, U"玉石"},
    {10, U"浮石"},
    {20, U"シラス"},
    {30, U"スコリア"},
    {40, U"火山灰"},
    {50, U"ローム"},
    {60, U"黒ボク"},
    {70, U"マサ"},
    {0, U"表土"},
    {1, U"埋土"},
    {2, U"廃棄土"},
}};

// Index = digit; an empty entry means the digit adds nothing.
constexpr std::array<TextView, 10> kAdmixtureParts = {
    U"",         U"玉石混り",     U"砂利・礫混り", U"砂混り",   U"シルト混り",
    U"粘土混り", U"有機質土混り", U"火山灰混り",   U"貝殻混り", U"",
};

constexpr std::array<TextView, 10> kQualifierParts = {
    U"", U"砂質", U"シルト質", U"粘土質", U"有機質", U"火山灰質", U"", U"", U"", U"",
};

constexpr std::array<TextView, 10> kMainSoilParts = {
    U"",       U"礫",       U"礫質土",         U"砂",         U"砂質土", U"シルト",
    U"粘性土", U"有機質土", U"火山灰質粘性土", U"高有機質土",
};

constexpr std::array<SoilColour, 16> kColours = {{
    {U'K', U"01", U"黒"},
    {U'C', U"02", U"褐"},
    {U'R', U"04", U"赤"},
    {U'O', U"05", U"橙"},
    {U'Y', U"06", U"黄"},
    {U'M', U"07", U"緑"},
    {U'A', U"08", U"青"},
    {U'V', U"09", U"紫"},
    {U'H', U"10", U"灰"},
    {U'W', U"12", U"白"},
    {U'N', U"13", U"濃"},
    {U'L', U"14", U"淡"},
    {U'D', U"15", U"暗"},
    {U'B', U"16", U"帯"},
    {U'P', U"17", U"雑"},
    {U'S', U"18", U"斑"},
}};

}  // namespace

std::span<const SpecialSoilValue> SpecialSoilValues() { return kSpecialValues; }

TextView SoilDigitPart(int position, int digit) {
  if (digit < 0 || digit > 9) return {};
  const auto index = static_cast<std::size_t>(digit);
  switch (position) {
    case kAdmixturePosition:
      return kAdmixtureParts[index];
    case kQualifierPosition:
      return kQualifierParts[index];
    case kMainSoilPosition:
      return kMainSoilParts[index];
    default:
      return {};
  }
}

const SoilColour* FindSoilColour(char32_t letter) {
  for (const SoilColour& colour : kColours) {
    if (colour.letter == letter) return &colour;
  }
  return nullptr;
}

}  // namespace tecris2nx
