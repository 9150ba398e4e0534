// Checks arbitrary bytes as a TECRIS file. The checker must never throw, crash or report a place
// outside the file; every finding has a code, a message and a line and column.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "check/checker.h"
#include "support/memory_file_system.h"
#include "support/test_paths.h"

using namespace tecris2nx;

namespace {

const testing::MemoryFileSystem& BaseFileSystem() {
  static const testing::MemoryFileSystem base = [] {
    testing::MemoryFileSystem fs;
    fs.AddFilesOf(FromUtf8(std::string(testing::SourceDir()) + "/examples/sample-patdat/"),
                  U"/patdat/");
    return fs;
  }();
  return base;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const CheckSettings settings{U"/patdat/", PathStyle::kPosix};
  const FileCheck check = CheckTecrisBytes(BaseFileSystem(), U"/in/f.001", bytes, settings);
  std::uint64_t previous = 0;
  for (const Finding& f : check.findings) {
    if (f.code.size() != 4 || f.message.empty() || f.line < 1 || f.column < 1 || f.offset > size ||
        f.offset < previous) {
      std::abort();
    }
    previous = f.offset;
  }
  return 0;
}
