// Draws arbitrary bytes as a TECRIS file's boring log: continuous and paged, each page as SVG. A
// refusal of the file is proper; any other exception, a crash or a sanitizer report is a
// finding, and so is an input slow enough to reach the time bound (a layout that is quadratic in
// the file).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "log/borehole.h"
#include "log/layout.h"
#include "log/svg_writer.h"
#include "support/memory_file_system.h"
#include "support/test_paths.h"

using namespace tecris2nx;
using namespace tecris2nx::boringlog;

namespace {

/// The sample pattern data, read once from the source tree into memory.
const testing::MemoryFileSystem& PatternFiles() {
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
  Borehole hole;
  try {
    hole = ReadBorehole(std::string(reinterpret_cast<const char*>(data), size), U"/in/f.001",
                        {PatternFiles(), U"/patdat/"});
  } catch (const ConversionError&) {
    return 0;
  }
  // The scale and paper from the size, so that each is reached without a byte of its own.
  const int scales[] = {100, 50, 200};
  const int scale = scales[size % 3];
  const Paper paper = size % 2 ? Paper::kA3 : Paper::kA4;
  std::size_t bytes = 0;
  const PagedLog paged(hole, {scale, paper, true});
  // A deep borehole has thousands of pages: the first and the last tell as much.
  for (const int i : {0, paged.PageCount() - 1}) bytes += SvgDocument(paged.LayOutPage(i)).size();
  // The continuous sheet grows with the depth, not with the file: a depth of 1,000 m is a few
  // bytes and metres of paper. Only a sheet of bounded length keeps the time bound a finding.
  if (paged.Window(paged.PageCount() - 1).lastDepth - paged.Window(0).firstDepth <= 100) {
    for (const Page& page : LayoutBoringLog(hole, {scale, paper, false}).pages) {
      bytes += SvgDocument(page).size();
    }
  }
  if (bytes == 0) std::abort();
  return 0;
}
