// Output folders that are shared, hostile or odd, through the built program: nothing is written
// through a link, each file is wholly one run's, and an unreadable input says why.
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/file_system.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;
using testing::TempDir;

using testing::kPatdat;
using testing::kSource;

/// Starts tecris2nx converting the inputs into the output folder, stderr into a file.
pid_t Start(const std::vector<std::string>& inputs, const std::string& output,
            const std::string& errors) {
  const pid_t child = fork();
  if (child == 0) {
    if (!std::freopen(errors.c_str(), "w", stderr)) _exit(126);
    std::vector<std::string> args = {testing::ProgramPath(), "--patdat", kPatdat, "-o", output};
    args.insert(args.end(), inputs.begin(), inputs.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(testing::ProgramPath(), argv.data());
    _exit(127);
  }
  return child;
}

int Finish(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/// Every entry below a folder whose name marks a temporary file.
std::vector<std::string> Temporaries(const std::filesystem::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.path().filename().string().ends_with(kTemporarySuffix)) {
      found.push_back(entry.path().string());
    }
  }
  return found;
}

TEST(OutputSafetyTest, HostileOrOddFoldersAndInputs) {
  const std::string onlyD = Cp932Lines(
      "D,12345678001,x\n1\nD,1,1,1,0.50,0.80,1.85,2.65,32.5,1.05,12,35,40,13,45.2,"
      "38.1,2.2,2.68,1,15,28,30,1.6,0.92,1.5E-05,2.3\n");
  struct Row {
    const char* label;
    std::function<void(const TempDir&)> setUp;
    std::string input;   ///< below the test folder
    std::string output;  ///< below the test folder
    int status;
    std::string message;                        ///< part of stderr
    std::function<void(const TempDir&)> check;  ///< what must hold afterwards
  };
  const Row rows[] = {
      {"job folder that is a link",
       [](const TempDir& tmp) {
         tmp.Write("in/12345678.001", Cp932Lines("C,12345678001,y,1\n1,2,3,1.5,12,28\n"));
         tmp.Write("elsewhere/kept", "");
         tmp.Write("out/other", "");
         std::filesystem::create_directory_symlink(tmp.path() / "elsewhere",
                                                   tmp.path() / "out/12345678001");
       },
       "in/12345678.001", "out", 1, "シンボリックリンクがあります",
       [](const TempDir& tmp) {
         EXPECT_FALSE(tmp.Exists("elsewhere/X5.txt"));
         EXPECT_TRUE(Temporaries(tmp.path() / "elsewhere").empty());
       }},
      {"X1.txt that is a link, read back for section D",
       [&onlyD](const TempDir& tmp) {
         tmp.Write("in/12345678.001", onlyD);
         tmp.Write("secret", "1,SECRET,2\r\n");
         tmp.Write("out/12345678001/X100.txt", "old");
         std::filesystem::create_symlink(tmp.path() / "secret",
                                         tmp.path() / "out/12345678001/X1.txt");
       },
       "in/12345678.001", "out", 1, "シンボリックリンクはたどりません",
       [](const TempDir& tmp) { EXPECT_EQ(tmp.Read("out/12345678001/X100.txt"), "old"); }},
      {"a pipe as input",
       [](const TempDir& tmp) {
         std::filesystem::create_directories(tmp.path() / "in");
         ASSERT_EQ(mkfifo((tmp.path() / "in/12345678.001").c_str(), 0600), 0);
       },
       "in/12345678.001", "out", 1, "通常のファイルではありません", nullptr},
      {"folder names in CP932",
       [](const TempDir& tmp) {
         tmp.Write("in\x95\xCF\x8A\xB7/12345678.001",
                   Cp932Lines("C,12345678001,y,1\n1,2,3,1.5,12,28\n"));
       },
       "in\x95\xCF\x8A\xB7/12345678.001", "out\x8F\x6F", 0, "",
       [](const TempDir& tmp) { EXPECT_TRUE(tmp.Exists("out\x8F\x6F/12345678001/X5.txt")); }},
  };
  for (const Row& r : rows) {
    TempDir tmp;
    r.setUp(tmp);
    const std::string errors = (tmp.path() / "stderr.txt").string();
    const int status =
        Finish(Start({(tmp.path() / r.input).string()}, (tmp.path() / r.output).string(), errors));
    EXPECT_EQ(status, r.status) << r.label;
    const std::string message = ReadFile(errors);
    EXPECT_NE(message.find(r.message), std::string::npos) << r.label << ": " << message;
    EXPECT_EQ(message.find("識別子"), std::string::npos) << r.label << ": " << message;
    if (r.check) r.check(tmp);
    EXPECT_TRUE(Temporaries(tmp.path()).empty()) << r.label;
  }
}

