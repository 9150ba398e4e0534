// CP932 through iconv. ASCII, the half-width katakana and carried raw bytes are single bytes with
// a fixed mapping and never reach iconv: they are nearly all of a TECRIS file.
#include <iconv.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "common/cp932.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);
constexpr const char* kUtf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";

/// One iconv descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  iconv_t get() const {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw ConversionError(U"文字コード変換 (CP932) を準備できません。");
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    return cd_;
  }

 private:
  iconv_t cd_;
};

iconv_t Decoder() {
  thread_local Converter converter(kUtf32, "CP932");
  return converter.get();
}

iconv_t Encoder() {
  thread_local Converter converter("CP932", kUtf32);
  return converter.get();
}

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

/// Decodes one double-byte character with iconv; false when iconv does not know it.
bool ConvertPair(unsigned char lead, unsigned char trail, char32_t& out) {
  char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  char* inPtr = in;
  std::size_t inLeft = 2;
  char32_t result[2] = {};
  char* outPtr = reinterpret_cast<char*>(result);
  std::size_t outLeft = sizeof(result);
  if (iconv(Decoder(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
      inLeft != 0 || outLeft != sizeof(char32_t)) {
    return false;
  }
  out = result[0];
  return true;
}

constexpr char32_t kNoPair = 0xFFFFFFFF;

/// Decodes one double-byte character; false when it is not CP932. Each lead byte's row of
/// characters is converted once and then looked up: iconv per character is slow.
bool DecodePair(unsigned char lead, unsigned char trail, char32_t& out) {
  thread_local std::vector<char32_t> pairs;
  thread_local std::array<bool, 256> rowDone{};
  if (!rowDone[lead]) {
    if (pairs.empty()) pairs.assign(1 << 16, kNoPair);
    for (int t = 0; t < 256; ++t) {
      char32_t c = kNoPair;
      if (!ConvertPair(lead, static_cast<unsigned char>(t), c)) c = kNoPair;
      pairs[(static_cast<std::size_t>(lead) << 8) | static_cast<std::size_t>(t)] = c;
    }
    rowDone[lead] = true;
  }
  const char32_t c = pairs[(static_cast<std::size_t>(lead) << 8) | trail];
  if (c == kNoPair) return false;
  out = c;
  return true;
}

/// CP932 bytes of one character outside the single-byte ranges; empty when there are none.
std::string ConvertOne(char32_t c) {
  char32_t in[1] = {c};
  char* inPtr = reinterpret_cast<char*>(in);
  std::size_t inLeft = sizeof(in);
  char out[8];
  char* outPtr = out;
  std::size_t outLeft = sizeof(out);
  if (iconv(Encoder(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
      inLeft != 0) {
    return {};
  }
  // iconv also writes look-alikes (WAVE DASH as FULLWIDTH TILDE, YEN SIGN as the backslash):
  // only a pair that reads back as the same character is that character's CP932 form.
  char32_t back = 0;
  if (sizeof(out) - outLeft != 2 ||
      !DecodePair(static_cast<unsigned char>(out[0]), static_cast<unsigned char>(out[1]), back) ||
      back != c) {
    return {};
  }
  return std::string(out, 2);
}

/// ConvertOne, remembered per character: a text repeats the same few characters.
const std::string& EncodeOne(char32_t c) {
  thread_local std::unordered_map<char32_t, std::string> known;
  auto it = known.find(c);
  if (it == known.end()) it = known.emplace(c, ConvertOne(c)).first;
  return it->second;
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
      const std::string& bytes = EncodeOne(c);
      if (bytes.empty()) {
        if constexpr (kLossy) {
          out += '?';
          continue;
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
      if (IsLeadByte(b) && i + 1 < n && DecodePair(b, static_cast<unsigned char>(bytes[i + 1]), c)) {
        out += c;
        ++i;
      } else {
        // Not CP932: keep the byte so it can be written back unchanged.
        out += kRawByteBase + b;
      }
    }
  }
  return out;
}

std::string EncodeCp932(TextView text) { return Encode<false>(text); }

std::string EncodeCp932Lossy(TextView text) { return Encode<true>(text); }

}  // namespace tecris2nx
