#include "app/cli/output_sink.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"

namespace tecris2nx {
namespace {

/// A stream that records what reached it; ANSI bytes are marked so that the form shows.
class RecordingCalls : public StreamCalls {
 public:
  explicit RecordingCalls(bool console) : console_(console) {}
  bool IsConsole() override { return console_; }
  bool WriteConsoleText(const Text& text) override {
    writes.push_back("console:" + ToUtf8(text));
    return true;
  }
  bool WriteBytes(std::string_view bytes) override {
    writes.push_back("bytes:" + std::string(bytes));
    return true;
  }
  std::string AnsiBytes(const Text& text) override { return "ansi(" + ToUtf8(text) + ")"; }

  std::vector<std::string> writes;

 private:
  bool console_;
};

TEST(OutputSinkTest, FormFollowsTheStreamAndJson) {
  struct Row {
    bool console;
    bool json;
    std::vector<std::string> writes;
  };
  const Row rows[] = {
      {true, false, {"console:変換できません\n"}},
      {true, true, {"console:変換できません\n"}},
      {false, false, {"bytes:ansi(変換できません\n)"}},
      {false, true, {"bytes:変換できません\n"}},
  };
  for (const Row& r : rows) {
    RecordingCalls calls(r.console);
    {
      OutputSink sink(calls, r.json);
      std::ostream stream(&sink);
      stream << "変換"
             << "できません" << '\n';
    }
    EXPECT_EQ(calls.writes, r.writes) << r.console << r.json;
  }
}

TEST(OutputSinkTest, ACharacterCutBetweenFlushesWaitsUntilWhole) {
  RecordingCalls calls(true);
  OutputSink sink(calls, false);
  std::ostream stream(&sink);
  const std::string text = "ファイル";  // three bytes each
  stream << text.substr(0, 4) << std::flush;
  stream << text.substr(4) << std::flush;
  EXPECT_EQ(calls.writes, (std::vector<std::string>{"console:フ", "console:ァイル"}));
}

TEST(OutputSinkTest, WholeUtf8Prefix) {
  struct Row {
    std::string bytes;
    std::size_t whole;
  };
  const Row rows[] = {
      {"", 0},
      {"ab", 2},
      {"a\xE3", 1},
      {"a\xE3\x83", 1},
      {"a\xE3\x83\x95", 4},
      {"\xF0\x9F\x98", 0},
      {"\xF0\x9F\x98\x80", 4},
      {"a\x80", 2},
  };
  for (const Row& r : rows) EXPECT_EQ(WholeUtf8Prefix(r.bytes), r.whole) << r.bytes.size();
}

TEST(OutputSinkTest, OnlyCheckJsonIsJson) {
  const std::vector<std::vector<std::string>> json = {{"check", "--json", "a.001"},
                                                      {"check", "a.001", "--json"}};
  const std::vector<std::vector<std::string>> notJson = {
      {"check", "a.001"},        {"-o", "out", "--json"},
      {"check", "--", "--json"}, {"check", "--json", "--help"},
      {"check", "--json"},  // a usage error: the usage text goes to the error stream
  };
  for (const auto& args : json) EXPECT_TRUE(WritesJson(args)) << ::testing::PrintToString(args);
  for (const auto& args : notJson) EXPECT_FALSE(WritesJson(args)) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace tecris2nx