TEST(OutputSafetyTest, TwoRunsIntoOneFolderEachLeaveWholeFiles) {
  // Two versions of one job: every file written must be wholly one of them.
  TempDir tmp;
  const std::string first = ReadFile(kSource + "/examples/12345678.006");
  std::string second = first;
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"2.10,1", "3.10,1"},
                                 {"B,1,1,0.30", "B,1,1,0.40"},
                                 {"1,1,1,1.15", "1,1,1,1.25"},
                                 {"D,1,1,1,0.50", "D,1,1,1,0.60"}}) {
    ASSERT_NE(second.find(from), std::string::npos) << from;
    second.replace(second.find(from), from.size(), to);
  }
  tmp.Write("a/12345678.006", first);
  tmp.Write("b/12345678.006", second);
  const std::string a = (tmp.path() / "a/12345678.006").string();
  const std::string b = (tmp.path() / "b/12345678.006").string();
  const std::string errors = (tmp.path() / "stderr.txt").string();
  ASSERT_EQ(Finish(Start({a}, (tmp.path() / "want-a").string(), errors)), 0);
  ASSERT_EQ(Finish(Start({b}, (tmp.path() / "want-b").string(), errors)), 0);
  const auto job = std::filesystem::path("12345678006");
  for (int round = 0; round < 4; ++round) {
    const std::string out = (tmp.path() / ("out" + std::to_string(round))).string();
    // Both create the output folder, the job folder and every file at the same moment.
    const pid_t one = Start({a, a, a}, out, errors + "1");
    const pid_t two = Start({b, b, b}, out, errors + "2");
    EXPECT_EQ(Finish(one), 0) << ReadFile(errors + "1");
    EXPECT_EQ(Finish(two), 0) << ReadFile(errors + "2");
    for (const auto& entry : std::filesystem::directory_iterator(tmp.path() / "want-a" / job)) {
      const auto name = entry.path().filename();
      const std::string got = ReadFile(std::filesystem::path(out) / job / name);
      EXPECT_TRUE(got == ReadFile(entry.path()) ||
                  got == ReadFile(tmp.path() / "want-b" / job / name))
          << name << " in round " << round;
    }
    EXPECT_TRUE(Temporaries(out).empty());
  }
}

TEST(OutputSafetyTest, AnInterruptedBatchFinishesItsFilesAndLeavesNoTemporary) {
  struct Row {
    int signal;
    int status;  ///< 128 + the signal; 128 stands for "killed" here
  };
  const Row rows[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}, {SIGKILL, 128}};
  const std::string example = ReadFile(kSource + "/examples/12345678.006");
  constexpr int kFiles = 3000;
  // The inputs are only read: written once for every row.
  TempDir source;
  std::vector<std::string> inputs;
  for (int i = 0; i < kFiles; ++i) {
    const std::string id = std::to_string(20000000 + i) + std::to_string(100 + i % 900);
    const std::string name = "in/" + id.substr(0, 8) + "." + id.substr(8);
    std::string bytes = example;
    bytes.replace(bytes.find("12345678006"), 11, id);
    source.Write(name, bytes);
    inputs.push_back((source.path() / name).string());
  }
  for (const Row& r : rows) {
    TempDir tmp;
    const std::filesystem::path out = tmp.path() / "out";
    const std::string errors = (tmp.path() / "stderr.txt").string();
    const pid_t child = Start(inputs, out.string(), errors);
    // Signalled once the batch is writing, long before its end.
    const auto jobs = [&] {
      std::error_code ec;
      std::size_t count = 0;
      for (std::filesystem::directory_iterator it(out, ec), end; !ec && it != end;
           it.increment(ec)) {
        ++count;
      }
      return count;
    };
    for (int wait = 0; wait < 2000 && jobs() < 5; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, r.signal);
    const int status = Finish(child);
    EXPECT_EQ(status, r.status) << r.signal << ": " << ReadFile(errors);
    EXPECT_LT(jobs(), static_cast<std::size_t>(kFiles)) << r.signal;
    if (r.signal == SIGKILL) {
      // A killed run may leave temporary files: converting those jobs again removes them.
      std::vector<std::string> again;
      for (const std::string& found : Temporaries(out)) {
        const std::string job = std::filesystem::path(found).parent_path().filename().string();
        again.push_back(
            (source.path() / ("in/" + job.substr(0, 8) + "." + job.substr(8))).string());
      }
      if (!again.empty()) {
        EXPECT_EQ(Finish(Start(again, out.string(), errors)), 0);
      }
    } else {
      const std::string message = ReadFile(errors);
      EXPECT_NE(message.find("tecris2nx: 中断しました。3000 件のうち "), std::string::npos)
          << message;
      // Every file begun was written whole: each job folder holds all its files.
      for (const auto& job : std::filesystem::directory_iterator(out)) {
        const auto files = std::distance(std::filesystem::directory_iterator(job.path()),
                                         std::filesystem::directory_iterator());
        EXPECT_EQ(files, 11) << job.path();
      }
    }
    EXPECT_EQ(Temporaries(out), std::vector<std::string>{}) << r.signal;
  }
}

}  // namespace
}  // namespace tecris2nx
#endif
