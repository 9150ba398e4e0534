#include "check/checker.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "run/convert_file.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;

enum class Patdat { kSample, kNone, kWithoutL2 };

/// The sample pattern data in memory, whole or without "L2.txt".
testing::MemoryFileSystem FileSystemWith(Patdat patdat) {
  testing::MemoryFileSystem fs;
  fs.AddFilesOf(FromUtf8(std::string(testing::SourceDir()) + "/examples/sample-patdat/"),
                U"/patdat/", patdat == Patdat::kWithoutL2 ? U"L2.txt" : U"");
  return fs;
}

FileCheck Check(std::string bytes, Patdat patdat = Patdat::kSample, bool countOnly = false) {
  testing::MemoryFileSystem fs = FileSystemWith(patdat);
  fs.AddFile(U"/in/12345678.001", std::move(bytes));
  CheckSettings settings{patdat == Patdat::kNone ? Text() : U"/patdat/", PathStyle::kPosix};
  settings.countOnly = countOnly;
  return CheckTecrisFile(fs, U"/in/12345678.001", settings);
}

/// A section A whose slot 21 (field 25) holds the L2 code.
std::string SectionAWithL2Code(const std::string& code) {
  std::string text = "A,12345678001";
  for (int field = 2; field <= 41; ++field) text += field == 25 ? "," + code : ",1";
  return Cp932Lines(text + "\n");
}

std::string ManyGhRecords() {
  std::string text = "G,12345678001,x,16384,0\n";
  for (int r = 0; r < 16384; ++r) text += "G,1,0,1.0,2.0,3\n";
  text += "H,x,y,16384,0\n";
  for (int r = 0; r < 16384; ++r) text += "H,1,0,1.0,2.0,3\n";
  return Cp932Lines(text);
}

std::string SectionB(const std::string& count, const std::string& records) {
  return Cp932Lines("B,12345678001,x\n" + count + "\n" + records);
}

// D records: the first three values given, the other twenty empty.
std::string DRecord(const std::string& values) {
  return "D,1,1," + values + std::string(20, ',') + "\n";
}

struct CodeEntry {
  std::string severity;
  std::string message;
};

/// check/finding_codes.txt, the table the finding pages are written from.
std::map<std::string, CodeEntry> FindingCodes() {
  std::ifstream in(std::string(testing::SourceDir()) + "/check/finding_codes.txt");
  std::map<std::string, CodeEntry> codes;
  std::string line, code;
  while (std::getline(in, line)) {
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      code = line.substr(1, line.size() - 2);
      codes[code];
    } else if (!code.empty() && line.rfind("severity = ", 0) == 0) {
      codes[code].severity = line.substr(11);
    } else if (!code.empty() && line.rfind("message =", 0) == 0) {
      codes[code].message = line.size() > 10 ? line.substr(10) : "";
    }
  }
  return codes;
}

/// 101 records of section C whose first value is read in part: one finding more than are listed.
std::string ManyPartNumbers() {
  std::string text = "C,12345678001,x,101\n";
  for (int i = 0; i < 101; ++i) text += "1,1,1,1.15a,4,30\n";
  return Cp932Lines(text);
}

