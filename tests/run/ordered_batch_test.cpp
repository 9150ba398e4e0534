#include "run/ordered_batch.h"
#include "run/repeated_jobs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

using testing::TempDir;

/// What `finished` saw: the index and the error text ("" for none), in call order.
using Reports = std::vector<std::pair<std::size_t, std::string>>;

std::string ErrorText(std::exception_ptr error) {
  if (!error) return {};
  try {
    std::rethrow_exception(error);
  } catch (const ConversionError& e) {
    return ToUtf8(e.message());
  } catch (const std::exception& e) {
    return e.what();
  }
}

/// A small stand-in for a file's conversion: each file belongs to one of three jobs, bumps the
/// job's counter (reading what earlier files of the job left), writes a file of its own, reads
/// its own writes back, and file 5 fails after its first write.
class BatchTest : public ::testing::TestWithParam<int> {
 protected:
  static constexpr std::size_t kFiles = 12;

  Text Job(std::size_t i) const { return tmp.TextOf("J" + std::to_string(i % 3)); }

  void Convert(std::size_t i, FileTurn& turn) {
    FileSystem& fs = turn.fs();
    turn.ClaimJob(U"J" + DecimalText(static_cast<long long>(i % 3)));
    const Text job = Job(i);
    if (fs.KindOf(job) == EntryKind::kNone) fs.MakeFolder(job);
    EXPECT_EQ(fs.KindOf(job), EntryKind::kFolder);
    const Text counter = job + U"/count.txt";
    const int count = fs.KindOf(counter) == EntryKind::kFile ? std::stoi(fs.ReadAll(counter)) : 0;
    fs.WriteAll(counter, std::to_string(count + 1));
    const Text own = job + U"/file" + DecimalText(static_cast<long long>(i)) + U".txt";
    fs.WriteAll(own, "from " + std::to_string(i));
    // A file reads back what it wrote, held back or not.
    EXPECT_EQ(fs.KindOf(own), EntryKind::kFile);
    EXPECT_EQ(fs.ReadAll(own), "from " + std::to_string(i));
    EXPECT_EQ(fs.FileSize(own), static_cast<std::int64_t>(("from " + std::to_string(i)).size()));
    std::string streamed;
    for (auto source = fs.OpenForReading(own); source->ReadMore(streamed, 4);) {
    }
    EXPECT_EQ(streamed, "from " + std::to_string(i));
    if (i == 5) throw ConversionError(U"file 5 fails");
    fs.WriteAll(own + U".done", "");
  }

  Reports Run(int workers, std::size_t stopAt = kFiles) {
    Reports reports;
    ConvertInOrder(
        kFiles, workers, fs, [&](std::size_t i, FileTurn& turn) { Convert(i, turn); },
        [&](std::size_t i, std::exception_ptr error) {
          reports.emplace_back(i, ErrorText(error));
          return i != stopAt;
        });
    return reports;
  }

  TempDir tmp;
  RealFileSystem fs;
};

TEST_P(BatchTest, WritesAndReportsAsOneFileAfterAnother) {
  const Reports reports = Run(GetParam());
  ASSERT_EQ(reports.size(), kFiles);
  for (std::size_t i = 0; i < kFiles; ++i) {
    EXPECT_EQ(reports[i].first, i);
    EXPECT_EQ(reports[i].second, i == 5 ? "file 5 fails" : "");
  }
  // Every file of a job saw the ones before it: four files each.
  for (const char* job : {"J0", "J1", "J2"}) {
    EXPECT_EQ(tmp.Read(std::string(job) + "/count.txt"), "4");
  }
  // The failing file keeps what it wrote before it failed, and nothing after.
  EXPECT_EQ(tmp.Read("J2/file5.txt"), "from 5");
  EXPECT_FALSE(tmp.Exists("J2/file5.txt.done"));
  EXPECT_TRUE(tmp.Exists("J2/file11.txt.done"));
}

TEST_P(BatchTest, AStopLeavesEveryLaterFileUnwritten) {
  const Reports reports = Run(GetParam(), 4);
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(reports.back().first, 4u);
  for (std::size_t i = 0; i < kFiles; ++i) {
    const std::string own = "J" + std::to_string(i % 3) + "/file" + std::to_string(i) + ".txt";
    EXPECT_EQ(tmp.Exists(own), i <= 4) << own;
  }
  EXPECT_EQ(tmp.Read("J1/count.txt"), "2");  // files 1 and 4
}

