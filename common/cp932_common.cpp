// CP932 around the system's conversion of single characters. ASCII, the half-width katakana and
// carried raw bytes are single bytes with a fixed mapping and never reach the system: they are
// nearly all of a TECRIS file. The rest is converted once per character and then looked up.
#include <array>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "common/cp932.h"
#include "common/cp932_system.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

constexpr char32_t kNoPair = 0xFFFFFFFF;

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

/// A double-byte character from a table filled one lead byte's row at a time.
bool DecodePair(unsigned char lead, unsigned char trail, char32_t& out) {
  thread_local std::vector<char32_t> pairs;
  thread_local std::array<bool, 256> rowDone{};
  if (!rowDone[lead]) {
    if (pairs.empty()) pairs.assign(1 << 16, kNoPair);
    for (int t = 0; t < 256; ++t) {
      char32_t c = kNoPair;
      if (!cp932_system::DecodePair(lead, static_cast<unsigned char>(t), c)) c = kNoPair;
      pairs[(static_cast<std::size_t>(lead) << 8) | static_cast<std::size_t>(t)] = c;
    }
    rowDone[lead] = true;
  }
  const char32_t c = pairs[(static_cast<std::size_t>(lead) << 8) | trail];
  if (c == kNoPair) return false;
  out = c;
  return true;
}

/// A character's two bytes, remembered per character: a text repeats the same few characters.
const std::string& EncodeChar(char32_t c) {
  thread_local std::unordered_map<char32_t, std::string> known;
  auto it = known.find(c);
  if (it == known.end()) it = known.emplace(c, cp932_system::EncodeChar(c)).first;
  return it->second;
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
      const std::string& bytes = EncodeChar(c);
      if (!bytes.empty()) {
        for (char b : bytes) *w++ = b;
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
  Text out;
  AppendDecodedCp932(bytes, out);
  return out;
}

void AppendDecodedCp932(std::string_view bytes, Text& out) {
  // Never more characters than bytes: size once, fill through a pointer, cut to what was made.
  const std::size_t base = out.size();
  out.resize(base + bytes.size());
  out.resize(static_cast<std::size_t>(DecodeCp932To(bytes, out.data() + base) - out.data()));
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
