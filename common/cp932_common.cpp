// CP932 around the system's conversion of single characters. ASCII, the half-width katakana and
// carried raw bytes are single bytes with a fixed mapping and never reach the system: they are
// nearly all of a TECRIS file. The rest is converted once per character and then looked up.
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "common/cp932.h"
#include "common/cp932_system.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

constexpr char32_t kNoPair = 0xFFFFFFFF;
constexpr char32_t kPairUnknown = 0;
constexpr std::uint32_t kEncodingUnknown = 0;
constexpr std::uint32_t kNoEncoding = 1;
constexpr std::uint32_t kEncodingKnown = 0x10000;

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// What the system said of each pair and each character, kept for every thread of the process:
// an entry starts unknown and is filled the first time it is met; two threads filling the same
// entry write the same value. Plain tables of atomics rather than thread-local caches: those
// cost every thread its own conversions, and their destructors at thread exit have corrupted
// the heap of the Windows build. Unknown is zero, so the tables start as zeroed memory that the
// system maps only where an entry is filled: filling them at the start cost 128 page faults.
std::atomic<char32_t> gPairs[1 << 16];
std::atomic<std::uint32_t> gEncodings[1 << 16];  ///< kEncodingKnown | the two bytes, or a mark

bool DecodePair(unsigned char lead, unsigned char trail, char32_t& out) {
  std::atomic<char32_t>& entry =
      gPairs[(static_cast<std::size_t>(lead) << 8) | static_cast<std::size_t>(trail)];
  char32_t c = entry.load(std::memory_order_relaxed);
  if (c == kPairUnknown) {
    if (!cp932_system::DecodePair(lead, trail, c)) c = kNoPair;
    entry.store(c, std::memory_order_relaxed);
  }
  if (c == kNoPair) return false;
  out = c;
  return true;
}

/// A character's two CP932 bytes as lead * 256 + trail; 0 when it has none. Only characters of
/// the basic plane have a CP932 form.
std::uint16_t EncodedPair(char32_t c) {
  if (c > 0xFFFF) return 0;
  std::atomic<std::uint32_t>& entry = gEncodings[c];
  std::uint32_t known = entry.load(std::memory_order_relaxed);
  if (known == kEncodingUnknown) {
    const std::string bytes = cp932_system::EncodeChar(c);
    known = kNoEncoding;
    if (bytes.size() == 2) {
      known = kEncodingKnown | std::uint32_t{static_cast<unsigned char>(bytes[0])} << 8 |
              static_cast<unsigned char>(bytes[1]);
    }
    entry.store(known, std::memory_order_relaxed);
  }
  return known == kNoEncoding ? 0 : static_cast<std::uint16_t>(known & 0xFFFF);
}

template <bool kLossy>
void EncodeInto(TextView text, std::string& out) {
  // At most two bytes a character: size once, fill through a pointer, cut to what was made.
  const std::size_t base = out.size();
  out.resize(base + text.size() * 2);
  char* w = out.data() + base;
  for (char32_t c : text) {
    if (c < 0x80) {
      *w++ = static_cast<char>(c);
    } else if (c >= 0xFF61 && c <= 0xFF9F) {
      *w++ = static_cast<char>(c - 0xFF61 + 0xA1);
    } else if (IsRawByte(c)) {
      *w++ = static_cast<char>(c - kRawByteBase);
    } else {
      const std::uint16_t pair = EncodedPair(c);
      if (pair != 0) {
        *w++ = static_cast<char>(pair >> 8);
        *w++ = static_cast<char>(pair & 0xFF);
      } else if constexpr (kLossy) {
        *w++ = '?';
      } else {
        out.resize(static_cast<std::size_t>(w - out.data()));
        char hex[16];
        std::snprintf(hex, sizeof(hex), "%04X", static_cast<unsigned>(c));
        throw ConversionError(U"文字 U+" + FromUtf8(hex) + U" は CP932 で書けません。");
      }
    }
  }
  out.resize(static_cast<std::size_t>(w - out.data()));
}

template <bool kLossy>
std::string Encode(TextView text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  EncodeInto<kLossy>(text, out);
  return out;
}

}  // namespace

bool IsRawByte(char32_t c) { return c >= kRawByteBase + 0x80 && c <= kRawByteBase + 0xFF; }

Text DecodeCp932(std::string_view bytes) {
  // Never more characters than bytes: size once, fill through a pointer, cut to what was made.
  Text out(bytes.size(), U'\0');
  out.resize(static_cast<std::size_t>(DecodeCp932To(bytes, out.data()) - out.data()));
  return out;
}

char32_t* DecodeCp932To(std::string_view bytes, char32_t* w) {
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      *w++ = b;
    } else if (b >= 0xA1 && b <= 0xDF) {
      *w++ = static_cast<char32_t>(0xFF61 + (b - 0xA1));
    } else {
      char32_t c = 0;
      if (IsLeadByte(b) && i + 1 < n &&
          DecodePair(b, static_cast<unsigned char>(bytes[i + 1]), c)) {
        *w++ = c;
        ++i;
      } else {
        // Not CP932: keep the byte so it can be written back unchanged.
        *w++ = kRawByteBase + b;
      }
    }
  }
  return w;
}

std::string EncodeCp932(TextView text) { return Encode<false>(text); }

void AppendCp932(TextView text, std::string& out) { EncodeInto<false>(text, out); }

std::string EncodeCp932Lossy(TextView text) { return Encode<true>(text); }

}  // namespace tecris2nx
