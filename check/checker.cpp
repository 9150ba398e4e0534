#include "check/checker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_a.h"
#include "sections/section_b.h"
#include "sections/section_dispatch.h"
#include "sections/section_f.h"
#include "sections/soil_vocabulary.h"
#include "tecris/field_reader.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {
namespace {

/// How the records of a section B to H are laid out, and what their values mean.
struct SectionShape {
  char32_t letter;
  int values;
  bool opened;                   ///< records start with an opening field (E to H)
  std::uint32_t numbers;         ///< values read as numbers, bit v for value v
  int depth;                     ///< the record's depth (or start) value
  int end;                       ///< the second depth (or end) value; 0 for none
  std::array<int, 2> exponents;  ///< values read with their exponent letter; 0 for none
};

constexpr std::uint32_t kAll = ~std::uint32_t{0};
constexpr std::array<SectionShape, 7> kShapes = {{
    {U'B', 5, false, 1U << 1, 1, 0, {0, 0}},
    {U'C', 3, false, kAll, 1, 0, {0, 0}},
    {U'D', 23, false, kAll, 2, 3, {22, 23}},
    {U'E', 4, true, kAll, 1, 0, {0, 0}},
    {U'F', 3, true, kAll, 1, 2, {3, 0}},
    {U'G', 3, true, kAll, 1, 2, {0, 0}},
    {U'H', 3, true, kAll, 1, 2, {0, 0}},
}};

const SectionShape* ShapeOf(char32_t letter) {
  for (const SectionShape& shape : kShapes) {
    if (shape.letter == letter) return &shape;
  }
  return nullptr;
}

/// The record table a section B to H keeps.
const RecordTable& TableOf(SectionData& data) {
  if (auto* f = dynamic_cast<StoredSection<SectionFData>*>(&data)) return f->value.table;
  return dynamic_cast<StoredSection<RecordTable>&>(data).value;
}

/// Slots of section A written as numbers.
constexpr std::array<int, 12> kSectionANumbers = {3, 4, 6, 7, 16, 19, 20, 21, 22, 23, 32, 33};

Text Quoted(TextView text) { return U"\"" + Text(text) + U"\""; }

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

bool HasFullWidthDigit(TextView text) {
  return std::any_of(text.begin(), text.end(), [](char32_t c) { return c >= U'０' && c <= U'９'; });
}

/// Reads one file; each finding is added with its byte offset and placed at the end.
class FileChecker {
 public:
  FileChecker(const FileSystem& fs, const CheckSettings& settings, std::string bytes)
      : fs_(fs), settings_(settings), bytes_(std::move(bytes)) {}

  std::vector<Finding> Run();

 private:
  struct SectionRead {
    char32_t letter = 0;
    std::size_t base = 0;  ///< index in starts_ of the section's first field after its marker
    std::int16_t count = 0;
    bool leadOpens = false;
  };

  void Add(const char* code, Severity severity, std::uint64_t offset, Text message,
           char32_t section = 0, int record = 0, int value = 0) {
    findings_.push_back({code, severity, section, record, value, offset, 0, 0, std::move(message)});
  }

  void CheckEncoding();
  void Walk();
  void ReportFailure(const ConversionError& error, const SectionRead& read, const FieldReader& in);
  /// T202 when a later section's marker stands where one of the section's records would begin.
  void ReportCountTooLarge(const SectionShape& shape, const SectionRead& read);
  void ReportStop(const Text& marker, std::size_t markerIndex, const SectionRead& previous);
  void CheckSectionA(const SectionATableType& table, std::size_t base);
  void CheckRecords(const SectionShape& shape, const RecordTable& table, const SectionRead& read);
  void CheckNumber(TextView cell, std::uint64_t offset, const SectionShape* shape, int record,
                   int value, bool exponentValue);
  void CheckSoils(const RecordTable& table, const SectionRead& read);

