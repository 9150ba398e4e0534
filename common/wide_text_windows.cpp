#include "common/wide_text.h"

#include <cstdint>

namespace tecris2nx {

// The library's own UTF-32 conversion would throw on a lone surrogate: done by hand.
std::wstring ToWide(const Text& text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      wide += static_cast<wchar_t>(0xD800 + (c >> 10));
      wide += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(c);
    }
  }
  return wide;
}

Text FromWide(std::wstring_view wide) {
  Text text;
  text.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t unit = static_cast<std::uint16_t>(wide[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size()) {
      const char32_t next = static_cast<std::uint16_t>(wide[i + 1]);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        text += 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        ++i;
        continue;
      }
    }
    text += unit;  // lone surrogates are kept as they are
  }
  return text;
}

}  // namespace tecris2nx