TEST(CheckerTest, EachFindingHasItsCodeSeverityAndPlace) {
  struct Row {
    const char* code;
    std::string bytes;
    Severity severity;
    char32_t section;
    int record, value;
    long long line, column;
    Patdat patdat = Patdat::kSample;
  };
  const std::string bad = std::string("B,12345678001,x\r\n1\r\nB,1,1,1.0,0,\xFF,H,\r\n");
  const std::string twoCodes = std::string("B,12345678001,x\r\n1\r\nB,1,1,1.0,0,\xFA\x54,H,\r\n");
  const Row rows[] = {
      {"T101", SectionB("2", "B,1,1,1.0,0,砂,H,\n"), Severity::kError, U'B', 0, 0, 4, 1},
      {"T102", SectionB("-1", ""), Severity::kError, U'B', 0, 0, 2, 1},
      {"T103", Cp932Lines("F,12345678001,x,1,0\nF,1,0,1.00,2.00,1E39\n"), Severity::kError, U'F', 1,
       3, 2, 17},
      {"T104", SectionB("1", "B,1,1,21E408.8,0,砂,H,\n"), Severity::kError, U'B', 1, 1, 3, 7},
      {"T105", ManyGhRecords(), Severity::kError, U'H', 0, 0, 16386, 7},
      {"T106", Cp932Lines("B,1234,x\n"), Severity::kError, 0, 0, 0, 1, 3},
      {"T108", std::string("\xEF\xBB\xBF") + "B,12345678001,x\r\n1\r\nB,1,1,1.0,0,砂,H,\r\n",
       Severity::kWarning, 0, 0, 0, 1, 1},
      {"T109", Cp932Lines("B,12345678002,x\n0\n"), Severity::kWarning, 0, 0, 0, 1, 1},
      {"T201", SectionB("1", "B,1,1,1.0,0,砂,H,\nB,2,1,2.0,0,砂,H,\nC,x,y,0\n"), Severity::kWarning,
       U'B', 0, 0, 2, 1},
      {"T202", SectionB("2", "B,1,1,1.0,0,砂,H,\nC,x,y,1\n1,1,1,1.15,4,30\n"), Severity::kWarning,
       U'B', 0, 0, 2, 1},
      {"T203", SectionB("1", "B,1,1,1.0,0,砂,H,\nA\n"), Severity::kWarning, U'A', 0, 0, 4, 1},
      {"T204", SectionB("1", "B,1,1,1.0,0,砂,H,\nZ\n"), Severity::kWarning, 0, 0, 0, 4, 1},
      {"T301", SectionB("1", "B,1,1,12a,0,砂,H,\n"), Severity::kWarning, U'B', 1, 1, 3, 7},
      {"T302", SectionB("1", "B,1,1,１．０,0,砂,H,\n"), Severity::kWarning, U'B', 1, 1, 3, 7},
      {"T303", Cp932Lines("E,12345678001,x,1\nE,1,0,,1,2,3\n"), Severity::kWarning, U'E', 1, 1, 2,
       7},
      {"T304", Cp932Lines("C,12345678001,x,1.5\n1,1,1,1.15,4,30\n1,1,1,2.15,4,30\n"),
       Severity::kWarning, U'C', 0, 0, 1, 17},
      {"T305", Cp932Lines("C,12345678001,x,1\n1,1,1,1.15,1E-400,30\n"), Severity::kInfo, U'C', 1, 2,
       2, 12},
      {"T401", SectionB("2", "B,1,1,2.0,0,砂,H,\nB,2,1,1.0,0,砂,H,\n"), Severity::kWarning, U'B', 2,
       1, 4, 7},
      {"T402", SectionB("2", "B,1,1,1.0,0,砂,H,\nB,2,1,1.0,0,礫,H,\n"), Severity::kWarning, U'B', 2,
       1, 4, 7},
      {"T403", SectionB("1", "B,1,1,-1.0,0,砂,H,\n"), Severity::kWarning, U'B', 1, 1, 3, 7},
      {"T404", SectionB("1", "B,1,1,1.0,0,砂,H,\nD,x,y,1\n" + DRecord("1,2.0,2.5")),
       Severity::kWarning, U'D', 1, 2, 5, 9},
      {"T405", Cp932Lines("D,12345678001,x,1\n" + DRecord("1,2.0,1.5")), Severity::kWarning, U'D',
       1, 3, 2, 13},
      {"T406", Cp932Lines("E,12345678001,x,2\nE,1,0,2.0,1,2,3\nE,2,0,1.0,1,2,3\n"),
       Severity::kWarning, U'E', 2, 1, 3, 7},
      {"T407", Cp932Lines("G,12345678001,x,1\nG,1,0,2.0,1.0,3\n"), Severity::kWarning, U'G', 1, 2,
       2, 11},
      {"T408", Cp932Lines("H,12345678001,x,2\nH,1,0,1.0,3.0,1\nH,2,0,2.0,4.0,1\n"),
       Severity::kWarning, U'H', 2, 1, 3, 7},
      {"T501", SectionB("1", "B,1,1,1.0,0,謎の土,H,\n"), Severity::kWarning, U'B', 1, 2, 3, 11},
      {"T502", SectionB("1", "B,1,1,1.0,0,砂,1,\n"), Severity::kWarning, U'B', 1, 4, 3, 15},
      {"T503", SectionAWithL2Code("99"), Severity::kWarning, U'A', 0, 25, 1, 61},
      {"T504", SectionAWithL2Code("1"), Severity::kWarning, U'A', 0, 25, 1, 61, Patdat::kWithoutL2},
      {"T505", SectionB("1", "B,1,1,1.0,0,砂,H,\n"), Severity::kInfo, 0, 0, 0, 1, 1, Patdat::kNone},
      {"T601", bad, Severity::kWarning, 0, 0, 0, 3, 13},
      {"T602", twoCodes, Severity::kInfo, 0, 0, 0, 3, 13},
      {"T306", Cp932Lines("C,12345678001,x,1\n1,1,1,1.15,49,1E309\n"), Severity::kWarning, U'C', 1,
       3, 2, 15},
      {"T900", ManyPartNumbers(), Severity::kInfo, 0, 0, 0, 103, 1},
  };
  const std::map<std::string, CodeEntry> codes = FindingCodes();
  ASSERT_FALSE(codes.empty());
  std::set<std::string> untested;
  for (const auto& [code, entry] : codes) untested.insert(code);
  for (const Row& row : rows) {
    const FileCheck check = Check(row.bytes, row.patdat);
    const Finding* found = nullptr;
    for (const Finding& f : check.findings) {
      if (f.code == row.code) found = &f;
    }
    ASSERT_NE(found, nullptr) << row.code;
    EXPECT_EQ(found->severity, row.severity) << row.code;
    EXPECT_EQ(found->section, row.section) << row.code;
    EXPECT_EQ(found->record, row.record) << row.code;
    EXPECT_EQ(found->value, row.value) << row.code;
    EXPECT_EQ(found->line, row.line) << row.code;
    EXPECT_EQ(found->column, row.column) << row.code;
    EXPECT_FALSE(found->message.empty()) << row.code;
    // The finding pages are written from the table: it must say what the checker does.
    ASSERT_EQ(codes.count(row.code), 1u) << row.code << " is missing from finding_codes.txt";
    EXPECT_EQ(codes.at(row.code).severity, SeverityName(row.severity)) << row.code;
    EXPECT_EQ(codes.at(row.code).message, ToUtf8(found->message)) << row.code;
    // Counted only (--verbose), from a sparser look at the fields: the same numbers.
    const FileCheck counted = Check(row.bytes, row.patdat, true);
    EXPECT_TRUE(counted.findings.empty()) << row.code;
    for (const Severity severity : {Severity::kError, Severity::kWarning}) {
      EXPECT_EQ(counted.Count(severity), check.Count(severity)) << row.code;
    }
    untested.erase(row.code);
  }
  untested.erase("T100");  // no input raises it
  untested.erase("T107");  // a missing file: a test of its own
  untested.erase("T110");  // a selection's files together: the check command's test
  EXPECT_TRUE(untested.empty()) << "codes of finding_codes.txt without a row: "
                                << ::testing::PrintToString(untested);
}