  /// Section field number (1-based) of a record's value; value 0 is the record's first field.
  std::size_t FieldOf(const SectionShape& shape, const SectionRead& read, int record,
                      int value) const;
  std::uint64_t OffsetOf(std::size_t index) const {
    return index < starts_.size() ? starts_[index] : bytes_.size();
  }
  /// A reader at the start of a field already read.
  std::size_t ByteStart(std::size_t index) const;
  FieldReader ReaderAt(std::size_t index) const;
  /// The text of a field already read; empty for the empty field a trailing comma promised.
  Text FieldTextAt(std::size_t index) const;
  /// Records of the section after which a later section's marker stands in place of a record;
  /// nothing when none does.
  std::optional<int> RecordsBeforeMarker(const SectionShape& shape, const SectionRead& read) const;

  const FileSystem& fs_;
  const CheckSettings& settings_;
  std::string bytes_;
  std::vector<std::uint64_t> starts_;
  std::vector<Finding> findings_;
  float deepestLayer_ = -INFINITY;
  bool layersRead_ = false;
};

std::vector<Finding> FileChecker::Run() {
  CheckEncoding();
  // The identifier as the conversion takes it, from the bytes already read.
  FieldReader first = FieldReader::FromCp932(bytes_);
  std::uint64_t offset = bytes_.size();
  Text jobName;
  try {
    first.ReadField();
    jobName = first.ReadField();
    offset = first.FieldStart();
  } catch (const ConversionError&) {
  }
  if (jobName.size() != 11 || !IsSafeJobName(jobName, settings_.style)) {
    Add("T106", Severity::kError, offset,
        U"2 番目のフィールドがフォルダ名に使える 11 文字の識別子ではありません。");
  } else {
    if (settings_.patternFolder.empty()) {
      Add("T505", Severity::kInfo, 0,
          U"パターンデータが見つかりません: それを使うチェックは省きました。");
    }
    Walk();
  }
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const Finding& a, const Finding& b) { return a.offset < b.offset; });
  PlaceFindings(bytes_, findings_);
  return std::move(findings_);
}

void FileChecker::CheckEncoding() {
  const std::string_view bytes(bytes_);
  std::array<char32_t, 2> decoded{};
  std::size_t badStart = 0;
  std::size_t badLength = 0;
  const auto flushBad = [&] {
    if (badLength == 0) return;
    Add("T601", Severity::kWarning, badStart,
        U"CP932 として正しくないバイト (" +
            Hex(bytes.substr(badStart, std::min<std::size_t>(badLength, 8))) +
            (badLength > 8 ? U" …" : U"") + U") はそのまま書き写されます。");
    badLength = 0;
  };
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    // ASCII and half-width katakana are always valid single bytes.
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
      flushBad();
      ++i;
      continue;
    }
    std::size_t width = 1;
    if (IsLead(b) && i + 1 < bytes.size()) width = 2;
    const std::string_view unit = bytes.substr(i, width);
    const char32_t* end = DecodeCp932To(unit, decoded.data());
    const bool valid = end - decoded.data() == 1 && !IsRawByte(decoded[0]);
    if (!valid) {
      // The lead byte alone is invalid; its follower is looked at on its own.
      if (badLength == 0) badStart = i;
      ++badLength;
      ++i;
      continue;
    }
    flushBad();
    if (width == 2 && (b == 0x87 || b == 0xED || b == 0xEE || b >= 0xFA)) {
      // Characters with two codes: every text read is written back in the preferred one.
      const std::string preferred = EncodeCp932Lossy(TextView(decoded.data(), 1));
      if (preferred != unit) {
        Add("T602", Severity::kInfo, i,
            U"文字 「" + Text(1, decoded[0]) + U"」 は別の符号 (" + Hex(unit) +
                U") で書かれています。出力では " + Hex(preferred) + U" になります。");
      }
    }
    i += width;
  }
  flushBad();
}

/// Where a field's bytes begin: a quoted field's place is after its quote, so it is read from
/// there.
std::size_t FileChecker::ByteStart(std::size_t index) const {
  std::size_t start = static_cast<std::size_t>(OffsetOf(index));
  if (start > 0 && start <= bytes_.size() && bytes_[start - 1] == '"') --start;
  return std::min(start, bytes_.size());
}

FieldReader FileChecker::ReaderAt(std::size_t index) const {
  return FieldReader::FromCp932(bytes_.substr(ByteStart(index)));
}

