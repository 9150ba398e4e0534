#include "common/temporary_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/file_system.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

/// Process 100 has ended, 200 runs since time 5, 300 runs and its start cannot be read.
ProcessState FakeState(std::uint64_t process) {
  if (process == 200) return {true, 5};
  if (process == 300) return {true, std::nullopt};
  return {};
}

std::string Temporary(const TemporaryOwner& owner) {
  return "X1.txt.1c113ae6b748d893." + OwnerMark(owner) + kTemporarySuffix;
}

TEST(TemporaryFilesTest, OnlyFilesOfRunsThatEndedAreLeftovers) {
  const TemporaryOwner self{0xab12, 400, 9};
  struct Row {
    std::string name;
    bool leftover;
  };
  const Row rows[] = {
      {Temporary({0xab12, 100, 3}), true},   // its process has ended
      {Temporary({0xab12, 200, 4}), true},   // its id now belongs to a later process
      {Temporary({0xab12, 200, 5}), false},  // still running
      {Temporary({0xab12, 300, 4}), false},  // running, start unknown: may be the writer
      {Temporary({0xab12, 400, 9}), false},  // this run's own
      {Temporary({0xab12, 400, 2}), true},   // an earlier process with this run's id
      {Temporary({0xcd34, 100, 3}), false},  // another machine's, on a shared folder
      {"X1.txt.1c113ae6b748d893.tecris2nx-part", false},  // written before names had a run
      {"X1.txt.1c113ae6b748d893.0000ab12-100-3", false},  // not a temporary file
      {"X1.txt.0000ab12-100-x.tecris2nx-part", false},
      {"X1.txt.0000ab12--3.tecris2nx-part", false},
      {"X1.txt.ab12-100-3.tecris2nx-part", false},
      {"0000ab12-100-3.tecris2nx-part", false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(IsLeftoverTemporary(r.name, self, FakeState), r.leftover) << r.name;
  }
}

TEST(TemporaryFilesTest, AJobFolderUsedAgainLosesTheLeftoversOfEndedRunsOnly) {
  testing::TempDir tmp;
  const TemporaryOwner self = ThisRun();
  TemporaryOwner ended = self;
  ended.started = self.started + 1;  // this process id, at another start: that run has ended
  const std::string mine = Temporary(self);
  const std::string left = Temporary(ended);
  for (const std::string& name : {std::string("X1.txt"), mine, left}) tmp.Write("job/" + name, "");
  RealFileSystem fs;
  fs.MakeFolder(tmp.TextOf("job"));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(tmp.path() / "job")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"X1.txt", mine}));
}

}  // namespace
}  // namespace tecris2nx
