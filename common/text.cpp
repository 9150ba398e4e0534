#include "common/text.h"

#include <algorithm>

#include "common/cp932.h"

namespace tecris2nx {

Text TrimLeftBlanks(TextView text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == kBlank) ++start;
  return Text(text.substr(start));
}

Text TrimRightBlanks(TextView text) {
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == kBlank) --end;
  return Text(text.substr(0, end));
}

Text TrimBlanks(TextView text) { return Text(TrimmedView(text)); }

TextView TrimmedView(TextView text) {
  std::size_t start = 0;
  std::size_t end = text.size();
  while (start < end && text[start] == kBlank) ++start;
  while (end > start && text[end - 1] == kBlank) --end;
  return text.substr(start, end - start);
}

bool IsBlankOrEmpty(TextView text) {
  for (char32_t c : text) {
    if (c != kBlank) return false;
  }
  return true;
}

char32_t FoldedLetter(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - (U'a' - U'A');
  if (c >= U'ａ' && c <= U'ｚ') return c - (U'ａ' - U'Ａ');
  return c;
}

Text ToHalfWidthUpper(TextView text) {
  Text result;
  result.reserve(text.size());
  for (char32_t c : text) {
    if (c >= 0xFF01 && c <= 0xFF5E) {
      c = c - 0xFF01 + 0x21;
    } else if (c == 0x3000) {
      c = U' ';
    }
    if (c >= U'a' && c <= U'z') c = c - U'a' + U'A';
    result += c;
  }
  return result;
}

namespace {

/// ASCII text as its bytes, which are its UTF-8; false, with nothing made, for any other text.
/// Paths and messages are mostly ASCII, and each file converted names a score of them.
bool AsciiBytes(TextView text, std::string& bytes) {
  char32_t all = 0;
  for (const char32_t c : text) all |= c;
  if (all >= 0x80) return false;
  bytes.resize(text.size());
  std::copy(text.begin(), text.end(), bytes.begin());
  return true;
}

}  // namespace

std::string ToUtf8(TextView text) {
  std::string out;
  if (AsciiBytes(text, out)) return out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

Text FromUtf8(std::string_view utf8) {
  Text out;
  if (std::all_of(utf8.begin(), utf8.end(), [](char b) { return (b & 0x80) == 0; })) {
    return Text(utf8.begin(), utf8.end());
  }
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (b < 0x80) {
      out += b;
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, c = b & 0x07, min = 0x10000;
    } else {
      out += 0xFFFD;
      ++i;
      continue;
    }
    if (i + static_cast<std::size_t>(extra) >= utf8.size()) {  // cut off at the end
      out += 0xFFFD;
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto t = static_cast<unsigned char>(utf8[i + k]);
      if ((t & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (t & 0x3F);
    }
    if (!ok || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += 0xFFFD;
      ++i;
      continue;
    }
    out += c;
    i += extra + 1;
  }
  return out;
}

namespace {

/// Length of the valid UTF-8 sequence at the start of the bytes; 0 when there is none.
std::size_t ValidUtf8Length(std::string_view bytes) {
  const Text one = FromUtf8(bytes.substr(0, std::min<std::size_t>(bytes.size(), 4)));
  if (one.empty() || one[0] == 0xFFFD) {
    // U+FFFD written out in UTF-8 is a valid character of its own.
    return bytes.starts_with("\xEF\xBF\xBD") ? 3 : 0;
  }
  const char32_t c = one[0];
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace

Text FromNativeName(std::string_view bytes) {
  Text name;
  name.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t n = ValidUtf8Length(bytes.substr(i));
    if (n == 0) {
      name += kRawByteBase + static_cast<unsigned char>(bytes[i]);
      ++i;
    } else {
      name += FromUtf8(bytes.substr(i, n));
      i += n;
    }
  }
  return name;
}

std::string NativeNameBytes(TextView name) {
  std::string bytes;
  if (AsciiBytes(name, bytes)) return bytes;  // no raw byte among them
  bytes.reserve(name.size());
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !IsRawByte(name[i])) continue;
    bytes += ToUtf8(name.substr(start, i - start));
    if (i < name.size()) bytes += static_cast<char>(name[i] - kRawByteBase);
    start = i + 1;
  }
  return bytes;
}

Text ShownText(TextView text) {
  constexpr char32_t kDigits[] = U"0123456789ABCDEF";
  Text shown;
  shown.reserve(text.size());
  for (const char32_t c : text) {
    unsigned code = 0;
    if (IsRawByte(c)) {
      code = static_cast<unsigned>(c - kRawByteBase);
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      // C0, DEL and C1 would move the cursor, clear the screen or retitle a terminal, and a line
      // break would split one message over two lines.
      code = static_cast<unsigned>(c);
    } else if (c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
               (c >= 0x2066 && c <= 0x2069)) {
      // Direction marks, embeddings, overrides and isolates would show the rest of a line in
      // another order ("1.999" reversed as "999.1"), and a line or paragraph separator would
      // break it.
      shown += U"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) shown += kDigits[(c >> shift) & 0xF];
      continue;
    } else {
      shown += c;
      continue;
    }
    shown += U"\\x";
    shown += kDigits[code >> 4];
    shown += kDigits[code & 0xF];
  }
  return shown;
}

Text ShownName(TextView name) { return ShownText(name); }

Text DecimalText(long long value) {
  const std::string digits = std::to_string(value);
  return Text(digits.begin(), digits.end());
}

}  // namespace tecris2nx