Text FileChecker::FieldTextAt(std::size_t index) const {
  // Only the field's own bytes: it ends before the next field begins.
  const std::size_t start = ByteStart(index);
  const std::size_t end = index + 1 < starts_.size() ? ByteStart(index + 1) : bytes_.size();
  FieldReader in = FieldReader::FromCp932(bytes_.substr(start, end > start ? end - start : 0));
  return in.AtEnd() ? Text() : in.ReadField();
}

std::size_t FileChecker::FieldOf(const SectionShape& shape, const SectionRead& read, int record,
                                 int value) const {
  const std::size_t width = static_cast<std::size_t>(3 + shape.values);
  // Two ignored fields and the count; in E to H the lead field, which may open the first record.
  const std::size_t first = shape.opened && !read.leadOpens ? 5 : 4;
  const std::size_t recordStart = first + static_cast<std::size_t>(record - 1) * width;
  return value == 0 ? recordStart : recordStart + 2 + static_cast<std::size_t>(value);
}

std::optional<int> FileChecker::RecordsBeforeMarker(const SectionShape& shape,
                                                    const SectionRead& read) const {
  for (int r = 1; r <= read.count; ++r) {
    const std::size_t index = read.base + FieldOf(shape, read, r, 0) - 1;
    if (index >= starts_.size()) break;
    const Text marker = MarkerText(FieldTextAt(index));
    if (marker.size() == 1 && marker[0] > shape.letter && marker[0] <= U'H') return r - 1;
  }
  return std::nullopt;
}

void FileChecker::Walk() {
  FieldReader in = FieldReader::FromCp932(bytes_);
  in.RecordFieldStarts(&starts_);
  SectionStore store;
  Text marker = MarkerText(in.ReadField());
  std::size_t markerIndex = 0;
  bool markerUnused = true;
  SectionRead previous;
  int gCount = 0;
  const std::span<const SectionHandler> handlers = SectionHandlers();
  for (std::size_t row = 0; row < handlers.size(); ++row) {
    const SectionHandler& handler = handlers[row];
    if (marker.size() != 1 || marker[0] != handler.letter) continue;
    markerUnused = false;
    SectionRead read;
    read.letter = handler.letter;
    read.base = starts_.size();
    in.BeginSection(handler.letter);
    try {
      handler.read(in, store.At(row));
    } catch (const ConversionError& e) {
      ReportFailure(e, read, in);
      return;
    }
    if (handler.letter == U'A') {
      CheckSectionA(dynamic_cast<StoredSection<SectionAData>&>(store.At(row)).value.table,
                    read.base);
    } else if (const SectionShape* shape = ShapeOf(handler.letter)) {
      const RecordTable& table = TableOf(store.At(row));
      read.count = table.count();
      if (shape->opened) read.leadOpens = FieldTextAt(read.base + 3) == Text(1, read.letter);
      CheckRecords(*shape, table, read);
      if (read.letter == U'B') CheckSoils(table, read);
      if (read.letter == U'G') gCount = table.count();
      if (read.letter == U'H' && gCount + table.count() > 32767) {
        Add("T105", Severity::kError, OffsetOf(read.base + 2),
            U"セクション G と H の件数の合計 (" + DecimalText(gCount + table.count()) +
                U") が 32767 を超えています。L201.txt は書けません。",
            U'H');
      }
    }
    previous = read;
    marker.clear();
    if (handler.letter != U'H' && !in.AtEnd()) {
      in.BeginSection(0);
      marker = MarkerText(in.ReadField());
      markerIndex = starts_.size() - 1;
      markerUnused = true;
    }
  }
  if (markerUnused && marker.empty()) {
    // Empty fields after the last section are no section left out.
    while (!in.AtEnd()) {
      if (!in.ReadField().empty()) {
        ReportStop(marker, markerIndex, previous);
        return;
      }
    }
    return;
  }
  if (markerUnused) ReportStop(marker, markerIndex, previous);
}

