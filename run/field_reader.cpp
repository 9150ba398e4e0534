#include "run/field_reader.h"

#include "common/error.h"
#include "common/formatting.h"

namespace tecris2nx {
namespace {

constexpr char32_t kEndOfFileMark = 0x1A;

bool IsLineEnd(char32_t c) { return c == U'\r' || c == U'\n'; }

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

FieldReader::FieldReader(Text content) : text_(std::move(content)) {
  if (!text_.empty() && text_.back() == kEndOfFileMark) text_.pop_back();
}

Text FieldReader::ReadField() {
  if (pos_ >= text_.size()) {
    if (lastEndedWithComma_) {
      // A trailing comma promises one more, empty, field.
      lastEndedWithComma_ = false;
      ++fields_;
      ++sectionFields_;
      return Text();
    }
    const long long number = section_ != 0 ? sectionFields_ + 1 : fields_ + 1;
    throw ConversionError(Where(section_, number) +
                          U"ファイルがセクションの途中で終わっています。");
  }
  const std::size_t size = text_.size();
  while (pos_ < size && text_[pos_] == kBlank) ++pos_;

  Text field;
  if (pos_ < size && text_[pos_] == U'"') {
    const std::size_t start = pos_ + 1;
    std::size_t end = text_.find(U'"', start);
    if (end == Text::npos) end = size;
    field.assign(text_, start, end - start);
    pos_ = end < size ? end + 1 : size;
    // Whatever follows the closing quote up to the delimiter is not part of the field.
    while (pos_ < size && text_[pos_] != U',' && !IsLineEnd(text_[pos_])) ++pos_;
  } else {
    const std::size_t start = pos_;
    while (pos_ < size && text_[pos_] != U',' && !IsLineEnd(text_[pos_])) ++pos_;
    std::size_t end = pos_;
    while (end > start && text_[end - 1] == kBlank) --end;
    field.assign(text_, start, end - start);
  }

  lastEndedWithComma_ = false;
  if (pos_ < size) {
    const char32_t delimiter = text_[pos_++];
    if (delimiter == U',') {
      lastEndedWithComma_ = true;
    } else if (delimiter == U'\r' && pos_ < size && text_[pos_] == U'\n') {
      ++pos_;
    }
  }
  ++fields_;
  ++sectionFields_;
  return field;
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
    ThrowAtField(in, U"件数 \"" + field + U"\" が 0 から 32767 の範囲にありません。");
  }
  return *count;
}

void ThrowAtField(const FieldReader& in, const Text& problem) {
  const long long number = in.Section() != 0 ? in.SectionFieldCount() : in.FieldCount();
  throw ConversionError(Where(in.Section(), number) + problem);
}

}  // namespace tecris2nx
