#include "sections/section_a.h"

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"

namespace tecris2nx {
namespace {

/// One way of cutting a code: the trimmed length that selects it and the widths of the pieces.
struct CutRule {
  std::size_t trimmedLength;
  std::array<int, 3> widths;
  std::size_t pieces;
};

constexpr CutRule kCode1Rules[] = {{10, {4, 6, 0}, 2}, {13, {4, 6, 3}, 3}};
constexpr CutRule kCode2Rules[] = {{7, {2, 2, 3}, 3}};
constexpr CutRule kCode3Rules[] = {{8, {3, 2, 3}, 3}};

/// Cuts a code into its three slots; a code of no listed trimmed length leaves them empty.
void CutCode(const Text& code, std::span<const CutRule> rules, SectionATableType& table,
             int firstSlot) {
  std::array<Text, 3> pieces;
  const std::size_t length = TrimBlanks(code).size();
  for (const CutRule& rule : rules) {
    if (rule.trimmedLength == length) {
      // The code is cut as read: a leading blank kept by quotes shifts every piece.
      SplitByWidths(code, std::span<const int>(rule.widths.data(), rule.pieces), pieces);
      break;
    }
  }
  for (int i = 0; i < 3; ++i) table[static_cast<std::size_t>(firstSlot + i)] = pieces[i];
}

void Skip(FieldReader& in, int fields) {
  for (int i = 0; i < fields; ++i) in.ReadField();
}

/// The last w characters of w blanks followed by the text.
Text RightAligned(TextView text, std::size_t w) {
  if (text.size() >= w) return Text(text.substr(text.size() - w));
  return Text(w - text.size(), kBlank) + Text(text);
}

const Text& Slot(const SectionATableType& table, int k) {
  return table[static_cast<std::size_t>(k)];
}

bool IsBlank(const SectionATableType& table, int k) { return IsBlankOrEmpty(Slot(table, k)); }

Text Trimmed(const SectionATableType& table, int k) { return TrimBlanks(Slot(table, k)); }

/// Slots written as numbers, in the order the title files' lines are made; 3 and 4 only when not
/// starred. Codes 2 and 3 (slots 10, 11, 13, 14) are too short to leave any range.
constexpr std::array<int, 12> kNumberSlots = {7, 32, 33, 16, 22, 23, 19, 20, 21, 3, 4, 6};

/// The error of a slot whose number lies beyond every range; nothing for any other.
std::optional<ConversionError> SlotProblem(const SectionATableType& table, int k) {
  if (IsBlank(table, k) || !ReadNumber(Slot(table, k)).overflow) return std::nullopt;
  const int field = SectionAFieldOfSlot(k);
  return ConversionError(U"セクション A のフィールド " + DecimalText(field) + U": 値 \"" +
                             Trimmed(table, k) + U"\" は数値の範囲を超えています。",
                         ConversionProblem::kNumberRange, ProblemPlace{U'A', 0, field});
}

Text Number(const SectionATableType& table, int k, std::size_t w) {
  if (IsBlank(table, k)) return Text();
  // The largest double in place of a number beyond every range would be a made-up value.
  if (auto problem = SlotProblem(table, k)) throw *problem;
  return RightAligned(NumberText(NumericValue(Slot(table, k))), w);
}

/// Three digits "ddt" read as "dd.t"; a single character serves as both parts.
Text Tenths(const SectionATableType& table, int k) {
  if (IsBlank(table, k)) return Text();
  const Text& slot = Slot(table, k);
  const Text t = slot.substr(0, 2) + U"." + slot.back();
  return RightAligned(NumberText(NumericValue(t)), 5);
}

Text Untrimmed(const SectionATableType& table, int k, std::size_t w) {
  if (IsBlank(table, k)) return Text();
  return RightAligned(Slot(table, k), w);
}

/// Slots 3 and 4 marked with a leading "*" carry no value.
Text UnlessStarred(const SectionATableType& table, int k, std::size_t w) {
  const Text& slot = Slot(table, k);
  if (IsBlank(table, k) || slot.front() == U'*') return Text();
  return Number(table, k, w);
}

void AddEmpty(std::vector<Text>& lines, int count) {
  for (int i = 0; i < count; ++i) lines.emplace_back();
}

/// The six lines of codes 2 and 3 (slots 10 to 15), the same in "titl01.txt" and "titl02.txt".
void AddCodeLines(std::vector<Text>& lines, const SectionATableType& table) {
  lines.push_back(Number(table, 10, 2));
  lines.push_back(Number(table, 11, 2));
  lines.push_back(Tenths(table, 12));
  lines.push_back(Number(table, 13, 3));
  lines.push_back(Number(table, 14, 2));
  lines.push_back(Tenths(table, 15));
}

}  // namespace

void SplitByWidths(TextView text, std::span<const int> widths, std::array<Text, 3>& pieces) {
  std::size_t remaining = text.size();
  std::size_t position = 0;
  for (std::size_t d = 0; d < widths.size() && d < pieces.size(); ++d) {
    const auto width = static_cast<std::size_t>(widths[d]);
    if (remaining < width) {
      pieces[d] = Text(text.substr(position));
      return;
    }
    pieces[d] = Text(text.substr(position, width));
    position += width;
    remaining -= width;
  }
}

int SectionAFieldOfSlot(int slot) {
  // Fields 1 to 41 of the section as ReadSectionA takes them; the cut codes fill three slots each.
  static constexpr std::array<int, 35> kFields = {0,  6,  10, 11, 12, 0,  13, 14, 14, 14, 18, 18,
                                                  18, 19, 19, 19, 20, 21, 22, 23, 24, 25, 26, 27,
                                                  28, 29, 33, 34, 35, 36, 37, 38, 39, 40, 41};
  return slot >= 1 && slot <= 34 ? kFields[static_cast<std::size_t>(slot)] : 0;
}

void ReadSectionA(SectionATableType& table, FieldReader& in, Text& firstField,
                  PositionCodes* codes) {
  // Read into a fresh table so that a file ending inside the section leaves the old one whole.
  SectionATableType fresh;
  Text first = in.ReadField();
  Skip(in, 4);
  fresh[1] = in.ReadField();
  Skip(in, 3);
  fresh[2] = in.ReadField();
  fresh[3] = in.ReadField();
  fresh[4] = in.ReadField();
  fresh[5] = Text();
  fresh[6] = in.ReadField();
  CutCode(in.ReadField(), kCode1Rules, fresh, 7);
  Skip(in, 3);
  PositionCodes read;
  read.latitude = in.ReadField();
  CutCode(read.latitude, kCode2Rules, fresh, 10);
  read.longitude = in.ReadField();
  CutCode(read.longitude, kCode3Rules, fresh, 13);
  for (int k = 16; k <= 25; ++k) fresh[static_cast<std::size_t>(k)] = in.ReadField();
  Skip(in, 3);
  for (int k = 26; k <= 34; ++k) fresh[static_cast<std::size_t>(k)] = in.ReadField();
  table = std::move(fresh);
  firstField = std::move(first);
  if (codes) *codes = std::move(read);
}

Text LookupL2Name(const FileSystem& fs, const Text& patternFolder, std::int16_t code) {
  // Without a known pattern folder the bare name would be looked up in the current folder.
  if (patternFolder.empty()) return Text();
  const Text path = patternFolder + U"L2.txt";
  if (fs.KindOf(path) != EntryKind::kFile) return Text();
  FieldReader in = FieldReader::FromCp932(fs.ReadAll(path));
  while (!in.AtEnd()) {
    const Text codeField = in.ReadField();
    // A file that ends after a code has no name for it: the entry is not complete.
    if (in.AtEnd()) break;
    const Text name = in.ReadField();
    // A code beyond 16 bits matches no caller's code.
    const std::optional<std::int16_t> entryCode = RoundToInt16(NumericValue(codeField));
    if (entryCode && *entryCode == code) return TrimBlanks(name);
  }
  return Text();
}

std::optional<std::int16_t> SlotL2Code(const SectionATableType& table) {
  if (IsBlank(table, 21)) return std::nullopt;
  return RoundToInt16(NumericValue(Slot(table, 21)));
}

std::vector<Text> Title01Lines(const SectionATableType& table) {
  std::vector<Text> lines;
  lines.push_back(Trimmed(table, 1));
  AddEmpty(lines, 2);
  lines.push_back(Number(table, 7, 4));
  AddEmpty(lines, 2);
  lines.push_back(Number(table, 32, 4));
  lines.push_back(Number(table, 33, 2));
  AddEmpty(lines, 1);
  lines.push_back(Trimmed(table, 2));
  AddCodeLines(lines, table);
  AddEmpty(lines, 1);
  lines.push_back(Trimmed(table, 34));
  AddEmpty(lines, 5);
  return lines;
}

std::vector<Text> Title02Lines(const SectionATableType& table, const Text& firstField,
                               const Text& l2Name) {
  std::vector<Text> lines;
  AddEmpty(lines, 8);
  AddCodeLines(lines, table);
  AddEmpty(lines, 2);
  const bool noElevation = IsBlank(table, 16);
  lines.push_back(noElevation ? Text() : Text(U"01"));
  lines.push_back(noElevation ? Text() : Text(U"ＴＰ"));
  lines.push_back(Number(table, 16, 8));
  lines.push_back(Number(table, 22, 8));
  AddEmpty(lines, 2);
  lines.push_back(Number(table, 23, 8));
  AddEmpty(lines, 1);
  lines.push_back(Number(table, 19, 6));
  lines.push_back(Number(table, 20, 6));
  AddEmpty(lines, 4);
  lines.push_back(Number(table, 21, 2));
  lines.push_back(SlotL2Code(table) ? l2Name : Text());
  AddEmpty(lines, 7);
  lines.push_back(firstField);
  AddEmpty(lines, 1);
  return lines;
}

std::vector<Text> Title04Lines(const SectionATableType& table) {
  std::vector<Text> lines;
  lines.push_back(UnlessStarred(table, 3, 5));
  lines.push_back(UnlessStarred(table, 4, 4));
  lines.push_back(Number(table, 5, 3));
  lines.push_back(Number(table, 6, 3));
  lines.push_back(Trimmed(table, 8));
  const Text c = Trimmed(table, 17);
  if (c.size() == 5) {
    lines.push_back(c.substr(0, 2));
    lines.push_back(c.substr(2));
  } else {
    AddEmpty(lines, 2);
  }
  lines.push_back(Trimmed(table, 18));
  lines.push_back(Untrimmed(table, 26, 1));
  lines.push_back(Untrimmed(table, 27, 2));
  lines.push_back(Untrimmed(table, 28, 3));
  lines.push_back(Untrimmed(table, 29, 2));
  lines.push_back(Untrimmed(table, 30, 2));
  lines.push_back(Untrimmed(table, 31, 2));
  return lines;
}

void EvaluateSectionA(const SectionATableType& table, const ProblemSink& fail) {
  for (const int k : kNumberSlots) {
    if ((k == 3 || k == 4) && !IsBlank(table, k) && Slot(table, k).front() == U'*') continue;
    if (auto problem = SlotProblem(table, k)) fail(*problem);
  }
}

void CheckSectionA(const SectionATableType& table, SectionChecks& checks) {
  if (checks.DepthsOnly()) return;  // section A has no depths
  for (const int k : kNumberSlots) {
    const int field = SectionAFieldOfSlot(k);
    CheckNumberText(Slot(table, k), false, false,
                    [&](const char* code, Severity severity, Text message) {
                      checks.Add(code, severity, 0, field, std::move(message));
                    });
  }
  const std::optional<std::int16_t> code = SlotL2Code(table);
  if (!code || checks.PatternFolder().empty()) return;
  const int field = SectionAFieldOfSlot(21);
  if (checks.Files().KindOf(checks.PatternFolder() + U"L2.txt") != EntryKind::kFile) {
    checks.Add("T504", Severity::kWarning, 0, field,
               U"パターンデータに L2.txt がないため、titl02.txt の L2 名称が空になります。");
  } else if (LookupL2Name(checks.Files(), checks.PatternFolder(), *code).empty()) {
    checks.Add("T503", Severity::kWarning, 0, field,
               U"L2 コード " + DecimalText(*code) +
                   U" は L2.txt にありません（titl02.txt の名称が空になります）。");
  }
}

void WriteTitleFiles(const OutputContext& out, const SectionATableType& table,
                     const Text& firstField) {
  out.WriteLines(U"titl01.txt", Title01Lines(table));
  const std::optional<std::int16_t> code = SlotL2Code(table);
  const Text l2Name = code ? LookupL2Name(out.fs, out.patternFolder, *code) : Text();
  out.WriteLines(U"titl02.txt", Title02Lines(table, firstField, l2Name));
  out.WriteLines(U"titl04.txt", Title04Lines(table));
}

}  // namespace tecris2nx
