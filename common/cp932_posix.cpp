// Single CP932 characters through iconv.
#include <iconv.h>

#include <bit>

#include "common/cp932_system.h"
#include "common/error.h"

namespace tecris2nx::cp932_system {
namespace {

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

}  // namespace

bool DecodePair(unsigned char lead, unsigned char trail, char32_t& out) {
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

std::string EncodeChar(char32_t c) {
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

}  // namespace tecris2nx::cp932_system
