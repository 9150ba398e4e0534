#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/error.h"
#include "common/formatting.h"
#include "sections/output_context.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// Every value of a record is read as a number (bit v stands for value v).
inline constexpr std::uint32_t kAllNumbers = ~std::uint32_t{0};

/// What a second depth of a record means.
enum class EndKind {
  kNone,
  kSecondDepth,  ///< a second depth of the same place, not above the first
  kIntervalEnd,  ///< the end of the interval the first depth starts
};

/// How the records of a section B to H look, declared once in the section's header and used by its
/// reader, its row of the section table and the checks that hold for every section.
struct RecordShape {
  int values = 0;
  /// E to H: records begin with an opening field, and the lead field after the count may be the
  /// first record's; B to D: records begin with three ignored fields.
  bool opened = false;
  std::uint32_t numbers = kAllNumbers;  ///< values read as numbers, bit v for value v
  int depth = 0;                        ///< the record's depth (or interval start)
  int end = 0;                          ///< its second depth or interval end; 0 for none
  EndKind endKind = EndKind::kNone;
  std::array<int, 2> exponents{};  ///< values read by the exponent rule; 0 for none
  bool ascending = false;          ///< depths are not expected to go back up
  bool noOverlap = false;          ///< an interval is not expected to start above the last's end

  bool IsNumber(int value) const { return (numbers >> value & 1U) != 0; }
  bool IsExponent(int value) const { return value == exponents[0] || value == exponents[1]; }
  /// The field of the section (1-based, after the marker) holding a record's value; value 0 is
  /// the record's first field. `leadOpens`: the lead field was the first record's opening field.
  int FieldOf(int record, int value, bool leadOpens) const;
  /// The record and value (1 to values) FieldOf gives `field` for; false for a field that holds
  /// no record's value.
  bool ValueAt(int field, bool leadOpens, int& record, int& value) const {
    const int width = 3 + values;
    const int fromFirst = field - (opened && !leadOpens ? 5 : 4);
    if (values == 0 || fromFirst < 0 || fromFirst % width < 3) return false;
    record = fromFirst / width + 1;
    value = fromFirst % width - 2;
    return true;
  }
};

/// How the conversion evaluates a value.
enum class NumberUse {
  kNumber,     ///< as a number: an error beyond the range of any number
  kSingleKey,  ///< as a single-precision key: an error beyond that range
  kExponent,   ///< by the exponent rule: an error when its product leaves single precision
};

/// Receives each problem an evaluation meets, in the order met.
using ProblemSink = std::function<void(const ConversionError&)>;

/// Hands each value the conversion evaluates, in file order, with how it is evaluated; `cells` is
/// the record, read. A visit may pass over the values that hold only plain numbers
/// (RecordTable::OnlyPlainNumbers), and over exponent values none of whose cells the exponent rule
/// can take out of range (RecordTable::QuietUnderExponentRule): nothing in them can leave a range,
/// and the visits look for what does.
using NumberVisit =
    std::function<void(const RecordTable::Record& cells, int record, int value, NumberUse use)>;

/// True when a number visit may pass over value `v` of the shape (see NumberVisit): its cells
/// are plain numbers, or, for a value read by the exponent rule, none the rule can take out of
/// range.
inline bool NothingToVisit(const RecordShape& shape, const RecordTable& table, int v) {
  return shape.IsExponent(v) ? table.QuietUnderExponentRule(v) : table.OnlyPlainNumbers(v);
}

/// Sections B, C, D: `count` records of three ignored fields and the shape's values.
void ReadCountedRecords(FieldReader& in, RecordTable& table, const RecordShape& shape,
                        std::int16_t count);

/// Sections E to H: `count` records of an opening field, two ignored fields and the shape's values.
/// When the lead field was the section's letter it already was the first record's opening field.
void ReadOpenedRecords(FieldReader& in, RecordTable& table, const RecordShape& shape,
                       std::int16_t count, bool firstOpeningRead);

/// Every number value of every record as kNumber and every exponent value as kExponent, in file
/// order: how a section whose writers use every value evaluates them.
void VisitEveryNumber(const RecordShape& shape, const RecordTable& table, const NumberVisit& visit);

/// A plain decimal (digits, at most one point, perhaps a sign in front) of at most this many
/// bytes is within every range a number is read in.
inline constexpr std::size_t kLongestPlainInRange = 38;

/// False when the cell's CP932 bytes cannot give NumberProblem's error: a quick test that spares
/// nearly every cell the full reading.
bool MayBeNumberProblem(std::string_view bytes, NumberUse use);

/// The error of a value the conversion cannot evaluate as `use` says; nothing when it can.
std::optional<ConversionError> NumberProblem(char32_t section, TextView cell, int record, int value,
                                             NumberUse use);

// Cells onto an output line held as CP932 bytes: a cell that is blank or a plain ASCII decimal
// goes byte to byte, any other through its decoded text (`scratch` holds that text).

/// NumberOrEmpty of the cell.
void AppendNumberCell(std::string& line, const RecordTable::Record& cells, int value,
                      Text& scratch);
/// FormatDepth of the cell.
void AppendDepthCell(std::string& line, const RecordTable::Record& cells, int value, Text& scratch);
/// FormatDepth of a number's text (NumberText), onto a line of bytes.
void AppendDepthOfText(std::string& line, TextView text, Text& scratch);

/// A line for each record, in order: its number in four columns, then what
/// `rest(line, cells, record, scratch)` appends to `line`, which holds the lines before it: it
/// only appends, working from line.size() at its start. The record's cells and the scratch text
/// are used again for every record, so that a record allocates nothing.
template <typename Rest>
TextLines RecordLines(const RecordTable& table, TextLines lines, Rest rest) {
  lines.reserve(static_cast<std::size_t>(table.count()));
  RecordTable::Record cells;
  Text scratch;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    lines.AppendLine([&](std::string& line) {
      AppendNumberColumnBytes(line, static_cast<std::int16_t>(r));
      rest(line, cells, r, scratch);
    });
  }
  return lines;
}

}  // namespace tecris2nx
