#include "tecris/field_reader.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"

namespace tecris2nx {
namespace {

constexpr char kEndOfFileMark = '\x1A';

Text Where(char32_t section, long long field) {
  Text where;
  if (section != 0) {
    where += U"セクション ";
    where += section;
    where += U" の";
  }
  where += U"フィールド ";
  where += DecimalText(field);
  where += U": ";
  return where;
}

}  // namespace

FieldReader FieldReader::FromCp932(std::string bytes) {
  FieldReader reader;
  // 0x1A, like every delimiter, is never half of a double-byte character (see Scan).
  if (!bytes.empty() && bytes.back() == kEndOfFileMark) {
    bytes.pop_back();
    reader.endMark_ = true;
  }
  reader.bytes_ = std::move(bytes);
  return reader;
}

FieldReader FieldReader::FromSource(std::unique_ptr<ByteSource> source) {
  FieldReader reader;
  reader.source_ = std::move(source);
  return reader;
}

bool FieldReader::Load() {
  if (!source_) return false;
  constexpr std::size_t kPiece = 1 << 16;
  std::string& bytes = bytes_;
  // What lies before the reader is done with.
  Feed(dropped_ + pos_);
  bytes.erase(0, pos_);
  dropped_ += pos_;
  pos_ = 0;
  // A field that runs past what is loaded is scanned again from its start once more is loaded:
  // loading as much again as is held keeps that linear in the field's length, whatever piece
  // sizes the source hands out.
  const std::size_t held = bytes.size();
  const std::size_t wanted = std::max(kPiece, held);
  for (std::size_t had = held; bytes.size() - held < wanted; had = bytes.size()) {
    if (!source_->ReadMore(bytes, wanted - (bytes.size() - held)) || bytes.size() == had) break;
  }
  if (bytes.size() > held) {
    FeedLoaded();
    return true;
  }
  source_.reset();
  if (!bytes.empty() && bytes.back() == kEndOfFileMark) {
    bytes.pop_back();
    endMark_ = true;
  }
  return false;
}

void FieldReader::Feed(std::uint64_t upTo) {
  if (observer_ == nullptr || upTo <= observed_) return;
  const std::size_t from = static_cast<std::size_t>(observed_ - dropped_);
  const std::size_t to = static_cast<std::size_t>(upTo - dropped_);
  observer_->Bytes(std::string_view(bytes_).substr(from, to - from), observed_);
  observed_ = upTo;
}

void FieldReader::FeedLoaded() {
  std::uint64_t end = dropped_ + bytes_.size();
  if (source_ && !bytes_.empty() && bytes_.back() == kEndOfFileMark) --end;
  Feed(end);
}

void FieldReader::ObserveRest() {
  for (;;) {
    // The last byte held stays back: only the end of the source tells whether it is the mark.
    if (bytes_.size() > pos_ + 1) pos_ = bytes_.size() - 1;
    if (!Load()) break;
  }
  pos_ = bytes_.size();
  Feed(dropped_ + pos_);
  if (endMark_ && observer_ != nullptr) {
    observer_->Bytes(std::string_view(&kEndOfFileMark, 1), observed_);
    ++observed_;
    endMark_ = false;
  }
}

bool FieldReader::AtEnd() {
  // One byte left may still be the end-of-file mark: only the end of the source tells.
  while (source_ && bytes_.size() - pos_ < 2 && Load()) {
  }
  return pos_ >= bytes_.size();
}

// Delimiters, quotes and blanks lie below the range of CP932 trail bytes: they are never half of
// a double-byte character, so the bytes can be cut before decoding.
FieldReader::Span FieldReader::Scan(std::string_view data, std::size_t pos) {
  const auto isEnd = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
  const std::size_t size = data.size();
  Span span;
  while (pos < size && data[pos] == ' ') ++pos;
  if (pos < size && data[pos] == '"') {
    span.start = pos + 1;
    span.end = data.find('"', span.start);
    if (span.end == std::string_view::npos) span.end = size;
    pos = span.end < size ? span.end + 1 : size;
    span.quoted = true;
    // Whatever follows the closing quote up to the delimiter is not part of the field.
    while (pos < size && !isEnd(data[pos])) ++pos;
  } else {
    span.start = pos;
    while (pos < size && !isEnd(data[pos])) ++pos;
    span.end = pos;
    while (span.end > span.start && data[span.end - 1] == ' ') --span.end;
  }
  if (pos >= size) {
    span.incomplete = true;
  } else {
    const char delimiter = data[pos++];
    span.comma = delimiter == ',';
    if (delimiter == '\r') {
      if (pos >= size)
        span.incomplete = true;  // a LF may follow
      else if (data[pos] == '\n')
        ++pos;
    }
  }
  span.next = pos;
  return span;
}

TextView FieldReader::Decode(const Span& span) {
  const std::string_view bytes = std::string_view(bytes_).substr(span.start, span.end - span.start);
  // The buffer only grows: fields differ in length and most are short.
  if (bytes.size() > field_.size()) field_.resize(std::max(bytes.size(), 2 * field_.size()));
  return TextView(field_.data(),
                  static_cast<std::size_t>(DecodeCp932To(bytes, field_.data()) - field_.data()));
}

Text FieldReader::ReadField() { return Text(ReadFieldView()); }

TextView FieldReader::ReadFieldView() { return Decode(Next()); }

void FieldReader::SkipField() { Next(); }

std::string_view FieldReader::ReadFieldBytes() {
  const Span span = Next();
  return std::string_view(bytes_).substr(span.start, span.end - span.start);
}

FieldReader::Span FieldReader::Next() {
  Span span;
  if (AtEnd()) {
    if (lastEndedWithComma_) {
      // A trailing comma promises one more, empty, field.
      lastEndedWithComma_ = false;
      ++fields_;
      ++sectionFields_;
      span.start = span.end = pos_;
      NoteField(span);
      return span;
    }
    const long long number = section_ != 0 ? sectionFields_ + 1 : fields_ + 1;
    throw ConversionError(Where(section_, number) + U"ファイルがセクションの途中で終わっています。",
                          ConversionProblem::kEndInsideSection);
  }
  for (;;) {
    span = Scan(bytes_, pos_);
    // Past the longest field with no end in sight (its quotes and line end aside), or ended
    // beyond it: refused before more is held.
    const bool tooLong = span.incomplete ? bytes_.size() - pos_ > kLongestField + 3
                                         : span.end - span.start > kLongestField;
    if (tooLong) {
      const long long number = section_ != 0 ? sectionFields_ + 1 : fields_ + 1;
      throw ConversionError(Where(section_, number) +
                            U"フィールドが長すぎます（16 MiB を超えています）。");
    }
    if (!span.incomplete || !source_) break;
    // The field runs into the end of what is loaded: it may go on in the next piece. Loading
    // moves the bytes, so look again either way.
    Load();
  }
  pos_ = span.next;
  lastEndedWithComma_ = span.comma;
  ++fields_;
  ++sectionFields_;
  NoteField(span);
  return span;
}

void FieldReader::BeginSection(char32_t letter) {
  section_ = letter;
  sectionFields_ = 0;
}

Text MarkerText(TextView field) { return ToHalfWidthUpper(field); }

std::int16_t ReadCount(FieldReader& in) {
  const Text field = in.ReadField();
  const std::optional<std::int16_t> count = RoundToInt16(NumericValue(field));
  if (!count || *count < 0) {
    ThrowAtField(in, U"件数 \"" + field + U"\" が 0 から 32767 の範囲にありません。",
                 ConversionProblem::kCountRange);
  }
  return *count;
}

void ThrowAtField(const FieldReader& in, const Text& problem, ConversionProblem kind) {
  const long long number = in.Section() != 0 ? in.SectionFieldCount() : in.FieldCount();
  throw ConversionError(Where(in.Section(), number) + problem, kind);
}

}  // namespace tecris2nx