TEST_P(BatchTest, AnExceptionFromTheReportStopsTheBatchAndIsPassedOn) {
  std::size_t calls = 0;
  EXPECT_THROW(ConvertInOrder(
                   kFiles, GetParam(), fs, [&](std::size_t i, FileTurn& turn) { Convert(i, turn); },
                   [&](std::size_t i, std::exception_ptr) -> bool {
                     ++calls;
                     if (i == 2) throw std::runtime_error("report failed");
                     return true;
                   }),
               std::runtime_error);
  EXPECT_EQ(calls, 3u);
  EXPECT_FALSE(tmp.Exists("J0/file3.txt"));
}

// A write that fails while a held-back file is written is that file's error; its later writes
// never happen, as if it had been written directly.
TEST_P(BatchTest, AFailingWriteEndsItsFileWhereverItWasHeld) {
  tmp.Write("out/1/b.txt/blocker", "");  // a folder where file 1 writes b.txt
  Reports reports;
  ConvertInOrder(
      3, GetParam(), fs,
      [&](std::size_t i, FileTurn& turn) {
        const Text folder = tmp.TextOf("out/" + std::to_string(i));
        if (turn.fs().KindOf(folder) == EntryKind::kNone) turn.fs().MakeFolder(folder);
        turn.fs().WriteAll(folder + U"/a.txt", "a");
        turn.fs().WriteAll(folder + U"/b.txt", "b");
        turn.fs().WriteAll(folder + U"/c.txt", "c");
      },
      [&](std::size_t i, std::exception_ptr error) {
        reports.emplace_back(i, ErrorText(error));
        return true;
      });
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].second, "");
  EXPECT_NE(reports[1].second, "");
  EXPECT_EQ(reports[2].second, "");
  EXPECT_EQ(tmp.Read("out/1/a.txt"), "a");
  EXPECT_FALSE(tmp.Exists("out/1/c.txt"));
  EXPECT_EQ(tmp.Read("out/2/c.txt"), "c");
}

/// The real file system, noting the size of every group of files written together.
class GroupRecorder : public RealFileSystem {
 public:
  void WriteAll(const Text& path, std::string_view bytes) override {
    groups.push_back(0);  // a single write by path
    RealFileSystem::WriteAll(path, bytes);
  }
  void WriteFiles(const Text& folder, const NamedFiles& files) override {
    groups.push_back(files.size());
    RealFileSystem::WriteFiles(folder, files);
  }
  std::unique_ptr<FileSet> BeginFiles(const Text& folder) override {
    return std::make_unique<RecordedSet>(RealFileSystem::BeginFiles(folder), groups);
  }
  std::vector<std::size_t> groups;

 private:
  /// A real set whose every commit is noted as one group.
  class RecordedSet : public FileSet {
   public:
    RecordedSet(std::unique_ptr<FileSet> real, std::vector<std::size_t>& groups)
        : real_(std::move(real)), groups_(groups) {}
    void Begin(const Text& name) override {
      names_.push_back(name);
      real_->Begin(name);
    }
    void Append(std::string_view bytes) override { real_->Append(bytes); }
    void Commit() override {
      groups_.push_back(names_.size());
      names_.clear();
      real_->Commit();
    }

   private:
    std::unique_ptr<FileSet> real_;
    std::vector<std::size_t>& groups_;
  };
};

// Files written together reach the file system in one call, held back or not, and are read
// back from where they are held; a failing one writes none of its group.
TEST_P(BatchTest, FilesWrittenTogetherStayTogether) {
  tmp.Write("out/1/b.txt/blocker", "");
  GroupRecorder recorder;
  Reports reports;
  ConvertInOrder(
      3, GetParam(), recorder,
      [&](std::size_t i, FileTurn& turn) {
        const Text folder = tmp.TextOf("out/" + std::to_string(i));
        turn.fs().MakeFolder(folder);
        turn.fs().WriteFiles(folder, {{U"a.txt", "a"}, {U"b.txt", "b"}});
        EXPECT_EQ(turn.fs().ReadBack(folder + U"/a.txt"), "a");
        turn.fs().WriteFiles(folder, {{U"c.txt", "c"}});
      },
      [&](std::size_t i, std::exception_ptr error) {
        reports.emplace_back(i, ErrorText(error));
        return true;
      });
  EXPECT_EQ(recorder.groups, (std::vector<std::size_t>{2, 1, 2, 2, 1}));
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_NE(reports[1].second, "");
  EXPECT_FALSE(tmp.Exists("out/1/a.txt"));
  EXPECT_EQ(tmp.Read("out/2/a.txt") + tmp.Read("out/2/b.txt") + tmp.Read("out/2/c.txt"), "abc");
}

