#include "app/cli/check_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "common/cp932.h"
#include "support/command_line.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::TempDir;

using testing::kPatdat;
using testing::kSource;

class CheckCommandTest : public testing::CommandLineTest {
 protected:
  CheckCommandTest() {
    tmp.Write("error.001", Cp932Lines("B,12345678001,x\n1\nB,1,1,21E408.8,0,砂,H,\n"));
    tmp.Write("warning.001", Cp932Lines("B,12345678001,x\n1\nB,1,1,12a,0,砂,H,\n"));
  }
};

TEST_F(CheckCommandTest, ExitStatusAndTextLines) {
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string line;  ///< a line the output must hold
  };
  const std::string error = Path("error.001");
  const std::string warning = Path("warning.001");
  const std::string example = kSource + "/examples/12345678.002";
  const Row rows[] = {
      {{"check"}, 2, ""},
      {{"check", "--bogus", error}, 2, ""},
      {{"check", "--patdat"}, 2, ""},
      {{"check", "--patdat", Path("nowhere"), error}, 2, ""},
      {{"check", "--patdat", kPatdat, example},
       0,
       example + ": エラー 0 件、警告 0 件、情報 0 件\n"},
      {{"check", "--patdat", kPatdat, error},
       1,
       error + ":3:7: error T104: セクション B の記録 1 の値 1: 値 \"21E408.8\" "
               "は数値の範囲を超えています。\n"},
      {{"check", "--patdat", kPatdat, warning},
       0,
       warning + ":3:7: warning T301: 値 \"12a\" は一部だけが数値として読まれます（12 "
                 "として扱われます）。\n"},
      {{"check", "--strict", "--patdat=" + kPatdat, warning}, 1, ""},
      // The second file repeats the first one's identifier: both are named.
      {{"check", "--patdat", kPatdat, warning, error},
       1,
       error + ":1:1: warning T110: 識別子 12345678001 は前のファイル " + warning +
           " と同じです。"},
      {{"check", "--patdat", kPatdat, warning, error},
       1,
       error + ": エラー 1 件、警告 1 件、情報 0 件\n"},
      {{"check", Path("missing.001")}, 1, "error T107"},
      // Without --patdat only the quick places are tried, and the checks that need them are left.
      {{"check", warning}, 0, warning + ":1:1: info T505:"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Run(row.args), row.status) << row.args.back();
    EXPECT_NE(out.str().find(row.line), std::string::npos) << out.str();
    if (row.status == 2) {
      EXPECT_EQ(err.str().rfind("tecris2nx check: ", 0), 0u) << err.str();
    }
  }
}

TEST_F(CheckCommandTest, AFileNamedCheckIsConvertedWhenGivenAsAPath) {
  tmp.Write("check", Cp932Lines("C,12345678001,x,1\n1,1,1,1.15,4,30\n"));
  // Only a first argument that is exactly "check" selects the check mode.
  EXPECT_EQ(Run({Path("check"), "--patdat", kPatdat, "-o", Path("out")}), 0) << err.str();
  EXPECT_TRUE(tmp.Exists("out/12345678001/X5.txt"));
}

// --verbose counts each converted file's warnings from the bytes the conversion reads.
TEST_F(CheckCommandTest, VerboseConversionShowsTheWarningsCount) {
  struct Row {
    std::string file;
    std::string line;
  };
  const Row rows[] = {
      {Path("warning.001"), "  警告 1 件"},
      {kSource + "/examples/12345678.002", "  警告なし"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Run({"-v", "--patdat", kPatdat, "-o", Path("out"), row.file}), 0) << err.str();
    EXPECT_NE(err.str().find(row.line), std::string::npos) << err.str();
  }
  // Without --verbose nothing is counted and the conversion is unchanged.
  EXPECT_EQ(Run({"--patdat", kPatdat, "-o", Path("out"), Path("warning.001")}), 0);
  EXPECT_EQ(err.str(), "");
}

// A report that cannot be written (a full disk, a closed pipe) is a failure that says so.
TEST_F(CheckCommandTest, AReportThatCannotBeWrittenFails) {
  struct Refusing : std::streambuf {
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
  } refusing;
  for (const bool json : {false, true}) {
    std::ostream full(&refusing);
    std::vector<std::string> args = {"check", "--patdat", kPatdat, Path("warning.001")};
    if (json) args.insert(args.begin() + 1, "--json");
    err.str("");
    EXPECT_EQ(RunCommandLine(args, full, err, env), 1) << json;
    EXPECT_NE(err.str().find("結果を書き出せません"), std::string::npos) << err.str();
  }
}

#ifndef _WIN32
// Check mode opens files as the conversion does: a folder named in CP932 (no UTF-8) is found,
// and its name is shown with the messages' \xHH escapes, in JSON as well.
TEST_F(CheckCommandTest, AFolderNamedInCp932IsCheckedAndShownEscaped) {
  const std::string folder = Path("") + "/d\x82\xa0";
  ASSERT_EQ(std::system(("mkdir '" + folder + "'").c_str()), 0);
  const std::string file = folder + "/12345678.003";
  ASSERT_EQ(std::system(("cp '" + Path("warning.001") + "' '" + file + "'").c_str()), 0);
  EXPECT_EQ(Run({"check", "--patdat", kPatdat, file}), 0);
  EXPECT_NE(out.str().find("d\\x82\\xA0/12345678.003:3:7: warning T301"), std::string::npos)
      << out.str();
  EXPECT_EQ(Run({"check", "--json", "--patdat", kPatdat, file}), 0);
  EXPECT_NE(out.str().find("d\\\\x82\\\\xA0/12345678.003\""), std::string::npos) << out.str();
}
#endif

#ifndef _WIN32
// The JSON of the examples and of a failing file, validated against the documented schema and
// read back.
TEST_F(CheckCommandTest, JsonFollowsTheSchema) {
  if (std::system("python3 -c 'import jsonschema' 2>/dev/null") != 0) {
    GTEST_SKIP() << "python3-jsonschema is not installed (scripts/setup.sh installs it)";
  }
  std::vector<std::string> args = {"check", "--json", "--patdat", kPatdat};
  for (int i = 1; i <= 6; ++i)
    args.push_back(kSource + "/examples/12345678.00" + std::to_string(i));
  args.push_back(Path("error.001"));
  args.push_back(Path("warning.001"));
  EXPECT_EQ(Run(args), 1);
  tmp.Write("out.json", out.str());
  const std::string script =
      "import json, sys, jsonschema\n"
      "doc = json.load(open(sys.argv[1], encoding='utf-8'))\n"
      "jsonschema.validate(doc, json.load(open(sys.argv[2], encoding='utf-8')))\n"
      "assert doc['summary'] == {'files': 8, 'errors': 1, 'warnings': 4, 'infos': 0}, "
      "doc['summary']\n"
      // Both test files repeat the first example's identifier: each is told so first.
      "assert doc['files'][6]['findings'][0]['code'] == 'T110'\n"
      "f = doc['files'][6]['findings'][1]\n"
      "assert (f['code'], f['section'], f['record'], f['value'], f['line'], f['column']) == "
      "('T104', 'B', 1, 1, 3, 7), f\n";
  tmp.Write("validate.py", script);
  const std::string command = "python3 " + Path("validate.py") + " " + Path("out.json") + " " +
                              kSource + "/docs/check.schema.json";
  EXPECT_EQ(std::system(command.c_str()), 0) << out.str();
}
#endif

}  // namespace
}  // namespace tecris2nx
