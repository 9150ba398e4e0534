#include "sections/section_a.h"

#include <gtest/gtest.h>

#include <map>

#include "common/cp932.h"
#include "common/error.h"
#include "run/convert_file.h"
#include "support/section_input.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::ReaderOf;
using testing::TempDir;

/// A section A body (after the marker) whose field n holds "f<n>" unless given.
Text SectionA(const std::map<int, Text>& fields) {
  Text body;
  for (int n = 1; n <= 41; ++n) {
    const auto it = fields.find(n);
    body += it != fields.end() ? it->second : U"f" + DecimalText(n);
    body += n % 8 == 0 ? U"\r\n" : U",";
  }
  return body + U"\r\nC\r\n";
}

SectionATableType Read(const Text& body) {
  FieldReader in = ReaderOf(body);
  SectionATableType table;
  Text firstField;
  ReadSectionA(table, in, firstField);
  return table;
}

/// A table with only the given slots filled.
SectionATableType Slots(const std::map<int, Text>& slots) {
  SectionATableType table;
  for (const auto& [k, v] : slots) table[static_cast<std::size_t>(k)] = v;
  return table;
}

TEST(SectionATest, SplitByWidths) {
  struct Row {
    Text text;
    std::vector<int> widths;
    std::array<Text, 3> pieces;
  };
  const Row rows[] = {
      {U"35123456", {2, 2, 3}, {U"35", U"12", U"345"}},  // the last character is dropped
      {U"3512", {2, 2, 3}, {U"35", U"12", U""}},         // stops with an empty piece
      {U"351", {2, 2, 3}, {U"35", U"1", U"old"}},        // a short piece stops the cut
      {U"ＡＢ1", {2, 2, 3}, {U"ＡＢ", U"1", U"old"}},    // full-width counts as one
  };
  for (const Row& r : rows) {
    std::array<Text, 3> pieces = {U"old", U"old", U"old"};
    SplitByWidths(r.text, r.widths, pieces);
    EXPECT_EQ(pieces, r.pieces) << ToUtf8(r.text);
  }
}

TEST(SectionATest, CutsTheThreeCodes) {
  struct Row {
    int field;
    Text code;
    int firstSlot;
    std::array<Text, 3> slots;
  };
  const Row rows[] = {
      {14, U"2001123456", 7, {U"2001", U"123456", U""}},
      {14, U"2001123456789", 7, {U"2001", U"123456", U"789"}},
      {14, U"20011234567", 7, {U"", U"", U""}},
      {14, U"\" 2001123456 \"", 7, {U" 200", U"112345", U""}},
      {18, U"3512345", 10, {U"35", U"12", U"345"}},
      {18, U"\" 3512345\"", 10, {U" 3", U"51", U"234"}},
      {18, U"351234", 10, {U"", U"", U""}},
      {19, U"13930123", 13, {U"139", U"30", U"123"}},
      {19, U"1393012", 13, {U"", U"", U""}},
      {19, U"", 13, {U"", U"", U""}},
  };
  for (const Row& r : rows) {
    const SectionATableType table = Read(SectionA({{r.field, r.code}}));
    for (int i = 0; i < 3; ++i) {
      const auto slot = static_cast<std::size_t>(r.firstSlot + i);
      EXPECT_EQ(table[slot], r.slots[static_cast<std::size_t>(i)]) << ToUtf8(r.code) << " " << i;
    }
  }
}

TEST(SectionATest, PicksFieldsByPosition) {
  FieldReader in = ReaderOf(
      SectionA({{1, U"12345678001"}, {6, U"\" 調査名 \""}, {14, U"x"}, {18, U"x"}, {19, U"x"}}));
  SectionATableType table;
  table.fill(U"old");
  Text first;
  ReadSectionA(table, in, first);
  EXPECT_EQ(first, U"12345678001");
  EXPECT_EQ(in.ReadField(), U"");  // the rest of the 41st field's line
  EXPECT_EQ(in.ReadField(), U"C");
  const std::map<int, Text> expected = {{1, U" 調査名 "}, {2, U"f10"},  {3, U"f11"},  {4, U"f12"},
                                        {5, U""},         {6, U"f13"},  {7, U""},     {9, U""},
                                        {16, U"f20"},     {21, U"f25"}, {25, U"f29"}, {26, U"f33"},
                                        {34, U"f41"}};
  for (const auto& [slot, text] : expected) {
    EXPECT_EQ(table[static_cast<std::size_t>(slot)], text) << "slot " << slot;
  }
}

