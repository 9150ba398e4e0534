// Arbitrary folder texts through the path check (both styles) and the path helpers.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/cp932.h"
#include "tecris/path_check.h"
#include "tecris/path_helpers.h"

using namespace tecris2nx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text text = DecodeCp932(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const PathStyle style : {PathStyle::kWindows, PathStyle::kPosix}) {
    PathCheckEnv env;
    env.style = style;
    env.makeDriveCurrent = [](char32_t letter) { return letter == U'C' || letter == U'c'; };
    env.showInformation = [](const Text&) {};
    Text path = text;
    CheckPath(path, env);
    IsSafeJobName(text, style);
    const Text separators(1, SeparatorOf(style));
    CountSeparators(text, separators);
    SplitPath(text, separators);
  }
  AnsiByteLength(text);
  for (int start = 1; start < 4; ++start) AnsiMid(text, start, static_cast<int>(size % 6));
  return 0;
}
