#include "sections/section_b.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "run/conversion_run.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::TempDir;

/// The four values the writers use; the fifth stays empty.
struct Record {
  Text depth;
  Text code;
  Text name;
  Text colour;
};

RecordTable TableOf(const std::vector<Record>& records) {
  RecordTable table;
  table.Reset(5, static_cast<std::int16_t>(records.size()));
  for (std::size_t i = 0; i < records.size(); ++i) {
    const int r = static_cast<int>(i) + 1;
    table.Cell(1, r) = records[i].depth;
    table.Cell(2, r) = records[i].code;
    table.Cell(3, r) = records[i].name;
    table.Cell(4, r) = records[i].colour;
  }
  return table;
}

const SoilCodeTable kCodes = {
    {U"1", U"表土"},          {U"12", U"砂"},   {U"31", U"玉石混りシルト質砂"},
    {U"51", U"硬岩"},         {U"77", U" 砂"},  {U"60", U"砂岩"},
    {U"99", U"砂岩"},  // a later duplicate never wins
};

std::vector<Text> X1(const std::vector<Record>& records) {
  return X1Lines(TableOf(records), kCodes, true);
}

std::vector<Text> X3(const std::vector<Record>& records) {
  return X3Lines(TableOf(records));
}

TEST(SectionBTest, ReaderKeepsTheFiveValuesOfEachRecord) {
  FieldReader in(
      U"x,y,2\r\n"
      U"a,b,c,1.00,1300,砂,KC,e\r\n"
      U"a,b,c,\" 2.50\",\"0 \",\" 表土\",,last\r\n"
      U"C");
  RecordTable table;
  ReadSectionB(in, table);
  ASSERT_EQ(table.count(), 2);
  const std::vector<Text> first = {U"1.00", U"1300", U"砂", U"KC", U"e"};
  const std::vector<Text> second = {U" 2.50", U"0 ", U" 表土", U"", U"last"};
  for (int v = 1; v <= 5; ++v) {
    EXPECT_EQ(table.Cell(v, 1), first[static_cast<std::size_t>(v - 1)]) << v;
    EXPECT_EQ(table.Cell(v, 2), second[static_cast<std::size_t>(v - 1)]) << v;
  }
  EXPECT_EQ(in.ReadField(), U"C");  // the next marker is left for the run
}

TEST(SectionBTest, ReaderCountsAndFailures) {
  struct Row {
    Text body;
    int count;  // -1: the reader must fail
  };
  const Row rows[] = {
      {U"x,y,0\r\n", 0},
      {U"x,y,none\r\n", 0},
      {U"x,y,1.5\r\na,b,c,1,2,3,4,5\r\na,b,c,1,2,3,4,5\r\n", 2},  // halves to even
      {U"x,y,0.5\r\n", 0},
      {U"x,y,2\r\na,b,c,1,2,3,4,5\r\n", -1},  // ends inside the second record
      {U"x,y,-1\r\n", -1},
      {U"x,y,40000\r\n", -1},
      {U"x,y", -1},
  };
  for (const Row& row : rows) {
    FieldReader in(row.body);
    in.BeginSection(U'B');
    RecordTable table;
    if (row.count < 0) {
      EXPECT_THROW(ReadSectionB(in, table), ConversionError) << ToUtf8(row.body);
    } else {
      ReadSectionB(in, table);
      EXPECT_EQ(table.count(), row.count) << ToUtf8(row.body);
    }
  }
}

TEST(SectionBTest, ReaderErrorNamesSectionAndField) {
  FieldReader in(U"x,y,1\r\na,b,c,1,2\r\n");
  in.BeginSection(U'B');
  RecordTable table;
  try {
    ReadSectionB(in, table);
    FAIL() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_NE(e.message().find(U"セクション B"), Text::npos) << ToUtf8(e.message());
    EXPECT_NE(e.message().find(U"フィールド 9"), Text::npos) << ToUtf8(e.message());
  }
}