void FileChecker::ReportFailure(const ConversionError& error, const SectionRead& read,
                                const FieldReader& in) {
  switch (error.problem()) {
    case ConversionProblem::kEndInsideSection: {
      Add("T101", Severity::kError, bytes_.size(), error.message(), read.letter);
      // A count larger than the records that follow runs the section into the next ones.
      const SectionShape* shape = ShapeOf(read.letter);
      if (shape == nullptr || read.base + 2 >= starts_.size()) return;
      SectionRead counted = read;
      const std::optional<std::int16_t> count =
          RoundToInt16(NumericValue(FieldTextAt(read.base + 2)));
      counted.count = count.value_or(0);
      if (shape->opened && read.base + 3 < starts_.size()) {
        counted.leadOpens = FieldTextAt(read.base + 3) == Text(1, read.letter);
      }
      ReportCountTooLarge(*shape, counted);
      return;
    }
    case ConversionProblem::kCountRange:
      Add("T102", Severity::kError, in.FieldStart(), error.message(), read.letter);
      return;
    case ConversionProblem::kNumberRange: {
      int record = 0;
      int value = 0;
      if (const SectionShape* shape = ShapeOf(read.letter)) {
        // The failing value is the last field read.
        SectionRead located = read;
        if (shape->opened) located.leadOpens = FieldTextAt(read.base + 3) == Text(1, read.letter);
        const std::size_t field = starts_.size() - read.base;
        const std::size_t first = FieldOf(*shape, located, 1, 0);
        const std::size_t width = static_cast<std::size_t>(3 + shape->values);
        record = static_cast<int>((field - first) / width) + 1;
        value = static_cast<int>((field - first) % width) - 2;
      }
      Add("T104", Severity::kError, in.FieldStart(), error.message(), read.letter, record, value);
      return;
    }
    default:
      Add("T100", Severity::kError, in.FieldStart(), error.message(), read.letter);
  }
}

void FileChecker::ReportCountTooLarge(const SectionShape& shape, const SectionRead& read) {
  const std::optional<int> records = RecordsBeforeMarker(shape, read);
  if (!records) return;
  Add("T202", Severity::kWarning, OffsetOf(read.base + 2),
      U"セクション " + Text(1, read.letter) + U" の件数 " + DecimalText(read.count) +
          U" は続く記録より多いようです（フィールドからは " + DecimalText(*records) +
          U" 件に見えます）。",
      read.letter);
}

void FileChecker::ReportStop(const Text& marker, std::size_t markerIndex,
                             const SectionRead& previous) {
  const std::uint64_t offset = OffsetOf(markerIndex);
  const SectionShape* shape = ShapeOf(previous.letter);
  if (shape != nullptr) {
    // Whole records of the previous section, up to a later section's marker where a record would
    // begin (values such as colour letters may look like markers anywhere else).
    FieldReader in = ReaderAt(markerIndex);
    const long long width = 3 + shape->values;
    long long fields = 0;
    bool found = false;
    constexpr long long kLookAhead = 1 << 20;
    while (!in.AtEnd() && fields < kLookAhead) {
      const Text text = MarkerText(in.ReadField());
      if (fields % width == 0 && text.size() == 1 && text[0] > previous.letter && text[0] <= U'H') {
        found = true;
        break;
      }
      ++fields;
    }
    if (fields > 0 && (found || in.AtEnd()) && fields % width == 0) {
      Add("T201", Severity::kWarning, OffsetOf(previous.base + 2),
          U"セクション " + Text(1, previous.letter) + U" の件数 " + DecimalText(previous.count) +
              U" は続く記録より少ないようです（フィールドからは " +
              DecimalText(previous.count + fields / width) + U" 件に見えます）。マーカー " +
              Quoted(marker) + U" から先は変換されません。",
          previous.letter);
      return;
    }
  }
  if (marker.size() == 1 && marker[0] >= U'A' && marker[0] <= U'H') {
    Add("T203", Severity::kWarning, offset,
        U"セクション " + marker +
            U" は順序が正しくない（A から H の順に一度ずつ）ため、そこから先は変換されません。",
        marker[0]);
    return;
  }
  if (shape != nullptr) ReportCountTooLarge(*shape, previous);
  Add("T204", Severity::kWarning, offset,
      U"マーカー " + Quoted(marker) +
          U" はセクションの文字ではないため、そこから先は変換されません。");
}

