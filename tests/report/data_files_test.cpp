#include "report/data_files.h"

#include <gtest/gtest.h>

#include "report/write_report.h"
#include "support/memory_file_system.h"
#include "support/test_paths.h"

namespace tecris2nx::report {
namespace {

// One row per awkward character: what each format makes of it.
TEST(EscapingTest, EveryFormatKeepsTextsWhole) {
  struct Case {
    const char32_t* text;
    const char* csv;
    const char* json;
    const char* xml;
  };
  const Case cases[] = {
      {U"砂", "砂", "\"砂\"", "砂"},
      {U"a,b", "\"a,b\"", "\"a,b\"", "a,b"},
      {U"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \\\"hi\\\"\"", "say &quot;hi&quot;"},
      {U"<b>&'", "<b>&'", "\"<b>&'\"", "&lt;b&gt;&amp;&#39;"},
      // Line breaks and controls become visible, as everywhere the program shows file texts.
      {U"a\r\nb", "a\\x0D\\x0Ab", "\"a\\\\x0D\\\\x0Ab\"", "a\\x0D\\x0Ab"},
      {U"a\x01"
       U"b",
       "a\\x01b", "\"a\\\\x01b\"", "a\\x01b"},
      {U"back\\slash", "back\\slash", "\"back\\\\slash\"", "back\\slash"},
      // Not characters in XML: replaced there, kept elsewhere.
      {U"a\uFFFE", "a\uFFFE", "\"a\uFFFE\"", "a\uFFFD"},
      // A spreadsheet would take these for formulas.
      {U"=1+2", "'=1+2", "\"=1+2\"", "=1+2"},
      {U"@SUM(A1)", "'@SUM(A1)", "\"@SUM(A1)\"", "@SUM(A1)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CsvField(c.text, false), c.csv) << ToUtf8(c.text);
    EXPECT_EQ(JsonString(c.text), c.json) << ToUtf8(c.text);
    EXPECT_EQ(XmlText(c.text), c.xml) << ToUtf8(c.text);
  }
  EXPECT_EQ(CsvField(U"-1.5", true), "-1.5");  // a number stays a number
}

/// A TECRIS file of the given identifier, position codes, layers and tests.
std::string Tecris(const std::string& id, const std::string& lat, const std::string& lon,
                   const std::string& sections) {
  return "A\r\n" + id + ",2.10,1,0,0\r\n\"Survey\",\"o\",\"d\",\"d\"\r\n\"No.1\",1,90,3," +
         "2026041234,0,0,0," + lat + "," + lon + "\r\n8.62,13102,\"x\",10,92.5,7,10,8.6,0,0\r\n" +
         "1,1,0\r\n1,10,100,5,10,2,2026,4,\"c\"\r\n" + sections;
}

class WriteReportTest : public ::testing::Test {
 protected:
  testing::MemoryFileSystem fs;
  ReportSettings settings;
  std::vector<Text> files;
  void Add(const char* name, std::string bytes) {
    fs.AddFile(U"/in/" + FromUtf8(name), std::move(bytes));
    files.push_back(U"/in/" + FromUtf8(name));
  }
  void SetUp() override {
    const std::string layers =
        "B,x,y\r\n2\r\nB,1,1,2.00,1600,粘性土,DH,\r\nB,2,1,8.00,1300,砂,H,\r\n";
    const std::string tests =
        "C\r\n\"t\",0,3\r\n1,1,1,1.15,4,30\r\n2,1,1,2.15,50,20\r\n"
        "3,1,1,5.15,50,10\r\n";
    Add("ok.001", Tecris("26040012001", "3539450", "13944500", layers + tests));
    Add("nopos.002", Tecris("26040012002", "", "", layers));
    Add("cut.003",
        Tecris("26040012003", "3539450", "13944500", "C\r\n\"t\",0,9\r\n1,1,1,1.15,4,30\r\n"));
    Add("none.004", "");
    Add("again.005", Tecris("26040012001", "", "", ""));
  }
};

TEST_F(WriteReportTest, EveryFileHasARowAndOnlyPlacedOnesAFeature) {
  std::vector<std::size_t> done;
  ReportRun run;
  run.fileDone = [&](std::size_t i, const BoreholeEntry&) {
    done.push_back(i);
    return true;
  };
  const ReportOutcome outcome = WriteDeliveryReport(fs, files, U"/out", settings, run);
  EXPECT_EQ(done, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(outcome.files, 5u);
  EXPECT_EQ(outcome.failed, 2u);
  EXPECT_EQ(outcome.placed, 1u);
  const std::string csv = fs.files().at(U"/out/index.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6);
  // The second file of one identifier is named, as check mode names it.
  EXPECT_NE(fs.files().at(U"/out/report.html").find("T110 識別子 26040012001"), std::string::npos);
  EXPECT_NE(csv.find("ok.001,26040012001,Survey,35.6625000,139.7472222,JGD2011"),
            std::string::npos);
  EXPECT_NE(csv.find("緯度のコードがありません"), std::string::npos);
  EXPECT_NE(csv.find("ファイルがセクションの途中で終わっています"), std::string::npos);
  // The bearing layer of ok.001: 50 from 2.15 m to the last test.
  EXPECT_NE(csv.find(",8.00,2,3,50,2.15,変換できます,"), std::string::npos);
  const std::string geojson = fs.files().at(U"/out/boreholes.geojson");
  EXPECT_NE(geojson.find("[139.7472222,35.6625000]"), std::string::npos);
  EXPECT_EQ(geojson.find("26040012002"), std::string::npos);
  EXPECT_NE(fs.files().at(U"/out/report.html").find("class=\"failed\""), std::string::npos);
}

TEST_F(WriteReportTest, NothingIsWrittenWhenStoppedOrWhenAFileCannotBe) {
  ReportRun run;
  run.fileDone = [](std::size_t i, const BoreholeEntry&) { return i < 1; };
  EXPECT_TRUE(WriteDeliveryReport(fs, files, U"/out", settings, run).stopped);
  EXPECT_EQ(fs.KindOf(U"/out/index.csv"), EntryKind::kNone);

  // Stopped while the files are being written: a dozen parts in, before the page is done.
  int asked = 0;
  run = {};
  run.stopped = [&] { return ++asked > 12; };
  EXPECT_TRUE(WriteDeliveryReport(fs, files, U"/out", settings, run).stopped);
  EXPECT_GT(asked, 12);
  EXPECT_EQ(fs.KindOf(U"/out/index.csv"), EntryKind::kNone);

  fs.FailWritesTo(U"/out/report.html");
  EXPECT_THROW(WriteDeliveryReport(fs, files, U"/out", settings, {}), ConversionError);
  for (const TextView name : kReportFiles) {
    EXPECT_EQ(fs.KindOf(U"/out/" + Text(name)), EntryKind::kNone) << ToUtf8(name);
  }
}

}  // namespace
}  // namespace tecris2nx::report
