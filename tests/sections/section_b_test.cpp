#include "sections/section_b.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "run/convert_file.h"
#include "support/section_input.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::ReaderOf;
using testing::TempDir;

/// Depth, code, name, colour: the values the writers use.
using Record = std::array<Text, 4>;

RecordTable SectionBTable(const std::vector<Record>& records) {
  std::vector<std::vector<Text>> rows;
  for (const Record& record : records) rows.emplace_back(record.begin(), record.end());
  return testing::TableOf(5, rows);
}

const SoilCodeTable kCodes = {{U"1", U"表土"},  {U"12", U"砂"},  {U"31", U"玉石混りシルト質砂"},
                              {U"51", U"硬岩"}, {U"77", U" 砂"}, {U"60", U"砂岩"},
                              {U"99", U"砂岩"}};

TEST(SectionBTest, ReaderTakesFiveValuesAfterThreeIgnoredFields) {
  FieldReader in =
      ReaderOf(U"x,y,2\r\na,b,c,1.00,1300,砂,KC,e\r\na,b,c,\" 2.5\",\"0 \",,\"K\",f\r\nC");
  RecordTable table;
  ReadSectionB(in, table);
  ASSERT_EQ(table.count(), 2);
  EXPECT_EQ(table.Cell(3, 1), U"砂");
  EXPECT_EQ(table.Cell(5, 1), U"e");
  EXPECT_EQ(table.Cell(1, 2), U" 2.5");  // kept as read
  EXPECT_EQ(table.Cell(2, 2), U"0 ");
  EXPECT_EQ(table.Cell(3, 2), U"");
  EXPECT_EQ(in.ReadField(), U"C");  // the next marker is left for the run

  for (const Text body : {U"x,y,2\r\na,b,c,1,2,3,4,5\r\n", U"x,y,-1\r\n", U"x,y,40000\r\n"}) {
    FieldReader bad = ReaderOf(body);
    EXPECT_THROW(ReadSectionB(bad, table), ConversionError) << ToUtf8(body);
  }
}

TEST(SectionBTest, Classification) {
  struct Row {
    Text code;
    Text name;
    Text soilName;
    Text productCode;
  };
  const Row rows[] = {
      {U"1300", U"x", U"砂", U"12"},  // 300 is not special
      {U"1321", U"", U"玉石混りシルト質砂", U"31"},
      {U"1853", U"", U"砂混り火山灰質火山灰質粘性土", U""},  // admixture, qualifier, main
      {U"1095", U"", U"粘土混り", U""},                      // digits 9 and 0 add nothing
      {U"1091", U"", U"硬岩", U"51"},
      {U"91", U"", U"硬岩", U"51"},
      {U"1010", U"", U"浮石", U""},  // special values win over the digits
      {U"1000", U"", U"表土", U"1"},
      {U"", U"砂", U"表土", U"1"},
      {U"1002", U"", U"廃棄土", U""},
      {U"300", U"", U"", U""},           // position 4 lies beyond the end
      {U"9999", U" 砂", U" 砂", U"77"},  // the name as it is: only the entry with the blank
      {U"9999", U"砂 ", U"砂 ", U""},
      {U"9999", U"砂岩", U"砂岩", U"60"},     // the first of two equal names
      {U" 9999", U"砂", U"高有機質土", U""},  // only the exact code means "use the name"
  };
  for (const Row& row : rows) {
    const SoilClassification soil = ClassifySoilName(row.code, row.name, kCodes);
    EXPECT_EQ(soil.soilName, row.soilName) << ToUtf8(row.code) << " / " << ToUtf8(row.name);
    EXPECT_EQ(soil.productCode, row.productCode) << ToUtf8(row.code) << " / " << ToUtf8(row.name);
  }
}

TEST(SectionBTest, SoilCodeTableKeepsEveryCompleteEntry) {
  const auto parse = [](const Text& text) { return ParseSoilCodeTable(EncodeCp932(text)); };
  Text twelve;
  for (int i = 1; i <= 12; ++i) twelve += DecimalText(i) + U",n,a,b,c,d\r\n";
  EXPECT_EQ(parse(twelve).size(), 12u);
  EXPECT_EQ(parse(twelve + U"13,n,a,b").size(), 12u);  // cut off by the end
  EXPECT_EQ(parse(twelve + U"\r\n").size(), 12u);
  const SoilCodeTable last = parse(U"1\r\n表土\r\na\r\nb\r\nc\r\nd\r\n2,砂,,,,");
  ASSERT_EQ(last.size(), 2u);  // one field per line; a last empty field without a line end
  EXPECT_EQ(last[0].soilName, U"表土");
  EXPECT_EQ(last[1].productCode, U"2");
}

