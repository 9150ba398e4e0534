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

}  // namespace
}  // namespace tecris2nx