TEST(SectionBTest, SoilNameTextFromCodeAndName) {
  struct Row {
    Text code;
    Text name;
    Text expected;
  };
  const Row rows[] = {
      {U"1300", U"x", U"砂"},                    // 300 is not special
      {U"1321", U"", U"玉石混りシルト質砂"},
      {U"1623", U"", U"砂混りシルト質粘性土"},
      {U"1095", U"", U"粘土混り"},               // digits 9 and 0 add nothing
      {U"1091", U"", U"硬岩"},
      {U"91", U"", U"硬岩"},
      {U"1094", U"", U"玉石"},
      {U"1010", U"", U"浮石"},                   // special values win over the digits
      {U"1070", U"", U"マサ"},
      {U"1000", U"", U"表土"},
      {U"", U"砂", U"表土"},
      {U"1001", U"", U"埋土"},
      {U"1002", U"", U"廃棄土"},
      {U"300", U"", U""},                        // position 4 lies beyond the end
      {U"1900", U"", U"高有機質土"},             // 900 is not special
      {U"1853", U"", U"砂混り火山灰質火山灰質粘性土"},  // admixture, qualifier, main
      {U"9999", U" 砂", U" 砂"},                 // the name as it is, blanks kept
      {U"9999", U"", U""},
      {U" 9999", U"砂", U"高有機質土"},          // only the exact code means "use the name"
      {U"13y0", U"", U"砂"},                     // a non-digit counts as 0
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SoilNameText(row.code, row.name), row.expected)
        << ToUtf8(row.code) << " / " << ToUtf8(row.name);
  }
}

TEST(SectionBTest, ClassificationLooksTheTextUpExactly) {
  struct Row {
    Text code;
    Text name;
    Text productCode;
  };
  const Row rows[] = {
      {U"1300", U"", U"12"},
      {U"9999", U"砂", U"12"},
      {U"9999", U" 砂", U"77"},  // matches only the entry with the blank
      {U"9999", U"砂 ", U""},
      {U"9999", U"砂岩", U"60"},  // first of two equal names
      {U"1321", U"", U"31"},
      {U"300", U"", U""},
      {U"1400", U"", U""},  // 砂質土 is not in the table
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ClassifySoilName(row.code, row.name, kCodes).productCode, row.productCode)
        << ToUtf8(row.code) << " / " << ToUtf8(row.name);
  }
}

TEST(SectionBTest, SoilCodeTableEntries) {
  struct Row {
    Text content;
    std::vector<Text> codes;
    std::vector<Text> names;
  };
  Text twelve;
  for (int i = 1; i <= 12; ++i) twelve += DecimalText(i) + U",n" + DecimalText(i) + U",a,b,c,d\r\n";
  const Row rows[] = {
      {U"", {}, {}},
      {U"1,表土,a,b,c,d\r\n12,砂,a,b,c,d\r\n", {U"1", U"12"}, {U"表土", U"砂"}},
      {U"1\r\n表土\r\na\r\nb\r\nc\r\nd\r\n", {U"1"}, {U"表土"}},  // one field per line
      {U"1,表土,,,,", {U"1"}, {U"表土"}},                        // last field empty, no line end
      {U"1,表土,a,b,c,d\r\n2,砂,a,b\r\n", {U"1"}, {U"表土"}},     // cut-off entry left out
      {U"1,表土,a,b,c,d\r\n\r\n", {U"1"}, {U"表土"}},             // a trailing empty line
      {U"\"1\",\" 砂\",a,b,c,d\x1a", {U"1"}, {U" 砂"}},           // end-of-file mark
  };
  for (const Row& row : rows) {
    const SoilCodeTable table = ParseSoilCodeTable(row.content);
    std::vector<Text> codes;
    std::vector<Text> names;
    for (const SoilCodeEntry& e : table) {
      codes.push_back(e.productCode);
      names.push_back(e.soilName);
    }
    EXPECT_EQ(codes, row.codes) << ToUtf8(row.content);
    EXPECT_EQ(names, row.names) << ToUtf8(row.content);
  }

  const SoilCodeTable all = ParseSoilCodeTable(twelve);
  ASSERT_EQ(all.size(), 12u);  // more than ten entries are all kept
  EXPECT_EQ(all[11].productCode, U"12");
  EXPECT_EQ(all[11].soilName, U"n12");
}