TEST(SectionATest, FileEndingInsideTheSectionFails) {
  Text body = SectionA({});
  body.resize(body.find(U"f40"));
  FieldReader in = ReaderOf(body);
  SectionATableType table;
  table[1] = U"kept";
  Text first = U"kept";
  EXPECT_THROW(ReadSectionA(table, in, first), ConversionError);
  EXPECT_EQ(table[1], U"kept");  // a broken section leaves nothing half-read behind
  EXPECT_EQ(first, U"kept");
}

TEST(SectionATest, Renderings) {
  struct Row {
    int file;  // 1, 2 or 4
    std::map<int, Text> slots;
    int line;
    Text expected;
  };
  const Row rows[] = {
      {1, {{1, U"  name  "}}, 1, U"name"}, {1, {{7, U"abc"}}, 4, U"   0"},
      {1, {{7, U"12345"}}, 4, U"2345"},    {1, {{7, U"3.50"}}, 4, U" 3.5"},
      {1, {{12, U"5"}}, 13, U"  5.5"},     {1, {{15, U"1234"}}, 16, U" 12.4"},
      {1, {{15, U"350"}}, 16, U"   35"},   {2, {{16, U"12.35"}}, 18, U"ＴＰ"},
      {2, {{16, U" "}}, 18, U""},          {2, {{22, U"-3.5"}}, 20, U"    -3.5"},
      {4, {{3, U"*12"}}, 1, U""},          {4, {{4, U"*"}}, 2, U""},
      {4, {{17, U" 12345 "}}, 7, U"345"},  {4, {{17, U"1234"}}, 6, U""},
      {4, {{17, U"123456"}}, 7, U""},      {4, {{26, U"AB"}}, 9, U"B"},
      {4, {{28, U"x "}}, 11, U" x "},
  };
  for (const Row& r : rows) {
    const SectionATableType table = Slots(r.slots);
    const std::vector<Text> lines = r.file == 1   ? Title01Lines(table)
                                    : r.file == 2 ? Title02Lines(table, U"", U"")
                                                  : Title04Lines(table);
    ASSERT_LE(static_cast<std::size_t>(r.line), lines.size());
    EXPECT_EQ(lines[static_cast<std::size_t>(r.line - 1)], r.expected)
        << "titl0" << r.file << " line " << r.line << " from " << ToUtf8(r.slots.begin()->second);
  }
}

TEST(SectionATest, AllBlankSlotsKeepEveryLine) {
  SectionATableType table;
  table.fill(U"  ");
  std::vector<Text> two(41);
  two[39] = U"12345678001";
  EXPECT_EQ(Title01Lines(table), std::vector<Text>(23));
  EXPECT_EQ(Title02Lines(table, U"12345678001", U"河川"), two);
  EXPECT_EQ(Title04Lines(table), std::vector<Text>(14));
}

TEST(SectionATest, LookupL2Name) {
  struct Row {
    const char* content;
    std::int16_t code;
    const char* name;
  };
  const Row rows[] = {
      {"1,ABC\n2,DEF\n", 2, "DEF"},
      {"1,ABC\n2,DEF\n", 3, ""},
      {"1\nABC\n2\nDEF\n", 2, "DEF"},  // code and name on separate lines
      {"", 1, ""},
      {"1,\"  河川  \"\n", 1, "河川"},
      {"1,first\n1,second\n", 1, "first"},
      {"1,a\n2,b\n3,c\n4,d\n5,e\n6,f\n7,g\n8,h\n9,i\n10,j\n11,k\n", 11, "k"},
      {"40000,far\n1,a\n", -25536, ""},  // beyond 16 bits never matches
      {"1,a\n2", 2, ""},                 // incomplete last entry
      {"x,zero\n", 0, "zero"},
      {"1,a\n\x1A", 1, "a"},
  };
  for (const Row& r : rows) {
    TempDir dir;
    dir.Write("L2.txt", Cp932Lines(r.content));
    EXPECT_EQ(LookupL2Name(RealFileSystem(), dir.text() + HostSeparator(), r.code),
              FromUtf8(r.name))
        << r.content;
  }
}