void FileChecker::CheckNumber(TextView cell, std::uint64_t offset, const SectionShape* shape,
                              int record, int value, bool exponentValue) {
  const char32_t letter = shape != nullptr ? shape->letter : U'A';
  const bool depth = shape != nullptr && value == shape->depth;
  if (IsBlankOrEmpty(cell)) {
    if (depth) {
      Add("T303", Severity::kWarning, offset, U"深度が空です（0 として読まれます）。", letter,
          record, value);
    }
    return;
  }
  const TextView trimmed = TrimmedView(cell);
  // A leading "*" marks a value that is not used.
  if (trimmed.front() == U'*') return;
  if (exponentValue && trimmed.find_first_of(U"Ｅｅ") != TextView::npos) return;
  const NumberReading number = ReadNumber(cell);
  if (!number.digits) {
    Add("T302", Severity::kWarning, offset,
        U"値 " + Quoted(trimmed) + U" は数値として読めません（0 として読まれます）" +
            (HasFullWidthDigit(trimmed) ? U"。全角数字は数字として読まれません。" : U"。"),
        letter, record, value);
    return;
  }
  if (!IsBlankOrEmpty(cell.substr(std::min(number.length, cell.size())))) {
    Add("T301", Severity::kWarning, offset,
        U"値 " + Quoted(trimmed) + U" は一部だけが数値として読まれます（" +
            NumberText(number.value) + U" として扱われます）。",
        letter, record, value);
  }
  if (number.underflow) {
    Add("T305", Severity::kInfo, offset,
        U"値 " + Quoted(trimmed) + U" は小さすぎるため 0 として読まれます。", letter, record,
        value);
  }
}

void FileChecker::CheckSectionA(const SectionATableType& table, std::size_t base) {
  for (const int slot : kSectionANumbers) {
    const int field = SectionAFieldOfSlot(slot);
    const std::uint64_t offset = OffsetOf(base + static_cast<std::size_t>(field) - 1);
    const Text& cell = table[static_cast<std::size_t>(slot)];
    if (!IsBlankOrEmpty(cell) && ReadNumber(cell).overflow) {
      Add("T104", Severity::kError, offset,
          U"セクション A のフィールド " + DecimalText(field) + U": 値 " + Quoted(TrimBlanks(cell)) +
              U" は数値の範囲を超えています。",
          U'A', 0, field);
      continue;
    }
    CheckNumber(cell, offset, nullptr, 0, field, false);
  }
  const std::optional<std::int16_t> code = SlotL2Code(table);
  if (!code || settings_.patternFolder.empty()) return;
  const int field = SectionAFieldOfSlot(21);
  const std::uint64_t offset = OffsetOf(base + static_cast<std::size_t>(field) - 1);
  if (fs_.KindOf(settings_.patternFolder + U"L2.txt") != EntryKind::kFile) {
    Add("T504", Severity::kWarning, offset,
        U"パターンデータに L2.txt がないため、titl02.txt の L2 名称が空になります。", U'A', 0,
        field);
  } else if (LookupL2Name(fs_, settings_.patternFolder, *code).empty()) {
    Add("T503", Severity::kWarning, offset,
        U"L2 コード " + DecimalText(*code) +
            U" は L2.txt にありません（titl02.txt の名称が空になります）。",
        U'A', 0, field);
  }
}