TEST(SectionBTest, X1Layers) {
  struct Row {
    const char* what;
    std::vector<Record> records;
    std::vector<Text> lines;
  };
  const Row rows[] = {
      {"worked lines",
       {{U"0.5", U"0", U"表土"}, {U"3.2", U"1300", U"砂"}, {U"4", U"0", U""}},
       {U"   1,   0.50,1,表土", U"   2,   3.20,12,砂", U"   3,   4.00,9999,"}},
      {"equal records merge; the last depth counts",
       {{U"1.0", U"1300", U"砂"}, {U"2.0", U"1300", U"砂"}, {U"3.0", U"1300", U"砂"}},
       {U"   1,   3.00,12,砂"}},
      {"blanks do not count; the first record's texts are kept",
       {{U"1", U" 9999", U"砂 "}, {U"2", U"9999 ", U" 砂"}},
       {U"   1,   2.00,,高有機質土"}},
      {"case and width count",  // １３００ is no number: the name decides
       {{U"1", U"9999", U"ab"},
        {U"2", U"9999", U"AB"},
        {U"3", U"1300", U"砂"},
        {U"4", U"１３００", U"砂"}},
       {U"   1,   1.00,,ab", U"   2,   2.00,,AB", U"   3,   3.00,12,砂", U"   4,   4.00,12,砂"}},
      {"a run interrupted by another soil",
       {{U"1", U"1300", U"砂"}, {U"2", U"1091", U""}, {U"3", U"1300", U"砂"}},
       {U"   1,   1.00,12,砂", U"   2,   2.00,51,硬岩", U"   3,   3.00,12,砂"}},
      {"leading records without code and name are not written",
       {{U"0.2", U"", U""}, {U"0.4", U" ", U"  "}, {U"1", U"1300", U"砂"}},
       {U"   1,   1.00,12,砂"}},
      {"first layer, code 0, empty name: topsoil", {{U"0.3", U"0", U""}}, {U"   1,   0.30,1,表土"}},
      {"later layers with code 0",
       {{U"1", U"1091", U""}, {U"2", U"0", U"表土"}, {U"3", U"000", U"砂"}},
       {U"   1,   1.00,51,硬岩", U"   2,   2.00,9999,", U"   3,   3.00,12,砂"}},
      {"only blank records", {{U"1", U"", U""}}, {}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(X1Lines(SectionBTable(row.records), kCodes, true), row.lines) << row.what;
  }
}

TEST(SectionBTest, X3Layers) {
  struct Row {
    const char* what;
    std::vector<Record> records;
    std::vector<Text> lines;
  };
  const Row rows[] = {
      {"worked lines",
       {{U"1.5", U"", U"", U"KC"}, {U"2.8", U"", U"", U"*LCH"}, {U"4", U"", U"", U"RX"}},
       {U"   1,   1.50,0102  ,黒褐,      ,,", U"   2,   2.80,140210,淡褐灰,      ,,",
        U"   3,   4.00,04    ,赤,      ,,"}},
      {"blanks do not count, letter order does",
       {{U"1", U"", U"", U"KC"}, {U"2", U"", U"", U" KC "}, {U"3", U"", U"", U"CK"}},
       {U"   1,   2.00,0102  ,黒褐,      ,,", U"   2,   3.00,0201  ,褐黒,      ,,"}},
      {"leading blank colours are not written",
       {{U"1", U"", U"", U""}, {U"2", U"", U"", U"  "}, {U"3", U"", U"", U"KCRY"}},
       {U"   1,   3.00,010204,黒褐赤,      ,,"}},
      {"letters outside the table",
       {{U"1", U"", U"", U"kc"}, {U"2", U"", U"", U"ＫＣ"}, {U"3", U"", U"", U"*"}},
       {U"   1,   1.00,      ,,      ,,", U"   2,   2.00,      ,,      ,,",
        U"   3,   3.00,      ,,      ,,"}},
      {"the rest of the table",
       {{U"1", U"", U"", U"OYM"},
        {U"2", U"", U"", U"AVH"},
        {U"3", U"", U"", U"WNL"},
        {U"4", U"", U"", U"DBP"},
        {U"5", U"", U"", U"S"}},
       {U"   1,   1.00,050607,橙黄緑,      ,,", U"   2,   2.00,080910,青紫灰,      ,,",
        U"   3,   3.00,121314,白濃淡,      ,,", U"   4,   4.00,151617,暗帯雑,      ,,",
        U"   5,   5.00,18    ,斑,      ,,"}},
  };
  for (const Row& row : rows) EXPECT_EQ(X3Lines(SectionBTable(row.records)), row.lines) << row.what;
}

TEST(SectionBTest, MissingPatternFiles) {
  struct Row {
    bool vocabulary;
    bool codeTable;
    const char* bytes;
  };
  const Row rows[] = {
      {true, false, "   1,   1.00,,表土\n   2,   2.00,,砂\n   3,   3.00,9999,\n"},
      {false, true, "   1,   1.00,,\n   2,   2.00,,\n   3,   3.00,9999,\n"},
  };
  const RecordTable table =
      SectionBTable({{U"1", U"0", U""}, {U"2", U"1300", U"砂"}, {U"3", U"0", U""}});
  RealFileSystem fs;
  for (const Row& row : rows) {
    TempDir patdat;
    TempDir job;
    if (row.vocabulary) patdat.Write("kishitu.txt", Cp932Lines("1300,砂\n"));
    if (row.codeTable) patdat.Write("XKishitu.txt", Cp932Lines("1,表土,0,0,0,0\n12,砂,0,0,0,0\n"));
    PendingFiles pending;
    const OutputContext out{fs,      job.text(), patdat.text() + HostSeparator(), HostSeparator(),
                            nullptr, pending};
    WriteX1File(out, table);
    out.Commit();
    EXPECT_EQ(job.Read("X1.txt"), Cp932Lines(row.bytes)) << row.vocabulary << row.codeTable;
  }
}

TEST(SectionBTest, ConvertsAFileWithSectionsAToC) {
  TempDir work;
  work.Write(
      "in/12345678.002",
      Cp932Lines("A,12345678002\n"
                 "\"TECRIS\",\"3.00\",\"\",\"\"\n"
                 "\"県道改良工事に伴う地質調査\",\"\",\"\",\"\"\n"
                 "\"No.1\",\"サンプル県土木部\",\"株式会社見本地質\",\"見本市中央区１丁目\"\n"
                 "\"2001123456\",\"\",\"\",\"\",\"3512345\",\"13930123\"\n"
                 "12.35,14235,30.00,90,0,3,\"\",\"\",\"\",\"\"\n"
                 "\"\",\"\",\"\"\n"
                 "\"見本太郎\",\"見本次郎\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\n"
                 "B,12345678002,1,9\n"
                 "B,1,1,,\"\",\"\",\"\",\"\"\n"
                 "B,1,2,0.50,0,表土,C,\n"
                 "B,1,3,1.20,1300,砂,H,\n"
                 "B,1,4,2.00,1300,\" 砂 \",\"H \",\n"
                 "B,1,5,3.45,1321,玉石混りシルト質砂,KC,\n"
                 "B,1,6,5.00,0,,KC,\n"
                 "B,1,7,6.80,9999,砂岩,*DH,\n"
                 "B,1,8,8.15,1091,,W,\n"
                 "B,1,9,10.00,1091,,W,\n"
                 "C,12345678002,1,2\n"
                 "C,1,1,1.15,12,30\n"
                 "C,1,2,2.15,50,28\n"));
  work.Write("patdat/kishitu.txt", Cp932Lines("1300,砂\n"));
  work.Write("patdat/XKishitu.txt", Cp932Lines("1,表土,0,0,0,0\n12,砂,0,0,0,0\n"
                                               "31,玉石混りシルト質砂,0,0,0,0\n"
                                               "51,硬岩,0,0,0,0\n60,砂岩,0,0,0,0\n"));
  std::filesystem::create_directory(work.path() / "out");
  RealFileSystem fs;
  const RunEnvironment env{fs, work.TextOf("patdat") + HostSeparator()};
  const FileReport report = ConvertFile(work.TextOf("in/12345678.002"), work.TextOf("out"), env);
  EXPECT_EQ(report.error, U"");

  EXPECT_FALSE(report.stoppedEarly);
  EXPECT_EQ(
      work.Read("out/12345678002/X1.txt"),
      Cp932Lines("   1,   0.50,1,表土\n   2,   2.00,12,砂\n   3,   3.45,31,玉石混りシルト質砂\n"
                 "   4,   5.00,9999,\n   5,   6.80,60,砂岩\n   6,  10.00,51,硬岩\n"));
  EXPECT_EQ(work.Read("out/12345678002/X3.txt"),
            Cp932Lines("   1,   0.50,02    ,褐,      ,,\n   2,   2.00,10    ,灰,      ,,\n"
                       "   3,   5.00,0102  ,黒褐,      ,,\n   4,   6.80,1510  ,暗灰,      ,,\n"
                       "   5,  10.00,12    ,白,      ,,\n"));
  EXPECT_TRUE(work.Exists("out/12345678002/X5.txt"));
}

}  // namespace
}  // namespace tecris2nx
