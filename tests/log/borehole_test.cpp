#include "log/borehole.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "common/cp932.h"
#include "common/error.h"
#include "log/layout.h"
#include "log/svg_writer.h"
#include "run/convert_file.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx::boringlog {
namespace {

using tecris2nx::testing::Cp932Lines;

const std::string kSource = testing::SourceDir();

class BoreholeTest : public ::testing::Test {
 protected:
  Borehole Read(const std::string& utf8) {
    return ReadBorehole(Cp932Lines(utf8), U"test.001", {fs, patdat});
  }
  /// The conversion's error for the same file, written into a scratch folder.
  Text ConversionError(const std::string& utf8) {
    tmp.Write("in.001", Cp932Lines(utf8));
    if (fs.KindOf(tmp.TextOf("out")) == EntryKind::kNone) fs.MakeFolder(tmp.TextOf("out"));
    const RunEnvironment env{fs, patdat};
    return ConvertFile(tmp.TextOf("in.001"), tmp.TextOf("out"), env).error;
  }

  RealFileSystem fs;
  Text patdat = FromUtf8(kSource + "/examples/sample-patdat/");
  tecris2nx::testing::TempDir tmp;
};

TEST_F(BoreholeTest, TakesLayersColoursAndTestsAsTheNxFilesDo) {
  const Borehole hole = ReadBorehole(fs.ReadAll(FromUtf8(kSource + "/examples/12345678.002")),
                                     U"12345678.002", {fs, patdat});
  EXPECT_EQ(hole.title, U"市道拡幅工事に伴う地質調査");
  // Records 3 and 4 (1300 砂) make one layer, as in "X1.txt"; 砂岩 with code 0 keeps its name.
  ASSERT_EQ(hole.layers.size(), 7U);
  EXPECT_DOUBLE_EQ(hole.layers[2].top, 1.1f);
  EXPECT_DOUBLE_EQ(hole.layers[2].bottom, 3.8f);
  EXPECT_EQ(hole.layers[2].soilName, U"砂");
  EXPECT_EQ(hole.layers[5].code, U"9999");
  EXPECT_EQ(hole.layers[5].soilName, U"砂岩");
  EXPECT_DOUBLE_EQ(hole.DeepestLayer(), 10);
  // Colours merge on their own letters: 砂岩 and 軟岩 are both KH.
  ASSERT_EQ(hole.colours.size(), 6U);
  EXPECT_EQ(hole.colours[3].names, (std::vector<Text>{U"淡", U"褐", U"灰"}));
  EXPECT_EQ(hole.colours[5].names, (std::vector<Text>{U"黒", U"灰"}));
  ASSERT_EQ(hole.penetrations.size(), 5U);
  EXPECT_EQ(hole.penetrations[0].label, U"4");
  EXPECT_FALSE(hole.penetrations[0].stopped);
  EXPECT_EQ(hole.penetrations[4].label, U"50/12");
  EXPECT_TRUE(hole.penetrations[4].stopped);
  EXPECT_TRUE(hole.notes.empty());
}

TEST_F(BoreholeTest, BadInput) {
  struct Row {
    std::string file;
    Text error;  ///< empty when a picture is drawn
    Text note;   ///< a note the picture must carry
    double noteDepth;
  };
  const Row rows[] = {
      {"C\nx,0,1\n1,1,1,1.15,8,30\n", U"", U"セクション B（土質）がありません。", 0},
      {"B,12345678001,x\n2\nB,1,1,2.0,1300,砂,H,\nB,2,1,1.0,1600,粘性土,H,\n", U"",
       U"層の下端深度 \"1.0\" が前の記録より浅くなっています。", 1},
      {"G,12345678001,x,2\nG,1,0,1.00,3.00,1\nG,2,0,2.00,4.00,2\n", U"",
       U"区間の始まり \"2.00\" が前の区間の終わりより浅く、区間が重なっています。", 2},
      // Beyond single precision, and deeper than any sheet: no picture.
      {"B,12345678001,x\n1\nB,1,1,1E39,1300,砂,H,\n",
       U"セクション B の記録 1 の値 1: 値 \"1E39\" は単精度の範囲を超えています。", U"", 0},
      {"C\nx,0,1\n1,1,1,30000,8,30\n",
       U"セクション C の記録 1 の値 1: 値 \"30000\" は柱状図に描ける深度（20000 "
       U"m）を超えています。",
       U"", 0},
  };
  for (const Row& row : rows) {
    if (!row.error.empty()) {
      try {
        Read(row.file);
        ADD_FAILURE() << row.file;
      } catch (const tecris2nx::ConversionError& e) {
        EXPECT_EQ(e.message(), row.error) << row.file;
      }
      continue;
    }
    const Borehole hole = Read(row.file);
    bool found = false;
    for (const LogNote& note : hole.notes) {
      if (note.text == row.note && note.depth == row.noteDepth) found = true;
    }
    EXPECT_TRUE(found) << row.file;
  }
}

TEST_F(BoreholeTest, WhatTheConversionRejectsGivesItsError) {
  const std::string files[] = {
      "B,12345678001,x\n3\nB,1,1,1.0,1300,砂,H,\n",    // ends inside the section
      "B,12345678001,x\n1\nB,1,1,21E408.8,0,砂,H,\n",  // beyond any number
      "D,12345678001,x\n1\nD,1,1,1,0.5,0.8" + std::string(19, ',') + ",1E39,\n",  // X100A
      "F,12345678001,x,1,0\nF,1,0,1.0,2.0,1E39\n",                                // L204
  };
  for (const std::string& file : files) {
    const Text expected = ConversionError(file);
    ASSERT_FALSE(expected.empty()) << file;
    try {
      Read(file);
      ADD_FAILURE() << file;
    } catch (const tecris2nx::ConversionError& e) {
      EXPECT_EQ(e.message(), expected) << file;
    }
  }
}

/// Hands out a file's bytes and counts them.
class CountingSource : public ByteSource {
 public:
  CountingSource(std::string bytes, std::size_t& given) : bytes_(std::move(bytes)), given_(given) {}
  bool ReadMore(std::string& into, std::size_t most) override {
    const std::size_t n = std::min(most, bytes_.size() - given_);
    into.append(bytes_, given_, n);
    given_ += n;
    return n > 0;
  }

