#include "tecris/tecris_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

/// The host's file system, counting the bytes its readers hand out.
class KindCountingFileSystem : public RealFileSystem {
 public:
  mutable std::size_t mostRead = 0;  ///< the most read from any one file

  std::unique_ptr<ByteSource> OpenForReading(const Text& path) const override {
    return std::make_unique<Counted>(RealFileSystem::OpenForReading(path), mostRead);
  }

 private:
  class Counted : public ByteSource {
   public:
    Counted(std::unique_ptr<ByteSource> source, std::size_t& most)
        : source_(std::move(source)), most_(most) {}
    bool ReadMore(std::string& into, std::size_t most) override {
      const std::size_t before = into.size();
      const bool more = source_->ReadMore(into, most);
      read_ += into.size() - before;
      most_ = std::max(most_, read_);
      return more;
    }

   private:
    std::unique_ptr<ByteSource> source_;
    std::size_t& most_;
    std::size_t read_ = 0;
  };
};

TEST(TecrisFilesTest, TheFilterReadsNoFurtherThanTheSecondFieldWithinItsBound) {
  const std::size_t bound = kTecrisFilterBytes;
  struct Row {
    const char* label;
    std::string start;   ///< the file's first bytes
    std::uint64_t size;  ///< the whole file, zeros after `start` (sparse)
    bool accepted;
  };
  // "<first>,12345678001" fills the bound exactly when the first field has bound - 12 bytes.
  const std::string first(bound - 12, 'x');
  const Row rows[] = {
      {"an ordinary file", "A\r\n12345678001,2.10\r\n", 0, true},
      {"1 GiB without a delimiter", "A,1234", 1ull << 30, false},
      {"1 GiB after a valid start", "A\r\n12345678001\r\n", 1ull << 30, true},
      {"delimiter the last byte within the bound", first.substr(1) + ",12345678001\n", 1ull << 20,
       true},
      {"delimiter the first byte past the bound", first + ",12345678001\n", 1ull << 20, false},
      {"a file that ends at the bound", first + ",12345678001", 0, true},
      {"first field longer than the bound", std::string(bound + 10, 'x') + ",12345678001\n", 0,
       false},
  };
  for (const Row& r : rows) {
    testing::TempDir tmp;
    tmp.Write("12345678.001", r.start);
    if (r.size > 0) std::filesystem::resize_file(tmp.path() / "12345678.001", r.size);
    KindCountingFileSystem fs;
    EXPECT_EQ(ListTecrisFiles(fs, tmp.text()).size(), r.accepted ? 1u : 0u) << r.label;
    EXPECT_LE(fs.mostRead, bound + 1) << r.label;
  }
}

TEST(TecrisFilesTest, FilesNamedLikeTecrisFilesAreListedOrLeftOutWithWhy) {
  using Why = LeftOutFile::Why;
  struct Row {
    const char* name;
    std::string bytes;
    bool listed;
    Why why;  // when left out
    const char* identifier;
  };
  const Row rows[] = {
      {"12345678.001", "A,12345678001,x\n", true, Why::kNoIdentifier, ""},
      {"20003001.001", "A,200", false, Why::kNoIdentifier, ""},
      {"12345678.002", "A,12345678001,x\n", false, Why::kOtherIdentifier, "12345678001"},
      {"12345678.003", "", false, Why::kNoIdentifier, ""},
      {"notes.txt", "A,200", false, Why::kNoIdentifier, nullptr},  // not named so: not told
  };
  testing::TempDir tmp;
  for (const Row& r : rows) tmp.Write(r.name, r.bytes);
  std::vector<Text> listed;
  std::vector<LeftOutFile> leftOut;
  RealFileSystem fs;
  ListTecrisFiles(
      fs, tmp.text(), [&](const Text& name) { listed.push_back(name); }, [] { return true; },
      [&](const LeftOutFile& file) { leftOut.push_back(file); });
  for (const Row& r : rows) {
    const Text name = FromUtf8(r.name);
    const bool isListed = std::find(listed.begin(), listed.end(), name) != listed.end();
    EXPECT_EQ(isListed, r.listed) << r.name;
    const auto found = std::find_if(leftOut.begin(), leftOut.end(),
                                    [&](const LeftOutFile& f) { return f.name == name; });
    EXPECT_EQ(found != leftOut.end(), !r.listed && r.identifier != nullptr) << r.name;
    if (found == leftOut.end()) continue;
    EXPECT_EQ(found->why, r.why) << r.name;
    EXPECT_EQ(found->identifier, FromUtf8(r.identifier)) << r.name;
  }
}

}  // namespace
}  // namespace tecris2nx