// A full-width exponent letter is the exponent rule's in an exponent value (D's values 22 and
// 23) and passes unchecked there, unless its plain reading leaves the range; anywhere else the
// value is read in part.
TEST(CheckerTest, FullWidthExponentLettersAreLookedAtWhereTheyMatter) {
  const std::string longDigits(400, '1');
  const std::pair<std::string, std::vector<std::string>> rows[] = {
      {"1.5Ｅ3" + std::string(19, ','), {"T301"}},             // value 4: a plain number
      {std::string(18, ',') + "9.99Ｅ-9,", {}},                // value 22
      {std::string(18, ',') + "-9.99ｅ-9,", {}},               // value 22, lower case
      {std::string(18, ',') + longDigits + "Ｅ5,", {"T103"}},  // value 22, beyond range
  };
  for (const auto& [values, expected] : rows) {
    const std::string bytes = Cp932Lines("D,12345678001,x,1\nD,1,1,1,2.0,2.5," + values + "\n");
    for (const bool countOnly : {false, true}) {
      const FileCheck check = Check(bytes, Patdat::kSample, countOnly);
      std::vector<std::string> codes;
      for (const Finding& f : check.findings) {
        if (f.severity != Severity::kInfo) codes.push_back(f.code);
      }
      if (!countOnly) {
        EXPECT_EQ(codes, expected) << values.substr(0, 40);
      }
      EXPECT_EQ(check.Count(Severity::kError) + check.Count(Severity::kWarning),
                static_cast<int>(expected.size()))
          << values.substr(0, 40) << countOnly;
    }
  }
}

