#include "sections/section_c.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "support/section_input.h"

namespace tecris2nx {
namespace {

using testing::ReaderOf;

/// A section C body (after the marker) holding the records' three values.
Text SectionC(const Text& count, const std::vector<std::array<Text, 3>>& records) {
  Text body = U"x,y," + count + U"\r\n";
  for (const auto& r : records) body += U"1,2,3," + r[0] + U"," + r[1] + U"," + r[2] + U"\r\n";
  return body;
}

std::vector<Text> Convert(const Text& body) {
  FieldReader in = ReaderOf(body);
  RecordTable table;
  ReadSectionC(in, table);
  return X5Lines(table);
}

TEST(SectionCTest, WritesTheWorkedLines) {
  EXPECT_EQ(Convert(SectionC(U"4", {{U"1.5", U"12", U"28"},
                                    {U"10", U"50", U"15"},
                                    {U"10", U"60", U"*"},
                                    {U"2", U"", U"5"}})),
            (std::vector<Text>{U"   1,   1.50,12,,30,,,,,,", U"   2,  10.00,50,,15,,,,,,",
                               U"   3,  10.00,60,,,,,,,,", U"   4,   2.00,,,30,,,,,,"}));
}

TEST(SectionCTest, ValueRules) {
  struct Row {
    std::array<Text, 3> values;
    Text line;
  };
  const Row rows[] = {
      {{U"7", U"12.50", U"1"}, U"   1,   7.00,12.5,,30,,,,,,"},
      {{U"12.345", U"   ", U"1"}, U"   1,  12.34,,,30,,,,,,"},
      {{U"0.5", U"abc", U"*"}, U"   1,   0.50,0,,,,,,,,"},
      {{U"1", U"49.9", U"8"}, U"   1,   1.00,49.9,,30,,,,,,"},
      {{U"1", U"50", U"7cm"}, U"   1,   1.00,50,,7,,,,,,"},
      {{U"1", U"60", U"*abc"}, U"   1,   1.00,60,,,,,,,,"},
      {{U"1", U"\"60\"", U""}, U"   1,   1.00,60,,0,,,,,,"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Convert(SectionC(U"1", {r.values})), std::vector<Text>{r.line}) << ToUtf8(r.line);
  }
}

TEST(SectionCTest, CountsAndSize) {
  // Halves go to the even neighbour: 2.5 reads two records, 3.5 reads four.
  const std::array<Text, 3> rec = {U"1", U"2", U"3"};
  EXPECT_EQ(Convert(SectionC(U"2.5", {rec, rec, rec})).size(), 2u);
  EXPECT_EQ(Convert(SectionC(U"3.5", {rec, rec, rec, rec})).size(), 4u);
  EXPECT_TRUE(Convert(SectionC(U"none", {})).empty());

  FieldReader in = ReaderOf(SectionC(U"2", {rec}));
  RecordTable table;
  EXPECT_THROW(ReadSectionC(in, table), ConversionError);
}

TEST(SectionCTest, RecordNumbersKeepTheirLastFourDigits) {
  Text body = U"x,y,12345\r\n";
  for (int i = 0; i < 12345; ++i) body += U"1,2,3,1,2,3\r\n";
  const std::vector<Text> lines = Convert(body);
  ASSERT_EQ(lines.size(), 12345u);
  EXPECT_EQ(lines.back().substr(0, 5), U"2345,");
  EXPECT_EQ(lines[9998].substr(0, 5), U"9999,");
}

}  // namespace
}  // namespace tecris2nx
