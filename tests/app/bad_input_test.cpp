// Bad input through the command line: never a crash, exit status 1 with one message naming the
// file and the problem, and every file written before the failure exactly as a clean conversion
// writes it. The cases run in this process; the built program runs once, for its exit status,
// its standard error and its memory.
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/cp932.h"
#include "sections/section_dispatch.h"
#include "support/command_line.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::TempDir;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

using testing::kPatdat;
using testing::kSource;
/// Every output file with the section whose step writes it, in the order they are written.
const std::vector<std::pair<char, std::string>> kOutputs = {
    {'A', "titl01.txt"}, {'A', "titl02.txt"}, {'A', "titl04.txt"}, {'B', "X1.txt"},
    {'B', "X3.txt"},     {'C', "X5.txt"},     {'D', "X100.txt"},   {'D', "X100A.txt"},
    {'E', "L209.txt"},   {'F', "L204.txt"},   {'H', "L201.txt"}};  // L201: G and H, after the walk

/// The section letters in the order of the section table.
std::string SectionLetters() {
  std::string letters;
  for (const SectionHandler& handler : SectionHandlers()) {
    letters += static_cast<char>(handler.letter);
  }
  return letters;
}

struct Outcome {
  int status = -1;
  std::vector<std::string> messages;  ///< stderr lines
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class BadInputTest : public testing::CommandLineTest {
 protected:
  /// Converts one input into OUTDIR with the command line in this process.
  Outcome Convert(const std::string& input, const std::string& outdir) {
    const int status = Run({"--patdat", kPatdat, "-o", outdir, input});
    return {status, Lines(err.str())};
  }
};

#ifdef _WIN32
std::string Quote(const std::string& s) { return "\"" + s + "\""; }

/// Runs the built tecris2nx on one input into OUTDIR (POSIX forks it where the test needs that).
Outcome RunProgram(const TempDir& tmp, const std::string& input, const std::string& outdir) {
  const std::string errFile = tmp.path().string() + "/stderr.txt";
  const std::string command = Quote(testing::ProgramPath()) + " --patdat " + Quote(kPatdat) +
                              " -o " + Quote(outdir) + " " + Quote(input) + " 2>" + Quote(errFile);
  Outcome outcome;
  // cmd.exe drops the first and the last quote of its command line; the status is the exit code.
  outcome.status = std::system(("\"" + command + "\"").c_str());
  // A redirected stream carries the ANSI code page, CP932 in the Japanese test session.
  outcome.messages = Lines(ToUtf8(DecodeCp932(tmp.Read("stderr.txt"))));
  return outcome;
}
#endif

std::string AllSections() {
  std::ifstream in(kSource + "/examples/12345678.006", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/// Start of the line holding the marker of each section of the full example.
std::size_t MarkerLine(const std::string& file, char letter) {
  if (letter == 'A') return 0;
  for (const char* shape : {"\r\n?\r\n", "\r\n?,"}) {
    std::string probe = shape;
    probe[2] = letter;
    const std::size_t at = file.find(probe);
    if (at != std::string::npos) return at + 2;
  }
  return std::string::npos;
}

void ExpectOneMessage(const Outcome& outcome, const std::string& input, const std::string& problem,
                      const std::string& label) {
  EXPECT_EQ(outcome.status, 1) << label;
  ASSERT_EQ(outcome.messages.size(), 1u) << label;
  EXPECT_EQ(outcome.messages[0].rfind("tecris2nx: " + input + ": ", 0), 0u)
      << label << ": " << outcome.messages[0];
  EXPECT_NE(outcome.messages[0].find(problem), std::string::npos)
      << label << ": " << outcome.messages[0];
}

TEST_F(BadInputTest, AFileThatEndsInsideASectionKeepsWhatCameBefore) {
  const std::string full = AllSections();
  TempDir clean;
  ASSERT_EQ(Convert(kSource + "/examples/12345678.006", clean.path().string()).status, 0);
  const std::string letters = SectionLetters();
  for (std::size_t i = 0; i < letters.size(); ++i) {
    const char letter = letters[i];
    const std::size_t start = MarkerLine(full, letter);
    const std::size_t end = i + 1 < letters.size() ? MarkerLine(full, letters[i + 1]) : full.size();
    ASSERT_NE(start, std::string::npos) << letter;
    // Keep the marker line and about half of the section's lines.
    std::size_t cut = full.find("\r\n", start) + 2;
    const std::size_t lines = static_cast<std::size_t>(std::count(
        full.begin() + static_cast<long>(start), full.begin() + static_cast<long>(end), '\n'));
    for (std::size_t k = 1; k < lines / 2; ++k) cut = full.find("\r\n", cut) + 2;
    TempDir tmp;
    tmp.Write("in/12345678.006", full.substr(0, cut));
    const std::string input = tmp.path().string() + "/in/12345678.006";
    const Outcome outcome = Convert(input, tmp.path().string() + "/out");
    ExpectOneMessage(outcome, input, std::string("セクション ") + letter + " の",
                     std::string("ends inside ") + letter);
    EXPECT_NE(outcome.messages[0].find("ファイルがセクションの途中で終わっています"),
              std::string::npos);
    // Sections before the cut are written exactly as in a clean conversion; none after it.
    for (const auto& [writer, file] : kOutputs) {
      const std::string name = "out/12345678006/" + file;
      if (letters.find(writer) < i) {
        EXPECT_EQ(tmp.Read(name), clean.Read("12345678006/" + file)) << letter << name;
      } else {
        EXPECT_FALSE(tmp.Exists(name)) << letter << " " << name;
      }
    }
  }
}

TEST_F(BadInputTest, EachBadFileGetsOneMessageAndNoCrash) {
  struct Row {
    const char* label;
    std::string bytes;
    const char* problem;
  };
  std::string manyRecords = "G,12345678001,x,16384,0\n";
  for (int r = 0; r < 16384; ++r) manyRecords += "G,1,0,1.0,2.0,3\n";
  manyRecords += "H,1,x,16384,0\n";
  for (int r = 0; r < 16384; ++r) manyRecords += "H,1,0,1.0,2.0,3\n";
  std::string d = "D,12345678001,x\n1\nD,1,1";
  for (int v = 1; v <= 21; ++v) d += ",1";
  std::string a = "A,12345678001";
  for (int field = 2; field <= 41; ++field) a += field == 20 ? ",1E999" : ",1";
  const Row rows[] = {
      {"empty file", "", "指定されたﾌｧｲﾙは正しくありません"},
      {"one field", "A", "指定されたﾌｧｲﾙは正しくありません"},
      {"10 characters", Cp932Lines("A,1234567800\n"), "指定されたﾌｧｲﾙは正しくありません"},
      {"12 characters", Cp932Lines("A,123456780012\n"), "指定されたﾌｧｲﾙは正しくありません"},
      {"climbs out", Cp932Lines("A,../../etc/x\n"), "指定されたﾌｧｲﾙは正しくありません"},
      {"colon", Cp932Lines("A,1234:678901\n"), "指定されたﾌｧｲﾙは正しくありません"},
      {"star", Cp932Lines("A,1234*678901\n"), "指定されたﾌｧｲﾙは正しくありません"},
      {"count -1", Cp932Lines("C,12345678001,y,-1\n"), "件数 \"-1\""},
      {"count 32768", Cp932Lines("C,12345678001,y,32768\n"), "件数 \"32768\""},
      {"count 1E9", Cp932Lines("C,12345678001,y,1E9\n"), "件数 \"1E9\""},
      {"G plus H above 32767", Cp932Lines(manyRecords), "セクション G と H の件数の合計"},
      {"exponent in D", Cp932Lines(d + ",1E99,1\n"), "セクション D の記録 1 の値 22"},
      {"exponent in F", Cp932Lines("F,12345678001,x,1,8\nF,1,0,1.0,2.0,1E99\n"),
       "セクション F の記録 1"},
      // Beyond every number: once written as the largest double with success reported.
      {"number beyond range in B", Cp932Lines("B,12345678001,x\n1\nB,1,1,21E408.8,0,砂,H,\n"),
       "セクション B の記録 1 の値 1: 値 \"21E408.8\" は数値の範囲を超えています。"},
      {"number beyond range in E",
       Cp932Lines("E,12345678001,x,1\nE,1,0,1.0,&H" + std::string(300, 'F') + ",2,3\n"),
       "セクション E の記録 1 の値 2"},
      {"number beyond range in A", Cp932Lines(a + "\n"),
       "セクション A のフィールド 20: 値 \"1E999\" は数値の範囲を超えています。"},
  };
  for (const Row& r : rows) {
    TempDir tmp;
    tmp.Write("in/12345678.001", r.bytes);
    const std::string input = tmp.path().string() + "/in/12345678.001";
    ExpectOneMessage(Convert(input, tmp.path().string() + "/out"), input, r.problem, r.label);
    EXPECT_FALSE(std::filesystem::exists(tmp.path() / "etc")) << r.label;
    EXPECT_FALSE(std::filesystem::exists(tmp.path() / "out" / "12345678001" / "L201.txt"));
    // A failing section writes none of its files.
    EXPECT_FALSE(std::filesystem::exists(tmp.path() / "out" / "12345678001" / "titl01.txt"));
    EXPECT_FALSE(std::filesystem::exists(tmp.path() / "out" / "12345678001" / "X1.txt"));
  }
}

TEST_F(BadInputTest, UnusualButValidBytesAreConverted) {
  const std::string title = Cp932Lines("\"県道改良工事に伴う地質調査\"");
  std::string base;
  {
    std::ifstream in(kSource + "/examples/12345678.001", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    base = s.str();
  }
  const std::string& quoted = title;
  ASSERT_NE(base.find(quoted), std::string::npos);
  struct Row {
    const char* label;
    std::string field;  // written as field 6, which becomes line 1 of titl01.txt
  };
  const Row rows[] = {
      {"bytes that are not CP932", std::string("\x80"
                                               "abc\xfd\xfe\xff"
                                               "\x81"
                                               " x")},
      {"NUL bytes", std::string("a\0b", 3)},
  };
  for (const Row& r : rows) {
    std::string file = base;
    file.replace(file.find(quoted), quoted.size(), "\"" + r.field + "\"");
    TempDir tmp;
    tmp.Write("in/12345678.001", file);
    const Outcome outcome =
        Convert(tmp.path().string() + "/in/12345678.001", tmp.path().string() + "/out");
    EXPECT_EQ(outcome.status, 0) << r.label;
    const std::string titl01 = tmp.Read("out/12345678001/titl01.txt");
    EXPECT_EQ(titl01.substr(0, r.field.size() + 2), r.field + "\r\n") << r.label;
  }

  // A count that is no number is a count of zero: an empty X5.txt.
  TempDir tmp;
  tmp.Write("in/12345678.001", Cp932Lines("C,12345678001,y,abc\n"));
  EXPECT_EQ(Convert(tmp.path().string() + "/in/12345678.001", tmp.path().string() + "/out").status,
            0);
  EXPECT_TRUE(tmp.Exists("out/12345678001/X5.txt"));
  EXPECT_EQ(tmp.Read("out/12345678001/X5.txt"), "");
}

// The one run of the built program: its exit status, its standard error and its peak memory.
TEST_F(BadInputTest, RandomBytesNeverCrash) {
  constexpr std::size_t kSize = 8u << 20;
  std::mt19937 rng(7);
  std::string bytes(kSize, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  TempDir tmp;
  tmp.Write("in/12345678.001", bytes);
  bytes.clear();
  const std::string input = tmp.path().string() + "/in/12345678.001";
  const std::string problem = "指定されたﾌｧｲﾙは正しくありません";
  ExpectOneMessage(Convert(input, tmp.path().string() + "/out"), input, problem, "in process");
#ifdef _WIN32
  ExpectOneMessage(RunProgram(tmp, input, tmp.path().string() + "/out"), input, problem,
                   "the program");
#else
  // The program's own peak memory, as the system counted it for the child that converted.
  const std::string errors = tmp.path().string() + "/stderr.txt";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!std::freopen(errors.c_str(), "w", stderr)) _exit(126);
    const std::string patdat = kPatdat;
    const std::string out = tmp.path().string() + "/out";
    execl(testing::ProgramPath(), testing::ProgramPath(), "--patdat", patdat.c_str(), "-o",
          out.c_str(), input.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  ASSERT_EQ(wait4(child, &status, 0, &usage), child);
  ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
  ExpectOneMessage({WEXITSTATUS(status), Lines(tmp.Read("stderr.txt"))}, input, problem,
                   "the program");
  // A sanitizer's shadow memory is not the program's own.
  if (!kSanitized) {
    EXPECT_LT(static_cast<long long>(usage.ru_maxrss) * 1024, 3LL * static_cast<long long>(kSize));
  }
#endif
}

TEST_F(BadInputTest, FileSystemFailures) {
  const std::string good = Cp932Lines("C,12345678001,y,1\n1,2,3,1.5,12,28\n");
  {
    TempDir tmp;
    tmp.Write("in/12345678.001/x", "");
    const std::string input = tmp.path().string() + "/in/12345678.001";
    ExpectOneMessage(Convert(input, tmp.path().string() + "/out"), input, "フォルダです",
                     "directory as input");
  }
  {
    TempDir tmp;
    tmp.Write("in/12345678.001", good);
    tmp.Write("out/12345678001", "a plain file");
    const std::string input = tmp.path().string() + "/in/12345678.001";
    ExpectOneMessage(Convert(input, tmp.path().string() + "/out"), input,
                     "ジョブフォルダを作成できません", "job folder taken");
    EXPECT_EQ(tmp.Read("out/12345678001"), "a plain file");
  }
  {
    TempDir tmp;
    tmp.Write("in/12345678.001", good);
    tmp.Write("out/12345678001/X5.txt/x", "");  // the output file's name is taken by a folder
    const std::string input = tmp.path().string() + "/in/12345678.001";
    ExpectOneMessage(Convert(input, tmp.path().string() + "/out"), input,
                     "ファイルに書き込めません", "output not writable");
  }
  {
    TempDir tmp;
    tmp.Write("in/12345678.001", good);
    tmp.Write("plain", "x");
    const Outcome outcome =
        Convert(tmp.path().string() + "/in/12345678.001", tmp.path().string() + "/plain/out");
    EXPECT_EQ(outcome.status, 1);
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_NE(outcome.messages[0].find("フォルダを作成できません"), std::string::npos)
        << outcome.messages[0];
  }
}

}  // namespace
}  // namespace tecris2nx

#ifndef _WIN32
namespace tecris2nx {
namespace {

TEST_F(BadInputTest, APipeIsRefusedNotWaitedOn) {
  TempDir tmp;
  const std::string input = tmp.path().string() + "/12345678.001";
  ASSERT_EQ(mkfifo(input.c_str(), 0600), 0);
  const Outcome outcome = Convert(input, tmp.path().string() + "/out");
  EXPECT_EQ(outcome.status, 1);
  ASSERT_EQ(outcome.messages.size(), 1u);
  EXPECT_EQ(outcome.messages[0].rfind("tecris2nx: " + input + ": ", 0), 0u);
}

}  // namespace
}  // namespace tecris2nx
#endif
