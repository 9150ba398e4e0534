#include "sections/section_e.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/section_input.h"

namespace tecris2nx {
namespace {

using testing::ReaderOf;
using Records = std::vector<std::vector<Text>>;

RecordTable SectionETable(const Records& records) { return testing::TableOf(4, records); }

TEST(SectionETest, LeadFieldDecidesTheSectionSize) {
  struct Row {
    Text body;  ///< after the marker
    int fields;
  };
  const Text rest = U"r,s,1.50,12,3.5,0.8,E,r,s,10.25,,7,";
  const Row rows[] = {
      {U"x,y,2,E," + rest, 17},   {U"x,y,2\r\nE\r\n" + rest, 17}, {U"x,y,2,0,E," + rest, 18},
      {U"x,y,2,e,E," + rest, 18}, {U"x,y,2,Ｅ,E," + rest, 18},    {U"x,y,2,\"E \",E," + rest, 18},
      {U"x,y,2,,E," + rest, 18},
  };
  const Records expected = {{U"1.50", U"12", U"3.5", U"0.8"}, {U"10.25", U"", U"7", U""}};
  for (const Row& row : rows) {
    FieldReader in = ReaderOf(row.body + U",NEXT");
    in.BeginSection(U'E');
    RecordTable table;
    table.Reset(4, 7);  // left from an earlier file
    ReadSectionE(in, table);
    EXPECT_EQ(in.SectionFieldCount(), row.fields) << ToUtf8(row.body);
    ASSERT_EQ(table.count(), 2);
    for (int r = 1; r <= 2; ++r) {
      for (int v = 1; v <= 4; ++v) EXPECT_EQ(table.Cell(v, r), expected[r - 1][v - 1]);
    }
    EXPECT_EQ(in.ReadField(), U"NEXT");
  }
}

TEST(SectionETest, CountThatIsNoNumberStillReadsTheLeadField) {
  FieldReader in = ReaderOf(U"x,y,none,E,NEXT");
  RecordTable table;
  ReadSectionE(in, table);
  EXPECT_EQ(table.count(), 0);
  EXPECT_EQ(in.ReadField(), U"NEXT");
}

TEST(SectionETest, Lines) {
  const Records records = {
      {U"1.50", U"12", U"3.5", U"0.8"},
      {U"10.25", U"", U"7", U""},
      {U"", U"", U"", U""},
      {U"abc", U"  12.50 ", U"   ", U"abc"},
      {U"12.3456", U"-1.5", U"1", U"　"},
  };
  EXPECT_EQ(L209Lines(SectionETable(records)), (std::vector<Text>{
                                                   U"   1,,   1.50,,0.8,,12,3.5,,,,,,,",
                                                   U"   2,,  10.25,,,,,7,,,,,,,",
                                                   U"   3,,   0.00,,,,,,,,,,,,",
                                                   U"   4,,   0.00,,0,,12.5,,,,,,,,",
                                                   U"   5,,  12.34,,0,,-1.5,1,,,,,,,",
                                               }));
  EXPECT_TRUE(L209Lines(SectionETable({})).empty());
}

}  // namespace
}  // namespace tecris2nx