TEST(SectionBTest, X1WorkedLines) {
  EXPECT_EQ(X1({{U"0.5", U"0", U"表土", U""},
                {U"3.2", U"1300", U"砂", U""},
                {U"4", U"0", U"", U""}}),
            (std::vector<Text>{U"   1,   0.50,1,表土", U"   2,   3.20,12,砂", U"   3,   4.00,9999,"}));
}

TEST(SectionBTest, X1MergesConsecutiveRecordsOfOneSoil) {
  struct Row {
    const char* what;
    std::vector<Record> records;
    std::vector<Text> lines;
  };
  const Row rows[] = {
      {"three equal records",
       {{U"1.0", U"1300", U"砂", U""}, {U"2.0", U"1300", U"砂", U""}, {U"3.0", U"1300", U"砂", U""}},
       {U"   1,   3.00,12,砂"}},
      {"blanks around code and name do not count; the first record's texts are kept",
       {{U"1", U" 9999", U"砂岩 ", U""}, {U"2", U"9999 ", U" 砂岩", U""}},
       {U"   1,   2.00,,高有機質土"}},
      {"case differs",
       {{U"1", U"9999", U"ab", U""}, {U"2", U"9999", U"AB", U""}},
       {U"   1,   1.00,,ab", U"   2,   2.00,,AB"}},
      {"width differs",
       {{U"1", U"1300", U"砂", U""}, {U"2", U"１３００", U"砂", U""}},
       {U"   1,   1.00,12,砂", U"   2,   2.00,12,砂"}},  // １３００ is no number: 9999
      {"a run interrupted by another soil",
       {{U"1", U"1300", U"砂", U""}, {U"2", U"1091", U"", U""}, {U"3", U"1300", U"砂", U""}},
       {U"   1,   1.00,12,砂", U"   2,   2.00,51,硬岩", U"   3,   3.00,12,砂"}},
      {"leading records without code and name are not written",
       {{U"0.2", U"", U"", U"K"}, {U"0.4", U" ", U"  ", U""}, {U"1", U"1300", U"砂", U""}},
       {U"   1,   1.00,12,砂"}},
      {"same name, different code",
       {{U"1", U"1300", U"砂", U""}, {U"2", U"1321", U"砂", U""}},
       {U"   1,   1.00,12,砂", U"   2,   2.00,31,玉石混りシルト質砂"}},
      {"no records", {}, {}},
      {"only blank records", {{U"1", U"", U"", U""}, {U"2", U"", U"", U""}}, {}},
  };
  for (const Row& row : rows) EXPECT_EQ(X1(row.records), row.lines) << row.what;
}

TEST(SectionBTest, X1ZeroCodes) {
  struct Row {
    const char* what;
    std::vector<Record> records;
    std::vector<Text> lines;
  };
  const Row rows[] = {
      {"first layer, code 0, empty name: topsoil",
       {{U"0.3", U"0", U"", U""}},
       {U"   1,   0.30,1,表土"}},
      {"first layer, empty code, a name: classified by the name",
       {{U"0.3", U"", U"砂", U""}},
       {U"   1,   0.30,12,砂"}},
      {"later layer, code 0, topsoil name",
       {{U"1", U"1300", U"砂", U""}, {U"2", U"0", U"表土", U""}},
       {U"   1,   1.00,12,砂", U"   2,   2.00,9999,"}},
      {"later layer, code 0, a soil name",
       {{U"1", U"1091", U"", U""}, {U"2", U"0", U"砂", U""}},
       {U"   1,   1.00,51,硬岩", U"   2,   2.00,12,砂"}},
      {"later layer, code 000, trimmed topsoil name",
       {{U"1", U"1091", U"", U""}, {U"2", U"000", U" 表土 ", U""}},
       {U"   1,   1.00,51,硬岩", U"   2,   2.00,9999,"}},
      {"later layer with code 9999 keeps its classification",
       {{U"1", U"1091", U"", U""}, {U"2", U"9999", U"砂岩", U""}},
       {U"   1,   1.00,51,硬岩", U"   2,   2.00,60,砂岩"}},
  };
  for (const Row& row : rows) EXPECT_EQ(X1(row.records), row.lines) << row.what;
}