TEST(CheckerTest, FilesCutShortAreReportedNotThrown) {
  const std::string rows[] = {
      "",
      "B",
      "B,12345678001,x\n2\nB,1,1,1.0,0,a,H,",  // ends in the empty field a comma promised
      "E,12345678001,x,2,",
      "B,12345678001,x\n1\nB,1,1,1.0,0,a,H,\n,,",
  };
  for (const std::string& bytes : rows) {
    testing::MemoryFileSystem fs;
    EXPECT_NO_THROW(CheckTecrisBytes(fs, U"/f.001", bytes, CheckSettings{})) << bytes;
  }
}

// A picture's notes come from a check of the depths alone: the same depth findings as the whole
// check, none of the others.
TEST(CheckerTest, DepthsOnlyFindsTheDepthFindingsOfTheWholeCheck) {
  const std::string files[] = {
      SectionB("4",
               "B,1,1,2.0,1300,砂,H,\nB,2,1,1.0,1600,粘性土,QQ,\nB,3,1,1.0,x,砂,H,\n"
               "B,4,1,-1,1300,砂,H,\n") +
          "D,12345678001,x\n1\n" + DRecord("1,50.5,50.8"),
      "G,12345678001,x,3\nG,1,0,1.00,3.00,1\nG,2,0,2.00,4.00,2\nG,3,0,5.00,4.50,x\n",
  };
  const auto depthFindings = [](const FileCheck& check, bool others) {
    std::vector<std::string> texts;
    for (const Finding& f : check.findings) {
      if ((f.code.rfind("T40", 0) == 0) != others) texts.push_back(f.code + ToUtf8(f.message));
    }
    return texts;
  };
  for (const std::string& bytes : files) {
    testing::MemoryFileSystem fs = FileSystemWith(Patdat::kSample);
    CheckSettings settings{U"/patdat/", PathStyle::kPosix};
    const FileCheck whole = CheckTecrisBytes(fs, U"/in/12345678.001", bytes, settings);
    settings.depthsOnly = true;
    const FileCheck depths = CheckTecrisBytes(fs, U"/in/12345678.001", bytes, settings);
    EXPECT_GE(depthFindings(whole, false).size(), 2u) << bytes;
    EXPECT_FALSE(depthFindings(whole, true).empty()) << bytes;
    EXPECT_EQ(depthFindings(depths, false), depthFindings(whole, false)) << bytes;
    for (const std::string& other : depthFindings(depths, true)) {
      EXPECT_EQ(other.rfind("T50", 0), std::string::npos) << other;
      EXPECT_EQ(other.rfind("T30", 0), std::string::npos) << other;
    }
  }
}

TEST(CheckerTest, AMissingFileIsAnError) {
  testing::MemoryFileSystem fs;
  const FileCheck check = CheckTecrisFile(fs, U"/nowhere.001", CheckSettings{});
  ASSERT_EQ(check.findings.size(), 1u);
  EXPECT_EQ(check.findings[0].code, "T107");
  EXPECT_EQ(check.findings[0].severity, Severity::kError);
  EXPECT_EQ(FindingCodes()["T107"].severity, "error");
}

TEST(CheckerTest, TheExamplesHaveNoErrors) {
  struct Row {
    const char* name;
    int warnings;
  };
  // 12345678.003 has a section D sample below its deepest layer.
  const Row rows[] = {{"12345678.001", 0}, {"12345678.002", 0}, {"12345678.003", 1},
                      {"12345678.004", 0}, {"12345678.005", 0}, {"12345678.006", 0}};
  RealFileSystem fs;
  const CheckSettings settings{
      FromUtf8(std::string(testing::SourceDir()) + "/examples/sample-patdat/"), HostPathStyle()};
  for (const Row& row : rows) {
    const FileCheck check = CheckTecrisFile(
        fs, FromUtf8(std::string(testing::SourceDir()) + "/examples/" + row.name), settings);
    EXPECT_EQ(check.Count(Severity::kError), 0) << row.name;
    EXPECT_EQ(check.Count(Severity::kWarning), row.warnings) << row.name;
  }
}

