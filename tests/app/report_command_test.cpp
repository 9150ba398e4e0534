#include "app/cli/report_command.h"

#include <gtest/gtest.h>

#include "support/command_line.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::kPatdat;
using testing::kSource;

const std::string kDelivery = kSource + "/examples/delivery";

class ReportCommandTest : public testing::CommandLineTest {};

TEST_F(ReportCommandTest, UsageErrorsWriteNothing) {
  const std::string out_dir = Path("out");
  const std::string file = kDelivery + "/26040012.001";
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"report", "--datum", "wgs84", "-o", out_dir, file},
       "--datum は jgd2011, jgd2000, tokyo のいずれかです: wgs84"},
      {{"report", "--format=svg", "-o", out_dir, file}, "--format は html か pdf です: svg"},
      {{"report", file}, "出力先フォルダ (-o OUTDIR) を指定してください"},
      {{"report", "-o", out_dir}, "一覧表にする TECRIS ファイルを指定してください"},
      {{"report", "--datum"}, "--datum には値が必要です"},
      {{"report", "--map"}, "不明なオプションです: --map"},
      // This test program has no render program beside it.
      {{"report", "--format", "PDF", "-o", out_dir, file},
       "--format pdf はこの版では書き出せません"},
  };
  for (const auto& [args, message] : rows) {
    EXPECT_EQ(Run(args), kCliUsage) << message;
    EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    EXPECT_EQ(fs.KindOf(FromUtf8(out_dir)), EntryKind::kNone) << message;
  }
}

TEST_F(ReportCommandTest, WritesTheFilesAndSaysWhatItMade) {
  std::vector<std::string> args = {"report", "--datum", "TOKYO",        "--patdat",
                                   kPatdat,  "-o",      Path("report"), kDelivery};
  EXPECT_EQ(Run(args), kCliOk) << err.str();
  EXPECT_NE(out.str().find("（ファイル 8 件、変換できないもの 1 件、位置図に 6 件）"),
            std::string::npos)
      << out.str();
  for (const char* name : {"index.csv", "boreholes.geojson", "boreholes.kml", "report.html"}) {
    EXPECT_EQ(fs.KindOf(FromUtf8(Path("report/") + name)), EntryKind::kFile) << name;
  }
  EXPECT_NE(fs.ReadAll(FromUtf8(Path("report/boreholes.geojson"))).find("日本測地系（Tokyo）"),
            std::string::npos);
}

}  // namespace
}  // namespace tecris2nx