TEST(SectionBTest, X1WithoutVocabularyOrCodeTable) {
  const RecordTable table = TableOf({{U"1", U"0", U"", U""},
                                     {U"2", U"1300", U"砂", U""},
                                     {U"3", U"0", U"", U""}});
  EXPECT_EQ(X1Lines(table, kCodes, false),
            (std::vector<Text>{U"   1,   1.00,,", U"   2,   2.00,,", U"   3,   3.00,9999,"}));
  EXPECT_EQ(X1Lines(table, {}, true),
            (std::vector<Text>{U"   1,   1.00,,表土", U"   2,   2.00,,砂", U"   3,   3.00,9999,"}));
}

TEST(SectionBTest, X3WorkedLines) {
  EXPECT_EQ(X3({{U"1.5", U"", U"", U"KC"}, {U"2.8", U"", U"", U"*LCH"}, {U"4", U"", U"", U"RX"}}),
            (std::vector<Text>{U"   1,   1.50,0102  ,黒褐,      ,,",
                               U"   2,   2.80,140210,淡褐灰,      ,,",
                               U"   3,   4.00,04    ,赤,      ,,"}));
}

TEST(SectionBTest, X3Layers) {
  struct Row {
    const char* what;
    std::vector<Record> records;
    std::vector<Text> lines;
  };
  const Row rows[] = {
      {"blanks around letters do not count",
       {{U"1", U"", U"", U"KC"}, {U"2", U"", U"", U" KC "}, {U"3", U"", U"", U"KC"}},
       {U"   1,   3.00,0102  ,黒褐,      ,,"}},
      {"letter order counts",
       {{U"1", U"", U"", U"KC"}, {U"2", U"", U"", U"CK"}},
       {U"   1,   1.00,0102  ,黒褐,      ,,", U"   2,   2.00,0201  ,褐黒,      ,,"}},
      {"leading blank colours are not written",
       {{U"1", U"", U"", U""}, {U"2", U"", U"", U"  "}, {U"3", U"", U"", U"W"}},
       {U"   1,   3.00,12    ,白,      ,,"}},
      {"only three letters count",
       {{U"1", U"", U"", U"KCRY"}},
       {U"   1,   1.00,010204,黒褐赤,      ,,"}},
      {"lower case letters",
       {{U"1", U"", U"", U"kc"}},
       {U"   1,   1.00,      ,,      ,,"}},
      {"full-width letters",
       {{U"1", U"", U"", U"ＫＣ"}},
       {U"   1,   1.00,      ,,      ,,"}},
      {"a lone star",
       {{U"1", U"", U"", U"*"}},
       {U"   1,   1.00,      ,,      ,,"}},
      {"every letter of the table",
       {{U"1", U"", U"", U"KCR"}, {U"2", U"", U"", U"OYM"}, {U"3", U"", U"", U"AVH"},
        {U"4", U"", U"", U"WNL"}, {U"5", U"", U"", U"DBP"}, {U"6", U"", U"", U"S"}},
       {U"   1,   1.00,010204,黒褐赤,      ,,", U"   2,   2.00,050607,橙黄緑,      ,,",
        U"   3,   3.00,080910,青紫灰,      ,,", U"   4,   4.00,121314,白濃淡,      ,,",
        U"   5,   5.00,151617,暗帯雑,      ,,", U"   6,   6.00,18    ,斑,      ,,"}},
      {"no records", {}, {}},
  };
  for (const Row& row : rows) EXPECT_EQ(X3(row.records), row.lines) << row.what;
}

/// A pattern folder in a temporary folder, with the chosen files.
struct PatternData {
  TempDir dir;
  Text path;

