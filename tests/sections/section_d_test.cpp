#include "sections/section_d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <random>

#include "common/error.h"
#include "common/file_system.h"
#include "common/formatting.h"
#include "run/convert_file.h"
#include "support/piece_source.h"
#include "support/section_input.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::ReaderOf;
using testing::TempDir;

/// Records of 23 cells, all empty except the numbered ones.
RecordTable SectionDTable(const std::vector<std::map<int, Text>>& records) {
  std::vector<std::vector<Text>> rows;
  for (const std::map<int, Text>& cells : records) {
    std::vector<Text>& row = rows.emplace_back(23);
    for (const auto& [value, text] : cells) row[static_cast<std::size_t>(value - 1)] = text;
  }
  return testing::TableOf(23, rows);
}

RecordTable OneRecord(const std::map<int, Text>& cells) { return SectionDTable({cells}); }

/// A section D body (after the marker) of `count` with `records` identical records 1,2,...,23.
Text SectionD(const Text& count, int records) {
  Text body = U"x,y," + count + U"\r\n";
  for (int r = 0; r < records; ++r) {
    body += U"a,b,c";
    for (int v = 1; v <= 23; ++v) body += U"," + DecimalText(v);
    body += U"\r\n";
  }
  return body;
}

constexpr float kInfinity = std::numeric_limits<float>::infinity();
const std::vector<SoilLayer> kLayers = {{1.0f, U"x1", U"y1"}, {3.5f, U"x2", U"y2"}};

TEST(SectionDTest, ReadsTwentyThreeValuesAfterThreeIgnoredFields) {
  FieldReader in =
      ReaderOf(U"x,y,2\r\n1,2,3,a,,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u,v,w\r\n" +
               Text(U"1,2,3,A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V,\"W,X\"\r\nNEXT"));
  RecordTable table;
  ReadSectionD(in, table);
  ASSERT_EQ(table.count(), 2);
  EXPECT_EQ(table.Cell(1, 1), U"a");
  EXPECT_EQ(table.Cell(2, 1), U"");
  EXPECT_EQ(table.Cell(23, 1), U"w");
  EXPECT_EQ(table.Cell(22, 2), U"V");
  EXPECT_EQ(table.Cell(23, 2), U"W,X");
  EXPECT_EQ(in.ReadField(), U"NEXT");
}

TEST(SectionDTest, CountsDecideHowManyFieldsAreRead) {
  struct Row {
    Text count;
    int records;        // records present in the body
    int expectedCount;  // records read
  };
  const Row rows[] = {
      {U"2", 2, 2}, {U"2.5", 3, 2}, {U"3.5", 4, 4}, {U"0", 1, 0}, {U"abc", 1, 0},
  };
  for (const Row& row : rows) {
    FieldReader in = ReaderOf(SectionD(row.count, row.records) + U"NEXT");
    in.BeginSection(U'D');
    RecordTable table;
    ReadSectionD(in, table);
    EXPECT_EQ(table.count(), row.expectedCount) << ToUtf8(row.count);
    EXPECT_EQ(in.SectionFieldCount(), 3 + 26 * row.expectedCount) << ToUtf8(row.count);
  }
}

TEST(SectionDTest, RejectsBadCountsAndShortSections) {
  const Text bodies[] = {SectionD(U"-1", 0), SectionD(U"40000", 0), SectionD(U"3", 2),
                         U"x,y,1\r\n1,2,3,4"};
  for (const Text& body : bodies) {
    FieldReader in = ReaderOf(body);
    in.BeginSection(U'D');
    RecordTable table;
    try {
      ReadSectionD(in, table);
      ADD_FAILURE() << "accepted " << ToUtf8(body.substr(0, 10));
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.message().substr(0, 8), U"セクション D ") << ToUtf8(e.message());
    }
  }
}