 private:
  std::string bytes_;
  std::size_t& given_;
};

// Whatever follows the sections, the picture reads no further than the field where they stop;
// a section's notes are kept when junk takes the place of the next.
TEST_F(BoreholeTest, ReadsNoFurtherThanTheSections) {
  std::string junk;
  while (junk.size() < (std::size_t{16} << 20)) junk += "9,9,9\r\n";
  struct Row {
    const char* name;
    std::string data;
    std::size_t layers;
    std::size_t notes;
  };
  const Row rows[] = {
      {"after the last section", fs.ReadAll(FromUtf8(kSource + "/examples/12345678.006")), 7, 0},
      {"in place of a section",
       Cp932Lines("B,12345678001,x\n2\nB,1,1,2.0,1300,砂,H,\nB,2,1,1.0,1600,粘性土,H,\nQ\n"), 2, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::size_t given = 0;
    const Borehole hole = ReadBorehole(std::make_unique<CountingSource>(row.data + junk, given),
                                       U"x.001", {fs, patdat});
    EXPECT_EQ(hole.layers.size(), row.layers);
    EXPECT_EQ(hole.notes.size(), row.notes);
    // The reader loads pieces ahead of the field in work, never the junk as a whole.
    EXPECT_LT(given, row.data.size() + (std::size_t{1} << 20));
  }
}

/// Every label's text of the pages, in order, and the pages' texts run together.
struct DrawnTexts {
  std::vector<Text> labels;
  Text all;
};

DrawnTexts TextsOf(const LogSheets& sheets) {
  DrawnTexts drawn;
  for (const Page& page : sheets.pages) {
    for (const Primitive& item : page.items) {
      if (const auto* label = std::get_if<Label>(&item)) {
        drawn.labels.push_back(label->text);
        drawn.all += label->text;
        EXPECT_GT(label->at.y, 10) << ToUtf8(label->text);
        EXPECT_LT(label->at.y, page.height - 10) << ToUtf8(label->text);
      }
    }
  }
  return drawn;
}

/// Fails for each text of the borehole that no label of the sheets shows.
void ExpectEveryTextDrawn(const Borehole& hole, const LogSheets& sheets) {
  const DrawnTexts drawn = TextsOf(sheets);
  const auto shown = [&](const Text& text) {
    return std::find(drawn.labels.begin(), drawn.labels.end(), text) != drawn.labels.end();
  };
  const auto fixed2 = [](double metres) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", std::round(metres * 100) / 100);
    return FromUtf8(text);
  };
  for (const LogLayer& layer : hole.layers) {
    EXPECT_TRUE(shown(fixed2(layer.bottom))) << layer.bottom;
    EXPECT_TRUE(shown(fixed2(layer.bottom - layer.top))) << layer.bottom;
    EXPECT_TRUE(shown(layer.soilName.empty() ? U"（" + layer.fileName + U"）" : layer.soilName))
        << ToUtf8(layer.soilName);
  }
  for (const LogColour& colour : hole.colours) {
    Text text;
    for (const Text& name : colour.names) text += name;
    EXPECT_TRUE(shown(text.empty() ? colour.letters : text)) << ToUtf8(text);
  }
  for (const LogPenetration& test : hole.penetrations) {
    EXPECT_TRUE(shown(test.label)) << ToUtf8(test.label);
  }
  for (const LogSample& sample : hole.samples) {
    EXPECT_TRUE(shown(sample.number)) << ToUtf8(sample.number);
  }
  for (const LogNote& note : hole.notes) {
    EXPECT_NE(drawn.all.find(note.text), Text::npos) << ToUtf8(note.text);
  }
}

// No text of the model is left out: not at the body's top, not past a page break, at any scale
// or paper.
TEST_F(BoreholeTest, EveryTextOfTheModelIsDrawn) {
  std::vector<std::pair<std::string, Borehole>> holes;
  for (const char* name : {"001", "002", "003", "004", "005", "006"}) {
    const std::string path = kSource + "/examples/12345678." + name;
    holes.emplace_back(path, ReadBorehole(fs.ReadAll(FromUtf8(path)), U"x.001", {fs, patdat}));
  }
  Borehole thin;  // drawn 1.5 mm high at 1:100
  thin.hasLayers = true;
  thin.layers = {{0, 0.15, U"0", U"表土", U"表土"}, {0.15, 2, U"1300", U"砂", U"砂"}};
  thin.colours = {{0, 0.15, U"DC", {U"暗", U"褐"}}};
  thin.samples = {{0, 0.1, U"P-123"}};
  holes.emplace_back("thin first layer", thin);
  Borehole pageBreak;  // 23.10 m is 1 mm below the break of A4 at 1:100
  pageBreak.hasLayers = true;
  pageBreak.layers = {{0, 23.1f, U"1300", U"砂", U"砂"},
                      {23.1f, 30, U"1600", U"粘性土", U"粘性土"}};
  pageBreak.penetrations = {{23.05, 12, U"12", false}};
  holes.emplace_back("boundary below a page break", pageBreak);
  Borehole notes = thin;  // a long note at the top, many below
  notes.notes.push_back({0, Text(120, U'長'), true});
  for (int i = 0; i < 30; ++i) notes.notes.push_back({1.5, U"注記 " + DecimalText(i), true});
  holes.emplace_back("long note", notes);
  for (const auto& [name, hole] : holes) {
    for (const int scale : {50, 100, 200}) {
      for (const Paper paper : {Paper::kA4, Paper::kA3}) {
        for (const bool paged : {false, true}) {
          SCOPED_TRACE(name + " 1:" + std::to_string(scale) +
                       (paper == Paper::kA3 ? " A3" : " A4") + (paged ? " paged" : ""));
          ExpectEveryTextDrawn(hole, LayoutBoringLog(hole, {scale, paper, paged}));
        }
      }
    }
  }
}

// One example drawn byte for byte; TECRIS2NX_UPDATE_GOLDEN=1 writes the file afresh.
TEST_F(BoreholeTest, SvgOfAnExampleIsTheGoldenFile) {
  Borehole hole = ReadBorehole(fs.ReadAll(FromUtf8(kSource + "/examples/12345678.002")),
                               U"12345678.002", {fs, patdat});
  hole.identifier = U"12345678002";
  hole.fileName = U"12345678.002";
  hole.patternFolder = U"examples/sample-patdat/";
  hole.dateDrawn = U"2026-01-01";
  const std::string svg = SvgDocument(LayoutBoringLog(hole, {}).pages.front());
  const Text golden = FromUtf8(kSource + "/tests/log/golden/12345678002.svg");
  if (std::getenv("TECRIS2NX_UPDATE_GOLDEN")) fs.WriteAll(golden, svg);
  EXPECT_TRUE(svg == fs.ReadAll(golden)) << "differs from tests/log/golden/12345678002.svg";
}

}  // namespace
}  // namespace tecris2nx::boringlog
