#include "sections/section_gh.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "common/file_system.h"
#include "run/convert_file.h"
#include "support/section_input.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::ReaderOf;
using testing::TempDir;

using Records = std::vector<std::vector<Text>>;

RecordTable SectionGhTable(const Records& records) { return testing::TableOf(3, records); }

TEST(SectionGHTest, LeadFieldIsTheOpeningOnlyForTheReadersOwnLetter) {
  struct Row {
    char32_t letter;
    Text lead;
    int fields;
  };
  const Row rows[] = {
      {U'G', U"G", 15}, {U'G', U"H", 16},  {U'H', U"H", 15}, {U'H', U"G", 16},
      {U'G', U"g", 16}, {U'H', U"Ｈ", 16}, {U'G', U"0", 16}, {U'G', U"\"G \"", 16},
  };
  const Records expected = {{U"1.00", U"2.00", U"10"}, {U"3.00", U"4.00", U""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(ToUtf8(Text(1, row.letter) + U" with lead " + row.lead));
    const Text letter(1, row.letter);
    const Text first = row.fields == 15 ? letter : row.lead + U"," + letter;
    FieldReader in = ReaderOf(U"x,y,2," + first + U",r,s, 1.00,2.00,10\r\n" + letter +
                              U",r,s,3.00,4.00,\r\nNEXT");
    in.BeginSection(row.letter);
    RecordTable table;
    table.Reset(3, 9);
    if (row.letter == U'G') {
      ReadSectionG(in, table);
    } else {
      ReadSectionH(in, table);
    }
    EXPECT_EQ(in.SectionFieldCount(), row.fields);
    ASSERT_EQ(table.count(), 2);
    for (int r = 1; r <= 2; ++r) {
      for (int v = 1; v <= 3; ++v) {
        EXPECT_EQ(table.Cell(v, r), expected[r - 1][v - 1]) << "cell " << v << ", " << r;
      }
    }
    EXPECT_EQ(in.ReadField(), U"NEXT");
  }
}

TEST(SectionGHTest, MergesByStartDepth) {
  struct Row {
    const char* what;
    Records g;
    Records h;
    std::vector<Text> lines;
  };
  const Row rows[] = {
      {"worked example",
       {{U"1.00", U"2.00", U"10"}, {U"3.00", U"4.00", U"20"}},
       {{U"2.00", U"2.50", U"0.5"}, {U"3.0", U"3.50", U"1.25"}},
       {U"   1,   1.00,   1.00,,,10,,,,,,,,,", U"   2,   0.50,   2.00,,,,,,,0.5,,,,,",
        U"   3,   1.00,   3.00,,,20,,,,1.25,,,,,"}},
      {"G alone", {{U"5.0", U"6.0", U"1"}}, {}, {U"   1,   1.00,   5.00,,,1,,,,,,,,,"}},
      {"H alone uses its own end depths",
       {},
       {{U"0.5", U"1.0", U""}, {U"1.5", U"2.0", U"3"}},
       {U"   1,   0.50,   0.50,,,,,,,,,,,,", U"   2,   0.50,   1.50,,,,,,,3,,,,,"}},
      {"equal starts pair with the G end depth",
       {{U"3.0", U"4.0", U"7"}},
       {{U"3.00", U"3.25", U"8"}},
       {U"   1,   1.00,   3.00,,,7,,,,8,,,,,"}},
      {"single precision pairs digits beyond it",
       {{U"1.1", U"2", U"1"}},
       {{U"1.1000000001", U"2", U"2"}},
       {U"   1,   0.90,   1.10,,,1,,,,2,,,,,"}},
      // Just above the largest single both round to it, not one of them to infinity.
      {"single precision at the top of its range",
       {{U"3.4028235E38", U"", U"1"}},
       {{U"3.4028234E38", U"", U"2"}},
       {U"   1,0000.00,0000.00,,,1,,,,2,,,,,"}},
      {"single precision at the bottom of its range",
       {{U"-3.4028234E38", U"", U"1"}},
       {{U"-3.4028235E38", U"", U"2"}},
       {U"   1,0000.00,0000.00,,,1,,,,2,,,,,"}},
      {"blank G value in a paired row",
       {{U"1", U"2", U"   "}},
       {{U"1", U"2", U"4"}},
       {U"   1,   1.00,   1.00,,,,,,,4,,,,,"}},
      {"unsorted G kept in its order",
       {{U"5", U"6", U"1"}, {U"1", U"2", U"2"}},
       {},
       {U"   1,   1.00,   5.00,,,1,,,,,,,,,", U"   2,   1.00,   1.00,,,2,,,,,,,,,"}},
      {"unsorted lists merged as they come",
       {{U"5", U"6", U"1"}, {U"1", U"2", U"2"}},
       {{U"3", U"4", U"9"}},
       {U"   1,   1.00,   3.00,,,,,,,9,,,,,", U"   2,   1.00,   5.00,,,1,,,,,,,,,",
        U"   3,   1.00,   1.00,,,2,,,,,,,,,"}},
      {"length through the number text",
       {{U"1.1", U"2.3", U"5"}},
       {},
       {U"   1,   1.20,   1.10,,,5,,,,,,,,,"}},
      {"empty end depth gives the negative start",
       {{U"1.5", U"", U"1"}},
       {},
       {U"   1,  -1.50,   1.50,,,1,,,,,,,,,"}},
      {"non-numeric start sorts as 0",
       {{U"1", U"2", U"abc"}},
       {{U"abc", U"0.5", U"x"}},
       {U"   1,   0.50,   0.00,,,,,,,0,,,,,", U"   2,   1.00,   1.00,,,0,,,,,,,,,"}},
      // Depths at or beyond the exhausted-list key never pair with a list that has ended.
      {"999999 after H has ended",
       {{U"999999", U"1000000", U"1"}, {U"1000000", U"1000001", U"2"}},
       {{U"1", U"2", U"3"}},
       {U"   1,   1.00,   1.00,,,,,,,3,,,,,", U"   2,   1.00,9999.00,,,1,,,,,,,,,",
        U"   3,   1.00,0000.00,,,2,,,,,,,,,"}},
      {"999999 after G has ended",
       {},
       {{U"999999", U"1000000", U"1"}},
       {U"   1,   1.00,9999.00,,,,,,,1,,,,,"}},
      {"999999 on both sides pairs",
       {{U"999999", U"1000000", U"1"}},
       {{U"999999", U"1000000", U"2"}},
       {U"   1,   1.00,9999.00,,,1,,,,2,,,,,"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(L201Lines(SectionGhTable(row.g), SectionGhTable(row.h)), row.lines);
  }
}

TEST(SectionGHTest, TooManyRowsIsAnError) {
  RecordTable g;
  RecordTable h;
  g.Reset(3, 20000);
  h.Reset(3, 12768);
  try {
    L201Lines(g, h);
    ADD_FAILURE() << "32768 rows were accepted";
  } catch (const ConversionError& e) {
    const std::string message = ToUtf8(e.message());
    for (const char* part : {"セクション G と H", "20000", "12768"}) {
      EXPECT_NE(message.find(part), std::string::npos) << message;
    }
  }
  // One less fits; H starts below every G start so no row pairs.
  h = SectionGhTable(Records(12767, std::vector<Text>{U"-1"}));
  const std::vector<Text> lines = L201Lines(g, h);
  ASSERT_EQ(lines.size(), 32767u);
  EXPECT_EQ(lines.back(), U"2767,   0.00,   0.00,,,,,,,,,,,,");
}

/// Converts files of one run, each into out/<job>.
class SectionGHRunTest : public ::testing::Test {
 protected:
  SectionGHRunTest() { tmp.Write("out/.keep", ""); }

  FileReport Convert(const Text& input, const Text& job) {
    FileReport report =
        ConvertFile(input, tmp.TextOf("out"), RunEnvironment{fs, tmp.TextOf("patdat") + U"/"});
    EXPECT_EQ(report.jobName, job);
    EXPECT_EQ(report.error, U"");
    return report;
  }

  TempDir tmp;
  RealFileSystem fs;
};

TEST_F(SectionGHRunTest, SampleWithSectionsEToHConvertsByteExact) {
  const std::string examples = std::string(testing::SourceDir()) + "/examples/";
  const FileReport report = Convert(FromUtf8(examples + "12345678.004"), U"12345678004");
  EXPECT_EQ(report.written, (std::vector<Text>{U"L209.txt", U"L204.txt", U"L201.txt"}));
  EXPECT_FALSE(report.stoppedEarly);
  EXPECT_EQ(tmp.Read("out/12345678004/L209.txt"),
            Cp932Lines("   1,,   1.50,,0.8,,12,3.5,,,,,,,\n"
                       "   2,,   3.50,,1.6,,25.4,7.25,,,,,,,\n"
                       "   3,,   5.50,,,,,9,,,,,,,\n"));
  EXPECT_EQ(tmp.Read("out/12345678004/L204.txt"),
            Cp932Lines("   1,   1.00,   2.00,0.0015,,,,,,,,,,,\n"
                       "   2,   1.50,   4.00,0.00023,,,,,,,,,,,\n"));
  EXPECT_EQ(tmp.Read("out/12345678004/L201.txt"),
            Cp932Lines("   1,   1.00,   1.00,,,10,,,,,,,,,\n"
                       "   2,   0.50,   2.00,,,,,,,0.5,,,,,\n"
                       "   3,   1.00,   3.00,,,20,,,,1.25,,,,,\n"
                       "   4,   1.00,   6.00,,,15,,,,,,,,,\n"
                       "   5,   1.10,   8.00,,,,,,,3,,,,,\n"));

  // The next file of the same run has no G or H: the earlier tables must not leak into it.
  tmp.Write("in/12345678.006", Cp932Lines("E,12345678006,載荷,1,E,1,0,2.00,5,6,7\n"));
  const FileReport second = Convert(tmp.TextOf("in/12345678.006"), U"12345678006");
  EXPECT_EQ(second.written, std::vector<Text>{U"L209.txt"});
  EXPECT_FALSE(tmp.Exists("out/12345678006/L201.txt"));
  EXPECT_EQ(tmp.Read("out/12345678006/L209.txt"), Cp932Lines("   1,,   2.00,,7,,5,6,,,,,,,\n"));
}

TEST_F(SectionGHRunTest, GOnlySampleWritesL201Alone) {
  const std::string examples = std::string(testing::SourceDir()) + "/examples/";
  const FileReport report = Convert(FromUtf8(examples + "12345678.005"), U"12345678005");
  EXPECT_EQ(report.written, std::vector<Text>{U"L201.txt"});
  EXPECT_EQ(tmp.Read("out/12345678005/L201.txt"),
            Cp932Lines("   1,   1.00,   0.50,,,4,,,,,,,,,\n"
                       "   2,   1.00,   1.50,,,6.5,,,,,,,,,\n"));
}

}  // namespace
}  // namespace tecris2nx