TEST(SectionDTest, ParsesTheLayerFile) {
  struct Row {
    const char* name;
    Text content;
    std::vector<SoilLayer> expected;
  };
  const Row rows[] = {
      {"plain",
       U"   1,   1.00,12,砂\r\n   2,   3.50,21,粘性土\r\n",
       {{1.0f, U"12", U"砂"}, {3.5f, U"21", U"粘性土"}}},
      {"comma in a name keeps the next layer",
       U"   1,   1.00,9999,砂,礫\r\n   2,   3.50,21,粘土\r\n",
       {{1.0f, U"9999", U"砂,礫"}, {3.5f, U"21", U"粘土"}}},
      {"blanks around the name", U"   1,   1.00,9999,  砂 礫  \r\n", {{1.0f, U"9999", U"砂 礫"}}},
      {"empty and blank lines skipped, lone LF and CR",
       U"\r\n   1,0.5,1,a\n\n  \r   2,2,,\r\n",
       {{0.5f, U"1", U"a"}, {2.0f, U"", U""}}},
      {"short line cannot run past the end", U"   1,   1.00,7", {{1.0f, U"7", U""}}},
      {"end-of-file mark", U"   1,   1.00,7,a\r\n\x1A", {{1.0f, U"7", U"a"}}},
      {"empty file", U"", {}},
      {"depth beyond single precision",
       U"1,-1E300,7,a\r\n2,3.4028235E38,8,b\r\n3,3.5E38,9,c",
       {{-kInfinity, U"7", U"a"},
        {std::numeric_limits<float>::max(), U"8", U"b"},
        {kInfinity, U"9", U"c"}}},
  };
  for (const Row& row : rows) {
    const std::vector<SoilLayer> layers = ParseLayerTable(row.content);
    ASSERT_EQ(layers.size(), row.expected.size()) << row.name;
    for (std::size_t i = 0; i < layers.size(); ++i) {
      EXPECT_EQ(layers[i].depth, row.expected[i].depth) << row.name;
      EXPECT_EQ(layers[i].productCode, row.expected[i].productCode) << row.name;
      EXPECT_EQ(layers[i].soilName, row.expected[i].soilName) << row.name;
    }
  }
}

TEST(SectionDTest, FindsTheFirstDeeperLayer) {
  const std::vector<SoilLayer> layers = {
      {1.0f, U"a", U""}, {0.1f, U"b", U""}, {3.5f, U"c", U""}, {2.0f, U"d", U""}};
  struct Row {
    Text depth;
    const char* expected;  // product code, or nullptr when no layer qualifies
  };
  const Row rows[] = {
      {U"0.5", "a"},   {U"1", "c"},   {U"1.00", "c"}, {U"3.49", "c"}, {U"3.5", nullptr},
      {U"9", nullptr}, {U"abc", "a"}, {U"", "a"},     {U"-1", "a"},   {U"1E300", nullptr},
  };
  for (const Row& row : rows) {
    const SoilLayer* layer = LayerLookup(layers).Find(row.depth);
    if (row.expected == nullptr) {
      EXPECT_EQ(layer, nullptr) << ToUtf8(row.depth);
    } else {
      ASSERT_NE(layer, nullptr) << ToUtf8(row.depth);
      EXPECT_EQ(ToUtf8(layer->productCode), row.expected) << ToUtf8(row.depth);
    }
  }
  // Compared in single precision: 0.1 lies on the boundary of a layer at 0.1, not above it.
  const std::vector<SoilLayer> tenth = {{0.1f, U"boundary", U""}, {1.0f, U"below", U""}};
  ASSERT_NE(LayerLookup(tenth).Find(U"0.1"), nullptr);
  EXPECT_EQ(LayerLookup(tenth).Find(U"0.1")->productCode, U"below");
  const std::vector<SoilLayer> none;
  EXPECT_EQ(LayerLookup(none).Find(U"1"), nullptr);
}

TEST(SectionDTest, ConditionCodes) {
  const std::pair<Text, Text> rows[] = {
      {U"1", U"ＵＵ"}, {U"2", U"ＣＵ"}, {U"2.0", U"ＣＵ"}, {U" 3 ", U"ＵＣ"}, {U"4", U"ＣＤ"},
      {U"0", U""},     {U"5", U""},     {U"1.5", U""},     {U"2.5", U""},     {U"abc", U""},
      {U"", U""},      {U"   ", U""},   {U"-1", U""},
  };
  for (const auto& [cell, expected] : rows) {
    EXPECT_EQ(ConditionCode(cell), expected) << ToUtf8(cell);
  }
}

