#include "common/source_encoding.h"

#include <cstdint>
#include <cstdio>

#include "common/cp932.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

// Reads the next UTF-8 character at `i`, moving past it; false where the bytes are not UTF-8.
bool NextUtf8(std::string_view bytes, std::size_t& i, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char b = byte(i);
  if (b < 0x80) {
    c = b;
    ++i;
    return true;
  }
  std::size_t length = 0;
  char32_t least = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2, c = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, c = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, c = b & 0x07, least = 0x10000;
  } else {
    return false;
  }
  if (bytes.size() - i < length) return false;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return false;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  i += length;
  return true;
}

// Reads the next UTF-16 character at `i` (big-endian when `big`), moving past it.
bool NextUtf16(std::string_view bytes, std::size_t& i, bool big, char32_t& c) {
  const auto unit = [&](std::size_t k) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[k]);
    const auto b = static_cast<unsigned char>(bytes[k + 1]);
    return big ? (a << 8) | b : (b << 8) | a;
  };
  if (bytes.size() - i < 2) return false;
  c = unit(i);
  i += 2;
  if (c >= 0xDC00 && c <= 0xDFFF) return false;
  if (c < 0xD800 || c > 0xDBFF) return true;
  if (bytes.size() - i < 2) return false;
  const char32_t low = unit(i);
  if (low < 0xDC00 || low > 0xDFFF) return false;
  i += 2;
  c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
  return true;
}

// Whether bytes handed piece by piece are CP932: a character may straddle two pieces.
class Cp932Checker {
 public:
  bool Feed(std::string_view piece) {
    for (const char byte : piece) {
      const auto b = static_cast<unsigned char>(byte);
      if (lead_ != 0) {
        const char pair[2] = {static_cast<char>(lead_), byte};
        // Room for two: a pair that is no character decodes as two carried bytes.
        char32_t decoded[2] = {};
        DecodeCp932To(std::string_view(pair, 2), decoded);
        lead_ = 0;
        if (IsRawByte(decoded[0])) return false;
      } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
        lead_ = b;
      } else if (b >= 0x80 && !(b >= 0xA1 && b <= 0xDF)) {
        return false;
      }
    }
    return true;
  }
  bool Complete() const { return lead_ == 0; }

 private:
  unsigned char lead_ = 0;
};

// Whether bytes handed piece by piece are UTF-8: a character may straddle two pieces.
class Utf8Checker {
 public:
  bool Feed(std::string_view piece) {
    for (const char byte : piece) {
      const auto b = static_cast<unsigned char>(byte);
      if (expected_ > 0) {
        if (b < low_ || b > high_) return false;
        --expected_;
        low_ = 0x80, high_ = 0xBF;  // only the first continuation byte is narrowed
        continue;
      }
      low_ = 0x80, high_ = 0xBF;
      if (b < 0x80) continue;
      if (b >= 0xC2 && b <= 0xDF) {
        expected_ = 1;
      } else if (b >= 0xE0 && b <= 0xEF) {
        expected_ = 2;
        if (b == 0xE0) low_ = 0xA0;   // no overlong forms
        if (b == 0xED) high_ = 0x9F;  // no surrogates
      } else if (b >= 0xF0 && b <= 0xF4) {
        expected_ = 3;
        if (b == 0xF0) low_ = 0x90;
        if (b == 0xF4) high_ = 0x8F;  // nothing beyond U+10FFFF
      } else {
        return false;
      }
    }
    return true;
  }
  bool Complete() const { return expected_ == 0; }

 private:
  int expected_ = 0;
  unsigned char low_ = 0x80, high_ = 0xBF;
};

Text CodePointText(char32_t c) {
  char hex[16];
  std::snprintf(hex, sizeof(hex), "U+%04X", static_cast<unsigned>(c));
  return FromUtf8(hex);
}

std::string ReadWhole(ByteSource& source) {
  std::string bytes;
  while (source.ReadMore(bytes, std::size_t{1} << 16)) {
  }
  return bytes;
}

}  // namespace

Text EncodingName(SourceEncoding encoding) {
  switch (encoding) {
    case SourceEncoding::kCp932:
      return U"CP932";
    case SourceEncoding::kUtf8:
      return U"UTF-8";
    case SourceEncoding::kUtf8WithMark:
      return U"UTF-8（BOM 付き）";
    case SourceEncoding::kUtf16Le:
      return U"UTF-16LE";
    case SourceEncoding::kUtf16Be:
      return U"UTF-16BE";
  }
  return U"";
}

Text EncodingNotice(SourceEncoding encoding) {
  if (encoding == SourceEncoding::kCp932) return Text();
  const Text name = EncodingName(encoding);
  // No blank after a full-width parenthesis.
  return U"文字コードが " + name + (name.back() == U'）' ? U"" : U" ") +
         U"のファイルでした。CP932 に変換して読みました。";
}

