// Single CP932 characters through the system's own tables (code page 932). The system
// substitutes silently where this program must not (undefined pairs become a default character,
// unencodable characters become "?" or a look-alike), so every result is checked.
#include "common/windows_api.h"

#include "common/cp932_system.h"

namespace tecris2nx::cp932_system {
namespace {

constexpr UINT kCodePage = 932;

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

}  // namespace

bool DecodePair(unsigned char lead, unsigned char trail, char32_t& out) {
  if (!IsLeadByte(lead) || !IsTrailByte(trail)) return false;
  const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  wchar_t wide[2] = {};
  const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in, 2, wide, 2);
  // Every character of CP932 is one UTF-16 unit outside the surrogates.
  if (n != 1 || (wide[0] >= 0xD800 && wide[0] <= 0xDFFF)) return false;
  // Some systems map an undefined pair to the katakana middle dot instead of failing; that dot's
  // own code is 0x81 0x45.
  if (wide[0] == 0x30FB && !(lead == 0x81 && trail == 0x45)) return false;
  out = wide[0];
  return true;
}

std::string EncodeChar(char32_t c) {
  // Surrogates and characters beyond the BMP have no CP932 form.
  if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
  const wchar_t wide[1] = {static_cast<wchar_t>(c)};
  char out[8];
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, 1, out,
                                    static_cast<int>(sizeof(out)), nullptr, &usedDefault);
  // Only a real double-byte character counts: the system also gives single bytes for U+0080 and
  // for the private characters it maps 0xA0 and 0xFD..0xFF to, which are not CP932 characters.
  if (n != 2 || usedDefault || !IsLeadByte(static_cast<unsigned char>(out[0])) ||
      !IsTrailByte(static_cast<unsigned char>(out[1]))) {
    return {};
  }
  return std::string(out, 2);
}

}  // namespace tecris2nx::cp932_system