void FileChecker::CheckRecords(const SectionShape& shape, const RecordTable& table,
                               const SectionRead& read) {
  RecordTable::Record cells;
  const auto offsetOf = [&](int r, int v) {
    return OffsetOf(read.base + FieldOf(shape, read, r, v) - 1);
  };
  // The count was rounded to a whole number.
  const std::uint64_t countOffset = OffsetOf(read.base + 2);
  {
    const Text countText = FieldTextAt(read.base + 2);
    const NumberReading count = ReadNumber(countText);
    if (count.digits && count.value != std::floor(count.value)) {
      Add("T304", Severity::kWarning, countOffset,
          U"件数 " + Quoted(TrimBlanks(countText)) + U" は整数ではありません（" +
              DecimalText(read.count) + U" 件として読まれます）。",
          shape.letter);
    }
    CheckNumber(countText, countOffset, nullptr, 0, 0, false);
  }
  double previousDepth = NAN;
  double previousEnd = NAN;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    for (int v = 1; v <= shape.values; ++v) {
      if ((shape.numbers >> v & 1U) == 0) continue;
      const bool exponent = v == shape.exponents[0] || v == shape.exponents[1];
      CheckNumber(cells[v], offsetOf(r, v), &shape, r, v, exponent);
      if (exponent) {
        try {
          ExponentNumber(cells[v]);
        } catch (const ConversionError& e) {
          Add("T103", Severity::kError, offsetOf(r, v),
              U"セクション " + Text(1, shape.letter) + U" の記録 " + DecimalText(r) + U" の値 " +
                  DecimalText(v) + U": " + e.message(),
              shape.letter, r, v);
        }
      }
    }
    const TextView depthCell = cells[shape.depth];
    const double depth = NumericValue(depthCell);
    const bool hasEnd = shape.end != 0 && !IsBlankOrEmpty(cells[shape.end]);
    const double end = hasEnd ? NumericValue(cells[shape.end]) : NAN;
    const Text depthText = Quoted(TrimmedView(depthCell));
    const auto add = [&](const char* code, int value, Text message) {
      Add(code, Severity::kWarning, offsetOf(r, value), std::move(message), shape.letter, r, value);
    };
    switch (shape.letter) {
      case U'B':
        if (depth < 0) add("T403", 1, U"層の下端深度 " + depthText + U" が負です。");
        if (depth == previousDepth) {
          add("T402", 1, U"層の下端深度 " + depthText + U" が前の記録と同じです。");
        } else if (depth < previousDepth) {
          add("T401", 1, U"層の下端深度 " + depthText + U" が前の記録より浅くなっています。");
        }
        deepestLayer_ = std::max(deepestLayer_, RoundToSingle(depth));
        layersRead_ = true;
        break;
      case U'D':
        if (layersRead_ && RoundToSingle(depth) >= deepestLayer_) {
          add("T404", 2,
              U"深度 " + depthText +
                  U" は最も深い層より下にあります（X100.txt の土質が空になります）。");
        }
        if (hasEnd && end < depth) {
          add("T405", 3,
              U"2 番目の深度 " + Quoted(TrimmedView(cells[3])) + U" が 1 番目の深度 " + depthText +
                  U" より浅くなっています。");
        }
        break;
      case U'E':
        if (depth < previousDepth) {
          add("T406", 1, U"深度 " + depthText + U" が前の記録より浅くなっています。");
        }
        break;
      default:  // F, G, H
        if (hasEnd && end < depth) {
          add("T407", 2,
              U"区間の終わり " + Quoted(TrimmedView(cells[2])) + U" が始まり " + depthText +
                  U" より浅くなっています。");
        }
        if (shape.letter != U'F' && depth < previousEnd) {
          add("T408", 1,
              U"区間の始まり " + depthText +
                  U" が前の区間の終わりより浅く、区間が重なっています。");
        }
        break;
    }
    previousDepth = depth;
    previousEnd = end;
  }
}

