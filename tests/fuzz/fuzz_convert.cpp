// Converts arbitrary bytes as a TECRIS file. A refusal naming the problem is proper; an unexpected
// error, a crash, a leak or a sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "run/convert_file.h"
#include "support/memory_file_system.h"
#include "support/test_paths.h"

using namespace tecris2nx;

namespace {

/// The sample pattern data, read once from the source tree into memory.
const testing::MemoryFileSystem& BaseFileSystem() {
  static const testing::MemoryFileSystem base = [] {
    testing::MemoryFileSystem fs;
    fs.AddFilesOf(FromUtf8(std::string(testing::SourceDir()) + "/examples/sample-patdat/"),
                  U"/patdat/");
    fs.MakeFolder(U"/out");
    return fs;
  }();
  return base;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  testing::MemoryFileSystem fs = BaseFileSystem();
  fs.AddFile(U"/in/f.001", std::string(reinterpret_cast<const char*>(data), size));
  const RunEnvironment env{fs, U"/patdat/", PathStyle::kPosix};
  const FileReport report = ConvertFile(U"/in/f.001", U"/out", env);
  static const Text unexpected = [] {
    const Text text = UnexpectedErrorText("");
    return text.substr(0, text.find(U'（'));
  }();
  if (report.error.starts_with(unexpected)) std::abort();
  return 0;
}