  PatternData(bool vocabulary, bool codeTable) : path(dir.text() + HostSeparator()) {
    if (vocabulary) dir.Write("kishitu.txt", Cp932Lines("1300,砂\n1091,硬岩\n"));
    if (codeTable) dir.Write("XKishitu.txt", Cp932Lines("1,表土,0,0,0,0\n12,砂,0,0,0,0\n"));
  }
};

TEST(SectionBTest, PatternFilesDecideWhatX1Holds) {
  struct Row {
    bool vocabulary;
    bool codeTable;
    std::string bytes;
  };
  const Row rows[] = {
      {true, true, Cp932Lines("   1,   1.00,1,表土\n   2,   2.00,12,砂\n   3,   3.00,9999,\n")},
      {true, false, Cp932Lines("   1,   1.00,,表土\n   2,   2.00,,砂\n   3,   3.00,9999,\n")},
      {false, true, Cp932Lines("   1,   1.00,,\n   2,   2.00,,\n   3,   3.00,9999,\n")},
      {false, false, Cp932Lines("   1,   1.00,,\n   2,   2.00,,\n   3,   3.00,9999,\n")},
  };
  const RecordTable table = TableOf({{U"1", U"0", U"", U""},
                                     {U"2", U"1300", U"砂", U""},
                                     {U"3", U"0", U"", U""}});
  for (const Row& row : rows) {
    PatternData patdat(row.vocabulary, row.codeTable);
    TempDir job;
    RealFileSystem fs;
    const OutputContext out{fs, job.text(), patdat.path, HostSeparator()};
    WriteX1File(out, table);
    EXPECT_EQ(job.Read("X1.txt"), row.bytes) << row.vocabulary << row.codeTable;
  }
}

TEST(SectionBTest, NoPatternFolderMeansNoVocabulary) {
  RealFileSystem fs;
  EXPECT_TRUE(LoadSoilCodeTable(fs, U"").empty());
  EXPECT_FALSE(HasSoilVocabulary(fs, U""));

  PatternData patdat(true, true);
  EXPECT_EQ(LoadSoilCodeTable(fs, patdat.path).size(), 2u);
  EXPECT_TRUE(HasSoilVocabulary(fs, patdat.path));
}

TEST(SectionBTest, ConvertsAFileWithSectionsAToC) {
  TempDir work;
  work.Write("in/12345678002.txt",
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
  work.Write("patdat/XKishitu.txt", Cp932Lines("1,表土,0,0,0,0\n"
                                               "12,砂,0,0,0,0\n"
                                               "31,玉石混りシルト質砂,0,0,0,0\n"
                                               "51,硬岩,0,0,0,0\n"
                                               "60,砂岩,0,0,0,0\n"));
  std::filesystem::create_directory(work.path() / "out");
  RealFileSystem fs;
  const RunEnvironment env{fs, work.TextOf("patdat") + HostSeparator()};
  SectionStorage storage;
  const FileReport report = ConvertTecrisFile(work.TextOf("in/12345678002.txt"), work.TextOf("out"),
                                              U"12345678002", env, storage);

  EXPECT_FALSE(report.stoppedEarly);
  EXPECT_EQ(work.Read("out/12345678002/X1.txt"),
            Cp932Lines("   1,   0.50,1,表土\n"
                       "   2,   2.00,12,砂\n"
                       "   3,   3.45,31,玉石混りシルト質砂\n"
                       "   4,   5.00,9999,\n"
                       "   5,   6.80,60,砂岩\n"
                       "   6,  10.00,51,硬岩\n"));
  EXPECT_EQ(work.Read("out/12345678002/X3.txt"),
            Cp932Lines("   1,   0.50,02    ,褐,      ,,\n"
                       "   2,   2.00,10    ,灰,      ,,\n"
                       "   3,   5.00,0102  ,黒褐,      ,,\n"
                       "   4,   6.80,1510  ,暗灰,      ,,\n"
                       "   5,  10.00,12    ,白,      ,,\n"));
  EXPECT_TRUE(work.Exists("out/12345678002/X5.txt"));
}

}  // namespace
}  // namespace tecris2nx