INSTANTIATE_TEST_SUITE_P(Workers, BatchTest, ::testing::Values(1, 2, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "workers" + std::to_string(info.param);
                         });

TEST(SameJobTest, FoldsLettersAsAFileSystemThatIgnoresCase) {
  struct Row {
    Text a, b;
    bool same;
  };
  const Row rows[] = {
      {U"12345678001", U"12345678001", true},
      {U"ABCDEFGHIJKLM", U"abcdefghijklm", true},
      {U"nopqrstuvwxyz", U"NOPQRSTUVWXYZ", true},
      {U"ＡＢＣＤＥＦＧＨＩＪＫＬＭ", U"ａｂｃｄｅｆｇｈｉｊｋｌｍ", true},
      {U"ｎｏｐｑｒｓｔｕｖｗｘｙｚ", U"ＮＯＰＱＲＳＴＵＶＷＸＹＺ", true},
      {U"Job１２", U"jOB１２", true},
      {U"A", U"Ａ", false},  // half- and full-width letters name different folders
      {U"a", U"ａ", false},
      {U"1234567800a", U"1234567800b", false},
      {U"12345678001", U"1234567800", false},
      {U"@[", U"`{", false},  // the neighbours of the letters are no letters
      {U"＠［", U"｀｛", false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(SameJob(r.a, r.b), r.same) << ToUtf8(r.a) << " " << ToUtf8(r.b);
    EXPECT_EQ(SameJob(r.b, r.a), r.same) << ToUtf8(r.b) << " " << ToUtf8(r.a);
  }
}

// A later file whose job differs from an earlier one only in case waits until the earlier one is
// written; another job does not wait.
TEST(SameJobTest, JobNamesDifferingOnlyInCaseAreOneJobInABatch) {
  struct Row {
    Text second;
    bool waits;
  };
  const Row rows[] = {{U"12345678ABC", true}, {U"12345678ABD", false}};
  for (const Row& r : rows) {
    TempDir tmp;
    RealFileSystem fs;
    std::mutex mutex;
    std::condition_variable changed;
    bool secondClaimed = false;
    bool claimedBeforeFirstWritten = false;
    ConvertInOrder(
        2, 2, fs,
        [&](std::size_t i, FileTurn& turn) {
          turn.ClaimJob(i == 0 ? Text(U"12345678abc") : r.second);
          if (i == 1) {
            std::lock_guard lock(mutex);
            secondClaimed = true;
            changed.notify_all();
          }
        },
        [&](std::size_t i, std::exception_ptr) {
          if (i == 0) {
            // A second file that waits cannot claim its job before this returns.
            std::unique_lock lock(mutex);
            const auto wait = r.waits ? std::chrono::milliseconds(300) : std::chrono::seconds(10);
            claimedBeforeFirstWritten = changed.wait_for(lock, wait, [&] { return secondClaimed; });
          }
          return true;
        });
    EXPECT_EQ(claimedBeforeFirstWritten, !r.waits) << ToUtf8(r.second);
  }
}

TEST(DefaultWorkersTest, OneToEight) {
  EXPECT_GE(DefaultWorkers(), 1);
  EXPECT_LE(DefaultWorkers(), 8);
}

}  // namespace
}  // namespace tecris2nx

namespace tecris2nx {
namespace {

TEST(RepeatedJobsTest, NamesTheLastEarlierFileOfAnIdentifier) {
  RepeatedJobs jobs;
  const std::pair<Text, Text> files[] = {
      {U"a/1.001", U"12345678001"},
      {U"b/1.001", U"12345678001"},
      {U"c/2.001", U"12345678002"},
      {U"d/1.001", U"12345678001"},
      {U"e/x", U""},
      {U"f/y", U""},
  };
  const Text expected[] = {U"", U"a/1.001", U"", U"b/1.001", U"", U""};
  for (std::size_t i = 0; i < std::size(files); ++i) {
    EXPECT_EQ(jobs.Earlier(files[i].first, files[i].second), expected[i]) << i;
  }
}

}  // namespace
}  // namespace tecris2nx