void FileChecker::CheckSoils(const RecordTable& table, const SectionRead& read) {
  const SectionShape& shape = kShapes[0];
  const auto offsetOf = [&](int r, int v) {
    return OffsetOf(read.base + FieldOf(shape, read, r, v) - 1);
  };
  RecordTable::Record cells;
  // Colours need no pattern data.
  Text previousColour;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    const TextView colour = TrimmedView(cells[4]);
    if (r > 1 && colour == previousColour) continue;
    previousColour = colour;
    TextView letters = colour;
    if (!letters.empty() && letters.front() == U'*') letters.remove_prefix(1);
    letters = letters.substr(0, 3);
    for (const char32_t letter : letters) {
      if (FindSoilColour(letter) == nullptr) {
        Add("T502", Severity::kWarning, offsetOf(r, 4),
            U"色調 " + Quoted(colour) + U" の文字 「" + Text(1, letter) +
                U"」 は色調コードになりません（X3.txt では省かれます）。",
            U'B', r, 4);
        break;
      }
    }
  }
  if (settings_.patternFolder.empty()) return;
  const std::uint64_t marker = read.base > 0 ? OffsetOf(read.base - 1) : 0;
  if (!HasSoilVocabulary(fs_, settings_.patternFolder)) {
    Add("T504", Severity::kWarning, marker,
        U"パターンデータに kishitu.txt がないため、X1.txt の土質コードと土質名が空になります。",
        U'B');
    return;
  }
  if (fs_.KindOf(settings_.patternFolder + U"XKishitu.txt") != EntryKind::kFile) {
    Add("T504", Severity::kWarning, marker,
        U"パターンデータに XKishitu.txt がないため、X1.txt の土質コードが空になります。", U'B');
    return;
  }
  const SoilCodeTable codes = LoadSoilCodeTable(fs_, settings_.patternFolder);
  Text previousCode;
  Text previousName;
  bool first = true;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    const Text code = TrimBlanks(cells[2]);
    const Text name = TrimBlanks(cells[3]);
    if (!first && code == previousCode && name == previousName) continue;
    const bool surface = first;
    first = false;
    previousCode = code;
    previousName = name;
    Text layerCode(cells[2]);
    // As the layers are merged: a zero code with a real soil name stands for the name.
    if (NumericValue(layerCode) == 0 && !name.empty() && name != kTopsoilName) {
      layerCode = kFreeSoilCode;
    }
    if (!surface && NumericValue(layerCode) == 0) continue;  // a layer without a soil of its own
    const SoilClassification soil = ClassifySoilName(layerCode, Text(cells[3]), codes);
    if (soil.productCode.empty()) {
      Add("T501", Severity::kWarning, offsetOf(r, 2),
          U"土質名 " + Quoted(soil.soilName) +
              U" は XKishitu.txt で分類できません（X1.txt の土質コードが空になります）。",
          U'B', r, 2);
    }
  }
}

}  // namespace

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kInfo:
      break;
  }
  return "info";
}

int FileCheck::Count(Severity severity) const {
  return static_cast<int>(
      std::count_if(findings.begin(), findings.end(),
                    [severity](const Finding& f) { return f.severity == severity; }));
}

void PlaceFindings(std::string_view bytes, std::vector<Finding>& findings) {
  long long line = 1;
  std::size_t lineStart = 0;
  std::size_t pos = 0;
  for (Finding& finding : findings) {
    const std::size_t offset = std::min<std::size_t>(finding.offset, bytes.size());
    for (; pos < offset; ++pos) {
      const char c = bytes[pos];
      // CR LF counts once: the LF after a CR starts no line of its own.
      if (c == '\n' || (c == '\r' && !(pos + 1 < bytes.size() && bytes[pos + 1] == '\n'))) {
        ++line;
        lineStart = pos + 1;
      }
    }
    finding.line = line;
    finding.column =
        static_cast<long long>(DecodeCp932(bytes.substr(lineStart, offset - lineStart)).size()) + 1;
  }
}

FileCheck CheckTecrisBytes(const FileSystem& fs, const Text& path, std::string bytes,
                           const CheckSettings& settings) {
  FileCheck check;
  check.path = path;
  FileChecker checker(fs, settings, std::move(bytes));
  check.findings = checker.Run();
  return check;
}

FileCheck CheckTecrisFile(const FileSystem& fs, const Text& path, const CheckSettings& settings) {
  std::string bytes;
  try {
    bytes = fs.ReadAll(path);
  } catch (const std::exception& e) {
    FileCheck check;
    check.path = path;
    const Text reason = fs.KindOf(path) == EntryKind::kNone
                            ? U"ファイルがありません。"
                            : U"ファイルを読めません: " + FromUtf8(e.what());
    check.findings.push_back({"T107", Severity::kError, 0, 0, 0, 0, 1, 1, reason});
    return check;
  }
  return CheckTecrisBytes(fs, path, std::move(bytes), settings);
}

}  // namespace tecris2nx
