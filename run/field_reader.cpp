#include "run/field_reader.h"

#include <type_traits>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"

namespace tecris2nx {
namespace {

constexpr char32_t kEndOfFileMark = 0x1A;

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

FieldReader FieldReader::FromCp932(std::string bytes) {
  FieldReader reader;
  // 0x1A, like every delimiter, is below the range of CP932 trail bytes: it is never half of a
  // double-byte character, so the bytes can be cut at delimiters before decoding.
  if (!bytes.empty() && bytes.back() == '\x1A') bytes.pop_back();
  reader.bytes_ = std::move(bytes);
  return reader;
}

Text FieldReader::ReadField() {
  if (bytes_) return Read(std::string_view(*bytes_));
  return Read(TextView(text_));
}

template <typename Char>
Text FieldReader::Read(std::basic_string_view<Char> data) {
  const std::size_t size = data.size();
  if (pos_ >= size) {
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
  const auto isLineEnd = [](Char c) { return c == Char('\r') || c == Char('\n'); };
  while (pos_ < size && data[pos_] == Char(' ')) ++pos_;

  std::size_t start = pos_;
  std::size_t end = pos_;
  if (pos_ < size && data[pos_] == Char('"')) {
    start = pos_ + 1;
    end = data.find(Char('"'), start);
    if (end == std::basic_string_view<Char>::npos) end = size;
    pos_ = end < size ? end + 1 : size;
    // Whatever follows the closing quote up to the delimiter is not part of the field.
    while (pos_ < size && data[pos_] != Char(',') && !isLineEnd(data[pos_])) ++pos_;
  } else {
    while (pos_ < size && data[pos_] != Char(',') && !isLineEnd(data[pos_])) ++pos_;
    end = pos_;
    while (end > start && data[end - 1] == Char(' ')) --end;
  }
  Text field;
  if constexpr (std::is_same_v<Char, char>) {
    field = DecodeCp932(data.substr(start, end - start));
  } else {
    field.assign(data.substr(start, end - start));
  }

  lastEndedWithComma_ = false;
  if (pos_ < size) {
    const Char delimiter = data[pos_++];
    if (delimiter == Char(',')) {
      lastEndedWithComma_ = true;
    } else if (delimiter == Char('\r') && pos_ < size && data[pos_] == Char('\n')) {
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