bool IsCp932Text(std::string_view bytes) {
  Cp932Checker checker;
  return checker.Feed(bytes) && checker.Complete();
}

bool IsUtf8Text(std::string_view bytes) {
  Utf8Checker checker;
  return checker.Feed(bytes) && checker.Complete();
}

SourceEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) return SourceEncoding::kUtf8WithMark;
  if (bytes.starts_with(kUtf16LeMark)) return SourceEncoding::kUtf16Le;
  if (bytes.starts_with(kUtf16BeMark)) return SourceEncoding::kUtf16Be;
  if (IsCp932Text(bytes) || !IsUtf8Text(bytes)) return SourceEncoding::kCp932;
  return SourceEncoding::kUtf8;
}

std::string ConvertToCp932(std::string_view bytes, SourceEncoding from) {
  if (from == SourceEncoding::kCp932) return std::string(bytes);
  const bool utf16 = from == SourceEncoding::kUtf16Le || from == SourceEncoding::kUtf16Be;
  std::size_t i = 0;
  if (from == SourceEncoding::kUtf8WithMark ||
      (from == SourceEncoding::kUtf8 && bytes.starts_with(kUtf8Mark))) {
    i = kUtf8Mark.size();
  } else if (utf16 && (bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark))) {
    i = 2;
  }
  std::string out;
  out.reserve(bytes.size());
  long long line = 1;
  long long column = 1;
  bool afterCr = false;
  Text one(1, U'\0');
  while (i < bytes.size()) {
    char32_t c = 0;
    const bool read =
        utf16 ? NextUtf16(bytes, i, from == SourceEncoding::kUtf16Be, c) : NextUtf8(bytes, i, c);
    const Text where = U"行 " + DecimalText(line) + U"、列 " + DecimalText(column) + U": ";
    if (!read) {
      throw ConversionError(where + EncodingName(from) + U" として読めないバイトがあります。");
    }
    one[0] = c;
    try {
      AppendCp932(one, out);
    } catch (const ConversionError&) {
      const Text shown = c >= 0x20 && c != 0x7F ? U"「" + one + U"」" : Text();
      throw ConversionError(where + U"文字 " + shown + CodePointText(c) +
                            U" は CP932 で書けません。");
    }
    // Lines end at LF, CR LF or CR, as places in findings count them.
    if (c == U'\n') {
      if (!afterCr) ++line;
      column = 1;
    } else if (c == U'\r') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
    afterCr = c == U'\r';
  }
  return out;
}

std::unique_ptr<ByteSource> OpenAsCp932(const FileSystem& fs, const Text& path,
                                        EncodingChoice choice, SourceEncoding& found) {
  found = SourceEncoding::kCp932;
  std::unique_ptr<ByteSource> source = fs.OpenForReading(path);
  if (choice == EncodingChoice::kCp932) return source;
  if (choice == EncodingChoice::kUtf8) {
    const std::string bytes = ReadWhole(*source);
    found = bytes.starts_with(kUtf8Mark) ? SourceEncoding::kUtf8WithMark : SourceEncoding::kUtf8;
    return HeldBytes(ConvertToCp932(bytes, found));
  }
  // A look through the file decides, piece by piece; a CP932 file is then read afresh, so that a
  // large one is never held whole.
  std::string piece;
  bool first = true;
  Cp932Checker cp932;
  bool isCp932 = true;
  while (isCp932 && source->ReadMore(piece, std::size_t{1} << 16)) {
    if (first) {
      const std::string_view start = piece;
      if (start.starts_with(kUtf8Mark) || start.starts_with(kUtf16LeMark) ||
          start.starts_with(kUtf16BeMark)) {
        std::string bytes = piece + ReadWhole(*source);
        found = DetectEncoding(bytes);
        return HeldBytes(ConvertToCp932(bytes, found));
      }
      first = false;
    }
    isCp932 = cp932.Feed(piece);
    piece.clear();
  }
  if (isCp932 && cp932.Complete()) return fs.OpenForReading(path);
  // Not CP932: UTF-8 only when all of it is.
  Utf8Checker utf8;
  source = fs.OpenForReading(path);
  bool isUtf8 = true;
  while (isUtf8 && source->ReadMore(piece, std::size_t{1} << 16)) {
    isUtf8 = utf8.Feed(piece);
    piece.clear();
  }
  if (!isUtf8 || !utf8.Complete()) return fs.OpenForReading(path);
  found = SourceEncoding::kUtf8;
  return HeldBytes(ConvertToCp932(ReadWhole(*fs.OpenForReading(path)), found));
}

}  // namespace tecris2nx
