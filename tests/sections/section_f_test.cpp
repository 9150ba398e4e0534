#include "sections/section_f.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/error.h"
#include "support/section_input.h"

namespace tecris2nx {
namespace {

using testing::ReaderOf;
using Records = std::vector<std::vector<Text>>;

RecordTable SectionFTable(const Records& records) { return testing::TableOf(3, records); }

TEST(SectionFTest, LeadFieldDecidesSizeAndKind) {
  struct Row {
    Text lead;
    int fields;
    std::int16_t kind8;
  };
  const Row rows[] = {
      {U"F", 15, 0},  {U"8", 16, 1},  {U"8.0", 16, 1},    {U" 8", 16, 1}, {U"\" 8\"", 16, 1},
      {U"08", 16, 1}, {U"80", 16, 0}, {U"8.5", 16, 0},    {U"7", 16, 0},  {U"f", 16, 0},
      {U"Ｆ", 16, 0}, {U"", 16, 0},   {U"\"F \"", 16, 0},
  };
  const Records expected = {{U"0.00", U"1.50", U"12"}, {U"1.50", U"2.00", U""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(ToUtf8(row.lead));
    // With the letter as lead the first record's opening field is already read.
    const Text first = row.lead == U"F" ? U"F" : row.lead + U",F";
    FieldReader in = ReaderOf(U"x,y,2," + first + U",r,s,0.00,1.50,12\r\nF,r,s, 1.50,2.00,,NEXT");
    in.BeginSection(U'F');
    RecordTable table;
    table.Reset(3, 7);
    std::int16_t kind8 = 1;  // left from an earlier section
    ReadSectionF(in, table, kind8);
    EXPECT_EQ(kind8, row.kind8);
    EXPECT_EQ(in.SectionFieldCount(), row.fields);
    ASSERT_EQ(table.count(), 2);
    for (int r = 1; r <= 2; ++r) {
      for (int v = 1; v <= 3; ++v) EXPECT_EQ(table.Cell(v, r), expected[r - 1][v - 1]);
    }
    EXPECT_EQ(in.ReadField(), U"NEXT");
  }
}

TEST(SectionFTest, Lines) {
  struct Row {
    std::vector<Text> cells;
    std::int16_t kind8;
    Text line;
  };
  const Row rows[] = {
      {{U"0.00", U"1.50", U"12"}, 0, U"   1,   1.50,   0.00,,,12,,,,,,,,,"},
      {{U"1.10", U"2.30", U"1.5E-3"}, 0, U"   1,   1.20,   1.10,,,0.0015,,,,,,,,,"},
      {{U"", U"2.00", U""}, 0, U"   1,,   0.00,,,,,,,,,,,,"},
      {{U"2.0", U"1.5", U"7"}, 0, U"   1,  -0.50,   2.00,,,7,,,,,,,,,"},
      {{U"0.00", U"1.50", U"12"}, 1, U"   1,   1.50,   0.00,12,,,,,,,,,,,"},
      {{U"1", U"2", U"1.5Ｅ2"}, 0, U"   1,   1.00,   1.00,,,150,,,,,,,,,"},
      {{U"1", U"2", U"1.23456789E2"}, 1, U"   1,   1.00,   1.00,123.4568,,,,,,,,,,,"},
      {{U"1", U"2", U"123.456789"}, 0, U"   1,   1.00,   1.00,,,123.456789,,,,,,,,,"},
      {{U"1", U"2", U"   "}, 1, U"   1,   1.00,   1.00,,,,,,,,,,,,"},
      {{U"1.5", U"", U"1"}, 0, U"   1,,   1.50,,,1,,,,,,,,,"},
      {{U"1.5", U"  ", U"1"}, 0, U"   1,,   1.50,,,1,,,,,,,,,"},
      {{U"abc", U"2", U"abc"}, 0, U"   1,   2.00,   0.00,,,0,,,,,,,,,"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(L204Lines(SectionFTable({row.cells}), row.kind8), std::vector<Text>{row.line});
  }
  EXPECT_EQ(L204Lines(SectionFTable({{U"1", U"2", U"3"}, {U"4", U"5", U"6"}}), 0)[1].substr(0, 5),
            U"   2,");
}

TEST(SectionFTest, ValueOutOfRangeNamesTheRecord) {
  const RecordTable table =
      SectionFTable({{U"1", U"2", U"3"}, {U"1", U"2", U"4"}, {U"1", U"2", U"1E39"}});
  try {
    L204Lines(table, 0);
    ADD_FAILURE() << "1E39 was accepted";
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.message().rfind(U"セクション F の記録 3: ", 0), 0u) << ToUtf8(e.message());
  }
}

}  // namespace
}  // namespace tecris2nx
