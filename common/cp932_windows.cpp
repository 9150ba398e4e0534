// CP932 through the system's own tables (code page 932). ASCII, the half-width katakana and carried
// raw bytes are single bytes with a fixed mapping and never reach the system: they are nearly all
// of a TECRIS file. The system substitutes silently where this program must not (undefined
// pairs become a default character, unencodable characters become "?" or a look-alike), so every
// call is made for one character and its result is checked.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

#include "common/cp932.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

constexpr UINT kCodePage = 932;

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

/// Decodes one double-byte character; false when the code page does not define it.
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

/// CP932 bytes of one character outside the single-byte ranges; empty when there are none.
std::string EncodeOne(char32_t c) {
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

template <bool kLossy>
std::string Encode(TextView text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c >= 0xFF61 && c <= 0xFF9F) {
      out += static_cast<char>(c - 0xFF61 + 0xA1);
    } else if (IsRawByte(c)) {
      out += static_cast<char>(c - kRawByteBase);
    } else {
      std::string bytes = EncodeOne(c);
      if (bytes.empty()) {
        if constexpr (kLossy) {
          bytes = "?";
        } else {
          Text message = U"文字 U+";
          char hex[16];
          std::snprintf(hex, sizeof(hex), "%04X", static_cast<unsigned>(c));
          message += FromUtf8(hex);
          message += U" は CP932 で書けません。";
          throw ConversionError(message);
        }
      }
      out += bytes;
    }
  }
  return out;
}

}  // namespace

Text DecodeCp932(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out += static_cast<char32_t>(b);
    } else if (b >= 0xA1 && b <= 0xDF) {
      out += static_cast<char32_t>(0xFF61 + (b - 0xA1));
    } else {
      char32_t c = 0;
      if (i + 1 < n && DecodePair(b, static_cast<unsigned char>(bytes[i + 1]), c)) {
        out += c;
        ++i;
      } else {
        // Not CP932 (0x80, 0xA0 and 0xFD..0xFF included, which the system would map to private
        // characters): keep the byte so it can be written back unchanged.
        out += kRawByteBase + b;
      }
    }
  }
  return out;
}

std::string EncodeCp932(TextView text) { return Encode<false>(text); }

std::string EncodeCp932Lossy(TextView text) { return Encode<true>(text); }

}  // namespace tecris2nx
