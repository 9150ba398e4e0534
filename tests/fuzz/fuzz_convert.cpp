// Converts arbitrary bytes as a TECRIS file. A ConversionError is a proper refusal; any other
// exception, a crash, a leak or a sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/error.h"
#include "run/conversion_run.h"
#include "tecris/path_helpers.h"
#include "support/memory_file_system.h"

using namespace tecris2nx;

namespace {

/// The sample pattern data, read once from the source tree into memory.
const testing::MemoryFileSystem& BaseFileSystem() {
  static const testing::MemoryFileSystem base = [] {
    testing::MemoryFileSystem fs;
    RealFileSystem real;
    const Text folder = FromUtf8(TECRIS2NX_SOURCE_DIR "/examples/sample-patdat/");
    for (const Text& name : real.ListFiles(folder)) {
      fs.AddFile(U"/patdat/" + name, real.ReadAll(folder + name));
    }
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
  SectionStorage storage;
  try {
    const Text jobName = ReadJobName(fs, U"/in/f.001", PathStyle::kPosix);
    if (!jobName.empty()) ConvertTecrisFile(U"/in/f.001", U"/out", jobName, env, storage);
  } catch (const ConversionError&) {
  }
  return 0;
}