TEST(SectionDTest, AngleTexts) {
  struct Row {
    Text whole, sixtieths, expected;
  };
  const Row rows[] = {
      {U"30", U"", U"30"},     {U"30", U"0", U"30"},     {U"30", U"30", U"305"},
      {U"30", U"15", U"3025"}, {U"30", U"20", U"30333"}, {U"30", U"1", U"30016"},
      {U"30.5", U"", U"30.5"}, {U"12", U"90", U"125"},   {U"", U"30", U""},
      {U"  ", U"30", U""},     {U"abc", U"30", U"05"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(AngleText(row.whole, row.sixtieths), row.expected)
        << ToUtf8(row.whole) << " / " << ToUtf8(row.sixtieths);
  }
}

// Sixtieths other than whole ones take a quick path to their fraction: it must be the first three
// places of the fifteen-digit text of sixtieths / 60, as the whole ones and the rest are.
TEST(SectionDTest, AngleFractionIsTheFirstThreePlacesOfItsText) {
  std::mt19937 rng(13);
  std::vector<double> sixtieths = {0.06, 0.059, 0.6, 59.94, 59.9999, 60, 75.5, 119.99, 1e-9};
  for (int i = 0; i < 20000; ++i) sixtieths.push_back((rng() % 120000) / 1000.0);
  // Just beside the thousandths, where fifteen digits round up to the next.
  for (int k = 1; k < 1000; k += 7) {
    const double at = k * 60 / 1000.0;
    sixtieths.push_back(std::nextafter(at, 0.0));
    sixtieths.push_back(at - 1e-12);
  }
  for (const double value : sixtieths) {
    char cell[64];
    std::snprintf(cell, sizeof cell, "%.17g", value);
    Text fraction = NumberText(NumericValue(NumberOrEmpty(FromUtf8(cell))) / 60.0);
    fraction = fraction.size() > 2 ? fraction.substr(2, 3) : Text();
    ASSERT_EQ(AngleText(U"30", FromUtf8(cell)), U"30" + fraction) << cell;
  }
}

TEST(SectionDTest, X100Lines) {
  struct Row {
    const char* name;
    std::map<int, Text> cells;
    Text line;
  };
  // clang-format off
  const Row rows[] = {
      {"worked line",
       {{2, U"1.50"}, {3, U"2.00"}, {4, U"12.50"}, {6, U"1.8"}, {16, U"2"}, {17, U"25"},
        {18, U"30"}, {19, U"30"}},
       U"   1,   1.50,   2.00,,,,,x2,y2,,,,,12.5,,1.8,,,,,,,,,,,,,,ＣＵ,25,305,,,,,,,,,,,"},
      {"condition and angle cells that are not plain numbers take the text route",
       {{2, U"1.50"}, {3, U"2.00"}, {16, U" 3 "}, {18, U"1.5E1"}, {19, U"30"}},
       U"   1,   1.50,   2.00,,,,,x2,y2,,,,,,,,,,,,,,,,,,,,,ＵＣ,,155,,,,,,,,,,,"},
      {"a condition that is no number, sixtieths in exponent form",
       {{2, U"1.50"}, {3, U"2.00"}, {16, U"abc"}, {18, U"30"}, {19, U"1E1"}},
       U"   1,   1.50,   2.00,,,,,x2,y2,,,,,,,,,,,,,,,,,,,,,,,30166,,,,,,,,,,,"},
      {"all empty", {},
       U"   1,   0.00,   0.00,,,,,x1,y1,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,"},
      {"values 8 to 11 go out as 8, 10, 9, 11",
       {{2, U"9"}, {8, U"8"}, {9, U"9"}, {10, U"10"}, {11, U"11"}},
       U"   1,   9.00,   0.00,,,,,,,,,,,,,,,,,,,,,8,10,9,11,,,,,,,,,,,,,,,,"},
      {"values 5, 7, 12, 13, 14 and none of the cells X100A takes",
       {{1, U"1"}, {2, U"3.5"}, {5, U"5"}, {7, U"7"}, {12, U"12"}, {13, U"13"}, {14, U"14"},
        {15, U"15"}, {20, U"20"}, {21, U"21"}, {22, U"22"}, {23, U"23"}},
       U"   1,   3.50,   0.00,,,,,,,,,,,,5,,7,,,,12,13,,,,,,,14,,,,,,,,,,,,,,"},
      {"depth on a boundary takes the next layer", {{2, U"1.0"}},
       U"   1,   1.00,   0.00,,,,,x2,y2,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,"},
  };
  // clang-format on
  for (const Row& row : rows) {
    EXPECT_EQ(X100Lines(OneRecord(row.cells), kLayers), std::vector<Text>{row.line}) << row.name;
  }
  EXPECT_EQ(X100Lines(OneRecord({}), {}),
            std::vector<Text>{U"   1,   0.00,   0.00" + Text(40, U',')});
}

TEST(SectionDTest, X100AWorkedLines) {
  const RecordTable table = SectionDTable(
      {{{1, U"1.50"}, {15, U"2.65"}, {20, U"10"}, {22, U"1.5E-05"}, {23, U"2.3ｅ-4"}},
       {},
       {{1, U"3"}, {15, U"0.5"}, {20, U"  "}, {21, U"7.25"}, {22, U"4.2Ｅ-6"}, {23, U"0.0012"}}});
  EXPECT_EQ(X100ALines(table),
            (std::vector<Text>{U"   1,1.5,2.65,10,,1.5E-05,0.00023", U"   2,,,,,,",
                               U"   3,3,0.5,,7.25,4.2E-06,0.0012"}));
}

TEST(SectionDTest, ExponentValues) {
  const std::pair<Text, Text> rows[] = {
      {U"1.5e2", U"150"},
      {U"1.5Ｅ2", U"150"},
      {U"1.5ｅ2", U"150"},
      {U"1.5E2", U"150"},
      {U"2E-1", U"0.2"},
      {U"2ｅ-1", U"0.2"},
      {U"E5", U"0"},
      {U"1.5E", U"1.5"},
      {U"1.5E+03", U"1500"},
      {U"1.23456789E2", U"123.4568"},
      {U"123.456789", U"123.456789"},
      {U"1.23456789E8", U"123456800"},
      {U"1.5E7", U"15000000"},
      {U"abcE", U"0"},
      {U"abc", U"0"},
      {U"1e2E1", U"1000"},
      {U"   ", U""},
      {U"  12.50 ", U"12.5"},
      {U"", U""},
  };
  for (const auto& [cell, expected] : rows) {
    const std::vector<Text> lines = X100ALines(OneRecord({{22, cell}, {23, cell}}));
    EXPECT_EQ(lines, std::vector<Text>{U"   1,,,,," + expected + U"," + expected}) << ToUtf8(cell);
  }
}

TEST(SectionDTest, ExponentOutOfRangeNamesRecordAndValue) {
  try {
    X100ALines(SectionDTable({{}, {{22, U"1"}, {23, U"1E39"}}}));
    FAIL() << "an exponent value beyond single precision was accepted";
  } catch (const ConversionError& e) {
    const Text prefix = U"セクション D の記録 2 の値 23: ";
    EXPECT_EQ(e.message().substr(0, prefix.size()), prefix) << ToUtf8(e.message());
  }
}

/// A job folder with a real file system behind it.
struct JobFolder {
  TempDir dir;
  RealFileSystem fs;
  PendingFiles pending;
  OutputContext out{fs, dir.text(), Text(), HostSeparator(), nullptr, pending};
};

// X1.txt is read back in pieces: lines and their ends split between pieces, blank lines and a
// last end-of-file mark must give the layers the whole file gives.
TEST(SectionDTest, LayersReadBackInPiecesAreThoseOfTheWholeFile) {
  const std::string x1 = Cp932Lines("   1,   2.00,12,砂\n\n   2,   4.00,15,シルト\n") +
                         "   3,   6.5,1\r   4,7,9,a\n\r\n  \r\n   5,8.25,,\x1a";
  const std::string lines[] = {x1, x1.substr(0, x1.size() - 1), x1 + "\r\n", "\x1a", ""};
  class InPieces : public RealFileSystem {
   public:
    explicit InPieces(std::size_t piece) : piece_(piece) {}
    std::unique_ptr<ByteSource> OpenReadBack(const Text& path) const override {
      return std::make_unique<testing::PieceSource>(ReadBack(path), piece_);
    }

   private:
    std::size_t piece_;
  };
  for (const std::string& bytes : lines) {
    const LayerTable whole = ParseLayerTableBytes(bytes);
    for (const std::size_t piece : {1, 2, 3, 7, 1 << 16}) {
      TempDir dir;
      dir.Write("X1.txt", bytes);
      InPieces fs(piece);
      PendingFiles pending;
      const OutputContext out{fs, dir.text(), Text(), HostSeparator(), nullptr, pending};
      const LayerTable read = ReadLayerTable(out);
      EXPECT_EQ(read.depths, whole.depths) << piece;
      EXPECT_EQ(read.soilOf, whole.soilOf) << piece;
      ASSERT_EQ(read.soils.size(), whole.soils.size()) << piece;
      for (std::size_t i = 0; i < whole.soils.size(); ++i) {
        EXPECT_EQ(read.soils[i].productCode, whole.soils[i].productCode) << piece;
        EXPECT_EQ(read.soils[i].soilName, whole.soils[i].soilName) << piece;
      }
    }
  }
  EXPECT_EQ(ParseLayerTableBytes(x1).depths.size(), 5U);
}

TEST(SectionDTest, WritesX100WithTheLayersOfX1) {
  const RecordTable table = OneRecord({{2, U"2"}, {3, U"2.5"}, {16, U"4"}});
  const std::string withLayer =
      Cp932Lines("   1,   2.00,   2.50,,,,,15,シルト,,,,,,,,,,,,,,,,,,,,,ＣＤ,,,,,,,,,,,,,\n");
  const std::string withoutLayer =
      Cp932Lines("   1,   2.00,   2.50,,,,,,,,,,,,,,,,,,,,,,,,,,,ＣＤ,,,,,,,,,,,,,\n");
  {
    JobFolder job;
    job.dir.Write("X1.txt", Cp932Lines("   1,   2.00,12,砂\n   2,   4.00,15,シルト\n"));
    WriteX100File(job.out, table);
    job.out.Commit();
    EXPECT_EQ(job.dir.Read("X100.txt"), withLayer);
    EXPECT_EQ(job.dir.Read("X1.txt"), Cp932Lines("   1,   2.00,12,砂\n   2,   4.00,15,シルト\n"));
  }
  {
    JobFolder job;
    WriteX100File(job.out, table);
    job.out.Commit();
    EXPECT_EQ(job.dir.Read("X100.txt"), withoutLayer);
  }
  {
    JobFolder job;
    std::filesystem::create_directory(job.dir.path() / "X1.txt");
    WriteX100File(job.out, table);
    job.out.Commit();
    EXPECT_EQ(job.dir.Read("X100.txt"), withoutLayer);
  }
  {
    JobFolder job;
    job.dir.Write("X100.txt", "old contents that must go");
    job.dir.Write("X100A.txt", "old contents that must go");
    RecordTable empty;
    empty.Reset(23, 0);
    WriteX100File(job.out, empty);
    WriteX100AFile(job.out, empty);
    job.out.Commit();
    EXPECT_TRUE(job.dir.Exists("X100.txt"));
    EXPECT_EQ(job.dir.Read("X100.txt"), "");
    EXPECT_EQ(job.dir.Read("X100A.txt"), "");
  }
}

TEST(SectionDTest, ConvertsTheExampleFileEndToEnd) {
  TempDir output;
  TempDir patterns;
  patterns.Write("kishitu.txt", Cp932Lines("1,表土\n"));
  patterns.Write("XKishitu.txt",
                 Cp932Lines("1,表土,,,,\n12,砂,,,,\n21,粘性土,,,,\n15,シルト,,,,\n"));
  RealFileSystem fs;
  const RunEnvironment env{fs, patterns.text() + HostSeparator(), HostPathStyle()};
  const std::filesystem::path input =
      std::filesystem::path(testing::SourceDir()) / "examples" / "12345678.003";
  EXPECT_EQ(ConvertFile(input.u32string(), output.text(), env).error, U"");

  EXPECT_EQ(
      output.Read("12345678003/X100.txt"),
      Cp932Lines(
          "   1,   0.50,   0.80,,,,,12,砂,,,,,1.85,2.65,32.5,1.05,,,,45.2,38.1,,12,40,35,13,,"
          "2.2,ＵＵ,15,285,,,,,,,,,,,\n"
          "   2,   1.00,   1.30,,,,,12,砂,,,,,1.92,2.67,28.4,0.95,,,,,,,5,28,62,5,,,ＵＣ,8.5,"
          "3225,,,,,,,,,,,\n"
          "   3,   2.80,   3.10,,,,,21,粘性土,,,,,1.68,2.7,48.2,1.32,,,,62.3,31.4,,0,45,18,37,,"
          "30.9,ＣＵ,22.4,12333,,,,,,,,,,,\n"
          "   4,   5.00,   5.30,,,,,15,シルト,,,,,1.75,2.66,38,1.1,,,,50.1,29.8,,2,38,40,20,,"
          "20.3,ＣＤ,18,26016,,,,,,,,,,,\n"
          "   5,   7.00,   7.25,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\n"));
  EXPECT_EQ(output.Read("12345678003/X100A.txt"),
            Cp932Lines("   1,1,2.68,1.6,0.92,1.5E-05,0.00023\n"
                       "   2,2,2.67,1.7,0.88,4.2E-06,0.0012\n"
                       "   3,3,2.7,1.4,1.25,3.5E-07,1.2E-06\n"
                       "   4,4,2.66,1.5,1.02,8.1E-06,\n"
                       "   5,5,,,,,\n"));
}

}  // namespace
}  // namespace tecris2nx