TEST(SectionATest, LookupWithoutAFile) {
  TempDir dir;
  RealFileSystem fs;
  EXPECT_EQ(LookupL2Name(fs, dir.text() + HostSeparator(), 1), U"");
  dir.Write("L2.txt/inside", "1,ABC\r\n");  // a folder of that name is not the file
  EXPECT_EQ(LookupL2Name(fs, dir.text() + HostSeparator(), 1), U"");
  EXPECT_EQ(LookupL2Name(fs, U"", 1), U"");
}

/// Counts the reads so tests can see whether "L2.txt" was opened.
class CountingFileSystem : public RealFileSystem {
 public:
  std::string ReadAll(const Text& path) const override {
    ++reads;
    return RealFileSystem::ReadAll(path);
  }
  mutable int reads = 0;
};

TEST(SectionATest, WritesTitleFilesAndReadsL2OnlyForAFilledSlot) {
  TempDir dir;
  dir.Write("PATDAT/L2.txt", Cp932Lines("2,河川\n"));
  dir.Write("job/.keep", "");
  CountingFileSystem fs;
  PendingFiles pending;
  const OutputContext out{
      fs,     dir.TextOf("job"), dir.TextOf("PATDAT") + HostSeparator(), HostSeparator(), nullptr,
      pending};
  WriteTitleFiles(out, Slots({{21, U" "}}), U"id");
  WriteTitleFiles(out, Slots({{21, U"40000"}}), U"id");  // no 16-bit code: no entry can match
  out.Commit();
  EXPECT_EQ(fs.reads, 0);
  EXPECT_EQ(dir.Read("job/titl02.txt").substr(60, 6), "00\r\n\r\n");
  WriteTitleFiles(out, Slots({{21, U"2"}}), U"id");
  out.Commit();
  EXPECT_EQ(fs.reads, 1);
  std::string expected =
      Cp932Lines(std::string(30, '\n') + " 2\n河川\n" + std::string(7, '\n') + "id\n\n");
  EXPECT_EQ(dir.Read("job/titl02.txt"), expected);
  EXPECT_EQ(dir.Read("job/titl01.txt"), Cp932Lines(std::string(23, '\n')));
  EXPECT_EQ(dir.Read("job/titl04.txt"), Cp932Lines(std::string(14, '\n')));
}

TEST(SectionATest, ExampleFileConverts) {
  TempDir dir;
  RealFileSystem fs;
  const Text source = FromUtf8(testing::SourceDir());
  const Text sep(1, HostSeparator());
  const RunEnvironment env{fs, source + sep + U"examples" + sep + U"sample-patdat" + sep};
  const FileReport report =
      ConvertFile(source + sep + U"examples" + sep + U"12345678.001", dir.text(), env);
  EXPECT_EQ(report.error, U"");
  EXPECT_FALSE(report.stoppedEarly);

  EXPECT_EQ(dir.Read("12345678001/titl01.txt"),
            Cp932Lines("県道改良工事に伴う地質調査\n\n\n2020\n\n\n2020\n11\n\nNo.1\n"
                       "35\n41\n 23.4\n139\n30\n 12.3\n\n株式会社サンプル地質\n\n\n\n\n\n"));
  EXPECT_EQ(dir.Read("12345678001/titl02.txt"),
            Cp932Lines("\n\n\n\n\n\n\n\n35\n41\n 23.4\n139\n30\n 12.3\n\n\n01\nＴＰ\n   12.35\n"
                       "      15\n\n\n    10.5\n\n    25\n  86.5\n\n\n\n\n 2\n河川\n"
                       "\n\n\n\n\n\n\n12345678001\n\n"));
  EXPECT_EQ(dir.Read("12345678001/titl04.txt"),
            Cp932Lines("125.5\n  90\n\n  3\n123456\n13\n101\n東京都千代田区\n1\n12\n100\n"
                       " 5\n10\n 3\n"));
}

}  // namespace
}  // namespace tecris2nx