// A value is an error exactly where the conversion evaluates it; check mode and the conversion
// agree by construction: the conversion fails with check mode's first error, text and all.
TEST(CheckerTest, NumbersBeyondRangeAreErrorsWhereTheConversionUsesThem) {
  struct Row {
    const char* name;
    std::string file;
    const char* code;  ///< the finding; an error also fails the conversion with its text
    int record, value;
  };
  const std::string c = "C,12345678001,x,1\n";
  const std::string f = "F,12345678001,x,1,0\n";
  const std::string d = "D,12345678001,x,1\n";
  const std::string b = "B,12345678001,x\n2\n";
  const std::string g = "G,12345678001,x,1,G,";
  const Row rows[] = {
      {"C third value beside 50", c + "1,1,1,1.15,50,1E309\n", "T104", 1, 3},
      {"C third value beside 49", c + "1,1,1,1.15,49,1E309\n", "T306", 1, 3},
      {"B soil code of a layer", b + "B,1,1,1.0,1E309,砂,H,\nB,2,1,2.0,0,礫,H,\n", "T104", 1, 2},
      {"B depth merged into the next", b + "B,1,1,1E309,0,砂,H,\nB,2,1,2.0,0,砂,H,\n", "T306", 1,
       1},
      {"B depth ending a layer", b + "B,1,1,1.0,0,砂,H,\nB,2,1,1E309,0,砂,H,\n", "T104", 2, 1},
      {"F kind field", "F,12345678001,x,1,1E309\nF,1,0,1,2,3\n", "T104", 0, 0},
      {"F exponent rule gives a number", f + "F,1,0,1,2,31E4079E-4\n", "T306", 1, 3},
      {"F exponent beyond single precision", f + "F,1,0,1,2,1E39\n", "T103", 1, 3},
      {"F mantissa 0", f + "F,1,0,1,2,0E999\n", nullptr, 0, 0},
      {"D depth as a key", d + "D,1,1,1,3.5E38,4" + std::string(20, ',') + "\n", "T104", 1, 2},
      {"D value 19 without 18", d + "D,1,1,1,1,2" + std::string(16, ',') + "1E309,,,,\n", "T306", 1,
       19},
      {"D value 19 beside 18", d + "D,1,1,1,1,2" + std::string(15, ',') + "5,1E309,,,,\n", "T104",
       1, 19},
      {"G start compared with H", g + "1,0,1E39,2,3\nH,x,y,1,H,1,0,1,2,3\n", "T104", 1, 1},
      {"G start not compared", g + "1,0,1E39,2,3\n", nullptr, 0, 0},
      {"H end the merge leaves", g + "1,0,1,2,3\nH,x,y,1,H,1,0,1,1E309,3\n", "T306", 1, 2},
      {"H end the merge uses", g + "1,0,1,2,3\nH,x,y,1,H,1,0,5,1E309,3\n", "T104", 1, 2},
  };
  for (const Row& row : rows) {
    testing::MemoryFileSystem fs = FileSystemWith(Patdat::kSample);
    fs.AddFile(U"/in/12345678.001", Cp932Lines(row.file));
    fs.MakeFolder(U"/out");
    const FileCheck check =
        CheckTecrisFile(fs, U"/in/12345678.001", CheckSettings{U"/patdat/", PathStyle::kPosix});
    const Finding* found = nullptr;
    const Finding* firstError = nullptr;
    for (const Finding& finding : check.findings) {
      if (row.code != nullptr && finding.code == row.code && found == nullptr) found = &finding;
      if (finding.severity == Severity::kError && firstError == nullptr) firstError = &finding;
    }
    const FileReport report = ConvertFile(U"/in/12345678.001", U"/out",
                                          RunEnvironment{fs, U"/patdat/", PathStyle::kPosix});
    if (row.code == nullptr) {
      EXPECT_EQ(firstError, nullptr) << row.name;
      EXPECT_EQ(report.error, U"") << row.name;
      continue;
    }
    ASSERT_NE(found, nullptr) << row.name;
    EXPECT_EQ(found->record, row.record) << row.name;
    EXPECT_EQ(found->value, row.value) << row.name;
    const bool error = found->severity == Severity::kError;
    EXPECT_EQ(error, row.code[1] == '1') << row.name;
    EXPECT_EQ(report.outcome, error ? FileOutcome::kFailed : FileOutcome::kConverted) << row.name;
    if (error) {
      EXPECT_EQ(report.error, firstError->message) << row.name;
    }
  }
}

TEST(CheckerTest, FindingsOfOneCodeStopAtTheLimitAndAreCounted) {
  std::string text = "E,12345678001,x,150\n";
  for (int r = 0; r < 150; ++r) text += "E,1,0,1.0,1a,2,3\n";
  const FileCheck check = Check(Cp932Lines(text));
  EXPECT_EQ(check.Count(Severity::kWarning), 150);
  int kept = 0;
  for (const Finding& finding : check.findings) kept += finding.code == "T301" ? 1 : 0;
  EXPECT_EQ(kept, kFindingsPerCode);
  ASSERT_FALSE(check.findings.empty());
  EXPECT_EQ(check.findings.back().code, "T900");
  EXPECT_NE(check.findings.back().message.find(U"T301 の指摘はほかに 50 件"), Text::npos);
}

