#include "check/byte_walker.h"

#include <array>

#include "common/cp932.h"

namespace tecris2nx {
namespace {

Text Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  Text text;
  for (const char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    if (!text.empty()) text += U' ';
    text += static_cast<char32_t>(kDigits[u >> 4]);
    text += static_cast<char32_t>(kDigits[u & 15]);
  }
  return text;
}

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

void ByteWalker::Feed(std::string_view bytes) {
  std::size_t i = 0;
  if (carry_ >= 0) {
    if (bytes.empty()) return;
    const char pair[2] = {static_cast<char>(carry_), bytes[0]};
    carry_ = -1;
    i = Unit(std::string_view(pair, 2), 0) - 1;
  }
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      Ascii(b);
      ++i;
    } else if (IsLead(b) && i + 1 == bytes.size()) {
      carry_ = b;  // its follower comes with the next piece
      return;
    } else {
      i += Unit(bytes, i);
    }
  }
}

void ByteWalker::Finish() {
  if (carry_ >= 0) {
    const char alone = static_cast<char>(carry_);
    carry_ = -1;
    Unit(std::string_view(&alone, 1), 0);
  }
  FlushBad();
}

Place ByteWalker::PlaceOf(std::uint64_t offset) const {
  const OffsetList::Below line = lineStarts_.BelowOf(offset + 1);
  const std::size_t narrow = narrow_.BelowOf(offset).count - narrow_.BelowOf(line.last).count;
  return Place{offset, static_cast<long long>(line.count) + 1,
               static_cast<long long>(offset - line.last - narrow) + 1};
}

void ByteWalker::ForgetBefore(std::uint64_t offset) {
  const std::uint64_t lineStart = lineStarts_.BelowOf(offset + 1).last;
  lineStarts_.DropBefore(offset);
  narrow_.DropBefore(lineStart);
}

void ByteWalker::Ascii(unsigned char b) {
  if (badLength_ != 0) FlushBad();
  if (cr_) {
    cr_ = false;
    ++line_;
    column_ = 1;
    // CR LF ends one line: the LF starts none of its own.
    if (b == '\n') {
      if (recording_) narrow_.Push(pos_);
      ++pos_;
      return;
    }
  }
  if (b == '\n' || b == '\r') {
    if (b == '\n') {
      ++line_;
      column_ = 1;
    } else {
      cr_ = true;
      ++column_;
    }
    if (recording_) lineStarts_.Push(pos_ + 1);
  } else {
    ++column_;
  }
  ++pos_;
}

std::size_t ByteWalker::Unit(std::string_view bytes, std::size_t i) {
  const auto b = static_cast<unsigned char>(bytes[i]);
  if (cr_) {
    cr_ = false;
    ++line_;
    column_ = 1;
  }
  // Half-width katakana are always valid single bytes.
  if (b >= 0xA1 && b <= 0xDF) {
    if (badLength_ != 0) FlushBad();
    ++column_;
    ++pos_;
    return 1;
  }
  const std::size_t width = IsLead(b) && i + 1 < bytes.size() ? 2 : 1;
  const std::string_view unit = bytes.substr(i, width);
  std::array<char32_t, 2> decoded{};
  const char32_t* end = DecodeCp932To(unit, decoded.data());
  if (end - decoded.data() != 1 || IsRawByte(decoded[0])) {
    // The lead byte alone is invalid; its follower is looked at on its own.
    if (badLength_ == 0) {
      badPlace_ = Here();
      badBytes_.clear();
    }
    if (badBytes_.size() < 8) badBytes_ += static_cast<char>(b);
    ++badLength_;
    ++column_;
    ++pos_;
    return 1;
  }
  if (badLength_ != 0) FlushBad();
  if (width == 2 && (b == 0x87 || b == 0xED || b == 0xEE || b >= 0xFA)) {
    // Characters with two codes: every text read is written back in the preferred one.
    const std::string preferred = EncodeCp932Lossy(TextView(decoded.data(), 1));
    if (preferred != unit) {
      add_("T602", Severity::kInfo, Here(),
           U"文字 「" + Text(1, decoded[0]) + U"」 は別の符号 (" + Hex(unit) +
               U") で書かれています。出力では " + Hex(preferred) + U" になります。");
    }
  }
  ++column_;
  if (width == 2 && recording_) narrow_.Push(pos_ + 1);
  pos_ += width;
  return width;
}

void ByteWalker::FlushBad() {
  if (badLength_ == 0) return;
  add_("T601", Severity::kWarning, badPlace_,
       U"CP932 として正しくないバイト (" + Hex(badBytes_) + (badLength_ > 8 ? U" …" : U"") +
           U") はそのまま書き写されます。");
  badLength_ = 0;
}

void PlaceFindings(std::string_view bytes, std::vector<Finding>& findings) {
  ByteWalker walker([](const char*, Severity, const Place&, Text) {});
  walker.StopRecording();
  std::size_t fed = 0;
  for (Finding& finding : findings) {
    const std::size_t offset = std::min<std::size_t>(finding.offset, bytes.size());
    if (offset > fed) walker.Feed(bytes.substr(fed, offset - fed));
    fed = std::max(fed, offset);
    const Place place = walker.Here();
    finding.line = place.line;
    finding.column = place.column;
  }
}

}  // namespace tecris2nx