namespace tecris2nx {
namespace {

/// The first layer, in file order, deeper than the depth: what the binary search must find.
const SoilLayer* WalkLayers(const std::vector<SoilLayer>& layers, TextView depthCell) {
  const float depth = RoundToSingle(NumericValue(depthCell));
  for (const SoilLayer& layer : layers) {
    if (layer.depth > depth) return &layer;  // a depth on a boundary belongs to the layer below
  }
  return nullptr;
}

// The binary search must pick exactly the layer the walk in file order picks, sorted or not.
TEST(LayerLookupTest, AgreesWithTheWalkOverUnsortedLayers) {
  std::mt19937 rng(11);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (int round = 0; round < 200; ++round) {
    std::vector<SoilLayer> layers(rng() % (round < 100 ? 12 : 40));
    for (SoilLayer& layer : layers) {
      layer.depth = rng() % 10 == 0 ? nan : static_cast<float>(rng() % 20) / 2;
    }
    const LayerLookup lookup(layers);
    // Down the hole, back up and at random: each search starts where the last one ended.
    std::vector<Text> depths = {U"-1",   U"0", U"0.5", U"1",   U"1.5", U"2",  U"3",
                                U"3.25", U"4", U"6",   U"8.5", U"9.5", U"10", U"1E300"};
    for (int order = 0; order < 3; ++order) {
      if (order == 1) std::reverse(depths.begin(), depths.end());
      if (order == 2) std::shuffle(depths.begin(), depths.end(), rng);
      for (const Text& depth : depths) {
        EXPECT_EQ(lookup.Find(depth), WalkLayers(layers, depth)) << ToUtf8(depth);
      }
    }
    EXPECT_EQ(lookup.Find(U"abc"), WalkLayers(layers, U"abc"));
  }
}

}  // namespace
}  // namespace tecris2nx
