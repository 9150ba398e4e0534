#include "sections/section_records.h"

#include <gtest/gtest.h>

#include <random>

#include "common/cp932.h"

#include "sections/section_b.h"
#include "sections/section_c.h"
#include "sections/section_d.h"
#include "sections/section_e.h"
#include "sections/section_gh.h"
#include "support/section_input.h"

namespace tecris2nx {
namespace {

using testing::ReaderOf;

// The number visits of B, C, G and H pass over sections whose values are all plain numbers; a
// value beyond every range must still be handed over, wherever it stands.
TEST(NumberVisitTest, PassesOverOnlySectionsOfPlainNumbers) {
  struct Row {
    char section;
    Text record;  ///< its values
    std::vector<int> loudValues;
  };
  const Row rows[] = {
      {'B', U"1.5,1300,砂,C,", {}}, {'B', U"1e400,1300,砂,C,", {1}}, {'B', U"1.5,1e400,砂,C,", {2}},
      {'C', U"1.5,60,12", {}},      {'C', U"1e400,60,12", {1}},      {'C', U"1.5,1e400,12", {2}},
      {'C', U"1.5,60,1e400", {3}},  {'G', U"1.5,2.5,3", {}},         {'G', U"1e400,2.5,3", {1}},
      {'G', U"1.5,1e400,3", {2}},   {'G', U"1.5,2.5,1e400", {3}},    {'H', U"1.5,2.5,1e400", {3}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(1, row.section) + " " + ToUtf8(row.record));
    RecordTable table;
    RecordTable none;
    none.Reset(3, 0);
    if (row.section == 'B' || row.section == 'C') {
      FieldReader in = ReaderOf(U"a,b,c," + row.record + U"\r\n");
      ReadCountedRecords(in, table, row.section == 'B' ? kSectionBShape : kSectionCShape, 1);
    } else {
      FieldReader in = ReaderOf(Text(1, row.section) + U",b,c," + row.record + U"\r\n");
      ReadOpenedRecords(in, table, kSectionGHShape, 1, false);
    }
    std::vector<int> visited;
    int visits = 0;
    const NumberVisit visit = [&](const RecordTable::Record& cells, int, int value, NumberUse) {
      ++visits;
      if (MayBeNumberProblem(cells.Cp932(value), NumberUse::kNumber)) visited.push_back(value);
    };
    if (row.section == 'B') VisitSectionBNumbers(table, visit);
    if (row.section == 'C') VisitSectionCNumbers(table, visit);
    if (row.section == 'G') VisitL201Numbers(table, none, true, visit);
    if (row.section == 'H') VisitL201Numbers(none, table, false, visit);
    EXPECT_EQ(visited, row.loudValues);
    if (row.loudValues.empty()) {
      EXPECT_EQ(visits, 0);
    }
  }
}

// Check mode finds a record's value from a field's number: ValueAt must undo FieldOf for every
// value, and find none in the fields that hold no value (a record's opening or ignored fields,
// the section's leading fields).
TEST(RecordShapeTest, ValueAtUndoesFieldOf) {
  for (const RecordShape& shape : {kSectionBShape, kSectionDShape, kSectionEShape}) {
    for (const bool leadOpens : {false, true}) {
      SCOPED_TRACE(::testing::Message() << shape.values << " values, lead opens " << leadOpens);
      std::vector<bool> holdsValue(static_cast<std::size_t>(shape.FieldOf(4, 0, leadOpens)));
      for (int r = 1; r <= 3; ++r) {
        for (int v = 1; v <= shape.values; ++v) {
          const int field = shape.FieldOf(r, v, leadOpens);
          holdsValue[static_cast<std::size_t>(field)] = true;
          int record = 0;
          int value = 0;
          ASSERT_TRUE(shape.ValueAt(field, leadOpens, record, value)) << r << "," << v;
          EXPECT_EQ(record, r);
          EXPECT_EQ(value, v);
        }
      }
      for (int field = 1; field < static_cast<int>(holdsValue.size()); ++field) {
        int record = 0;
        int value = 0;
        if (!holdsValue[static_cast<std::size_t>(field)]) {
          EXPECT_FALSE(shape.ValueAt(field, leadOpens, record, value)) << field;
        }
      }
    }
  }
}

// Evaluation passes over a value whose every cell was read as a plain number, and over an
// exponent value none of whose cells the exponent rule can take out of range: anything a number
// check could find must keep the value from being taken for either.
TEST(RecordTableTest, OnlyValuesReadAsPlainNumbersAreKnownPlain) {
  struct Row {
    Text field;
    bool plain;
    bool quietExponent;
  };
  const Row rows[] = {
      {U"12.5", true, true},
      {U"-3", true, true},
      {U"+.5", true, true},
      {U"", true, true},
      {Text(38, U'9'), true, true},
      {Text(39, U'9'), false, true},  // beyond single precision as a depth, not as a number
      {Text(309, U'9'), false, false},
      {U"1E5", false, true},
      {U"1.25Ｅ-5", false, true},
      {U"1E39", false, false},
      {U"1e400", false, false},
      {U"&H10", false, false},
      {U" 1 ", true, true},  // the blanks around a field are not its bytes
      {U"1.2.3", false, true},
      {U"1-", false, true},
      {U"-", false, true},
      {U"\"1\"", true, true},  // nor are the quotes
      {U"砂", false, true},
  };
  for (const Row& r : rows) {
    // Two records of two values: the row's field, then a plain number, in the first record.
    FieldReader in = ReaderOf(U"a,b,c," + r.field + U",1\r\na,b,c,2,3\r\n");
    RecordTable table;
    ReadCountedRecords(in, table, RecordShape{2}, 2);
    EXPECT_EQ(table.OnlyPlainNumbers(1), r.plain) << ToUtf8(r.field);
    EXPECT_EQ(table.QuietUnderExponentRule(1), r.quietExponent) << ToUtf8(r.field);
    EXPECT_TRUE(table.OnlyPlainNumbers(2)) << ToUtf8(r.field);
  }
}

// Line ends inside quoted fields are written as blanks in the lines made from a table.
TEST(RecordTableTest, LinesOfATableWriteLineEndsAsBlanks) {
  struct Row {
    Text field;
    std::string line;
  };
  const Row rows[] = {
      {U"12.5", "   1,12.5"},
      {U"\"quoted, text\"", "   1,quoted, text"},
      {U"\"two\r\nlines\"", "   1,two  lines"},
      {U"\"lone\nLF\"", "   1,lone LF"},
      {U"\"lone\rCR\"", "   1,lone CR"},
  };
  for (const Row& r : rows) {
    FieldReader in = ReaderOf(U"a,b,c," + r.field + U"\r\na,b,c,2\r\n");
    RecordTable table;
    ReadCountedRecords(in, table, RecordShape{1}, 2);
    const TextLines lines =
        RecordLines(table, {}, [](std::string& line, const RecordTable::Record& cells, int, Text&) {
          line += ',';
          line += cells.Cp932(1);
        });
    EXPECT_EQ(lines.bytes(), r.line + "\r\n   2,2\r\n") << ToUtf8(r.field);
  }
}

// The quick test spares the full reading only where it can find nothing: for exponent values in
// either width of letter, near and past the single-precision range, a value it passes must give
// no problem, and the small ones must pass.
TEST(MayBeNumberProblemTest, PassesOnlyValuesWithoutAProblem) {
  const Text letters[] = {U"E", U"e", U"Ｅ", U"ｅ"};
  std::mt19937 rng(13);
  int passed = 0;
  for (int i = 0; i < 20000; ++i) {
    Text cell = rng() % 4 == 0 ? U"-" : U"";
    for (unsigned n = 1 + rng() % 10; n > 0; --n) cell += static_cast<char32_t>(U'0' + rng() % 10);
    if (rng() % 2) cell += U"." + DecimalText(rng() % 1000);
    cell += letters[rng() % 4];
    if (rng() % 2) cell += rng() % 2 ? U"-" : U"+";
    cell += DecimalText(rng() % 60);
    const std::string bytes = EncodeCp932(cell);
    if (MayBeNumberProblem(bytes, NumberUse::kExponent)) continue;
    ++passed;
    EXPECT_FALSE(NumberProblem(U'D', cell, 1, 22, NumberUse::kExponent)) << ToUtf8(cell);
  }
  EXPECT_GT(passed, 5000);
  EXPECT_FALSE(MayBeNumberProblem(EncodeCp932(U"1.25Ｅ-5"), NumberUse::kExponent));
  EXPECT_FALSE(MayBeNumberProblem(EncodeCp932(U"2.3ｅ+4"), NumberUse::kExponent));
  EXPECT_TRUE(MayBeNumberProblem(EncodeCp932(U"9Ｅ39"), NumberUse::kExponent));
}

}  // namespace
}  // namespace tecris2nx