TEST(CheckerTest, LinesEndAtLfCrLfOrCrAndColumnsCountCharacters) {
  struct Row {
    std::string bytes;
    std::uint64_t offset;
    long long line, column;
  };
  const Row rows[] = {
      {"ab\ncd", 4, 2, 2},     {"ab\r\ncd", 5, 2, 2},          {"ab\rcd", 4, 2, 2},
      {"a\r\n\r\nb", 5, 3, 1}, {"\x82\xA0\x82\xA2x", 4, 1, 3},  // two double-byte characters
      {"\xFF\xFFx", 2, 1, 3},                                   // one column per invalid byte
      {"\"a\nb\",c", 6, 2, 4},  // a line end inside quotes still ends a line
  };
  for (const Row& row : rows) {
    std::vector<Finding> findings(1);
    findings[0].offset = row.offset;
    PlaceFindings(row.bytes, findings);
    EXPECT_EQ(findings[0].line, row.line) << row.bytes;
    EXPECT_EQ(findings[0].column, row.column) << row.bytes;
  }
}

// The check keeps the offsets of fields and finds a line and column only for a finding: they must
// be those a walk over the bytes up to the offset gives, whatever the line ends and the characters
// before, in a file read in many pieces whose first lines are let go once a later section begins.
TEST(CheckerTest, FindingsArePlacedAsTheBytesBeforeThemSay) {
  const std::string ends[] = {"\n", "\r\n", "\r"};
  for (int pattern = 0; pattern < 4; ++pattern) {
    const auto end = [&](int r) { return pattern < 3 ? ends[pattern] : ends[r % 3]; };
    std::string bytes = "C,12345678001,x,20000" + end(0);
    for (int r = 1; r <= 20000; ++r) {
      // Now and then a character of two bytes or an invalid byte, then a value read in part.
      std::string first = "1";
      std::string depth = std::to_string(r) + ".5";
      if (r % 997 == 0) first = "\x82\xA0", depth += "a";
      if (r % 1009 == 0) first = "\xFF", depth += "a";
      bytes += first + ",200.25,300.25," + depth + "," + (r % 1500 == 0 ? "x" : "12.50") +
               ",28.75" + end(r);
    }
    bytes += "E,12345678001,y,2" + end(0) + "E,1,0,1.5,x,1,1" + end(1) +
             "E,2,0,3.5,\x82\xA0"
             "2,1,1" +
             end(2);
    const FileCheck check = Check(bytes);
    std::vector<Finding> placed = check.findings;
    PlaceFindings(bytes, placed);
    std::set<std::string> codes;
    for (std::size_t i = 0; i < placed.size(); ++i) {
      if (check.findings[i].code == "T900") continue;  // placed at the end by its own rule
      codes.insert(check.findings[i].code);
      EXPECT_EQ(check.findings[i].line, placed[i].line) << pattern << " " << i;
      EXPECT_EQ(check.findings[i].column, placed[i].column) << pattern << " " << i;
    }
    EXPECT_EQ(codes, (std::set<std::string>{"T301", "T302", "T601"})) << pattern;
  }
}

}  // namespace
}  // namespace tecris2nx

namespace tecris2nx {
namespace {

TEST(CheckerTest, WhatFollowsTheLastSectionIsReportedAsAfterAnyOther) {
  const std::string g = "G,12345678001,x,1,0\nG,1,0,1.0,2.0,3\n";
  const std::string h = "H,12345678001,x,1\nH,1,0,1.0,2.0,1\n";
  const std::pair<std::string, bool> rows[] = {
      {g + "Z\n", true}, {g + h + "Z\n", true},       {g + h + "\n\n", false},
      {g + h, false},    {g + h + "\n\nZ,1\n", true}, {g + h + h, true},
  };
  for (const auto& [text, reported] : rows) {
    const FileCheck check = Check(Cp932Lines(text));
    const bool found =
        std::any_of(check.findings.begin(), check.findings.end(),
                    [](const Finding& f) { return f.code == "T204" || f.code == "T203"; });
    EXPECT_EQ(found, reported) << text;
  }
}

}  // namespace
}  // namespace tecris2nx
