#include "tecris/path_check.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <string>

#include "common/cp932.h"

namespace tecris2nx {

const Text kDriveNameMessage =
    U"規定値のドライブ名が正しくありません。ドライブ名は１文字のアルファベットと \":\" "
    U"でなければいけません。  例 \"C:\", \"D:\"...";

PathStyle HostPathStyle() {
#ifdef _WIN32
  return PathStyle::kWindows;
#else
  return PathStyle::kPosix;
#endif
}

char32_t SeparatorOf(PathStyle style) { return style == PathStyle::kWindows ? U'\\' : U'/'; }

namespace {

bool Contains(const Text& text, char32_t c) { return text.find(c) != Text::npos; }

void ShowDriveNameMessage(const PathCheckEnv& env) {
  if (env.showInformation) env.showInformation(kDriveNameMessage);
}

/// A failing or missing probe is a drive that cannot be used, never an escaping error.
bool TryMakeDriveCurrent(const PathCheckEnv& env, char32_t letter) {
  if (!env.makeDriveCurrent) return false;
  try {
    return env.makeDriveCurrent(letter);
  } catch (const std::exception&) {
    return false;
  }
}

/// The short-name limits for a component that carries a dot: name part at most 8 characters
/// (dot position at most 9), at most 3 bytes after the dot, and only one dot. The byte length
/// against a character position is deliberate: double-byte names before a dot are held to bytes.
bool ComponentFits(TextView component) {
  const std::size_t firstDot = component.find(U'.');
  if (firstDot == TextView::npos) return true;
  const std::size_t dot = firstDot + 1;
  if (dot > 9) return false;
  if (static_cast<std::size_t>(AnsiByteLength(component)) > dot + 3) return false;
  return component.find(U'.', firstDot + 1) == TextView::npos;
}

/// Walks the components after the separator at index `first` (0-based) of a path that ends with
/// the separator.
bool ComponentsFit(const Text& path, std::size_t first, char32_t separator) {
  std::size_t a = first;
  std::size_t b = path.find(separator, a + 1);
  while (b != Text::npos) {
    if (!ComponentFits(TextView(path).substr(a + 1, b - a - 1))) return false;
    a = b;
    b = path.find(separator, a + 1);
  }
  return true;
}

/// Blanks and wildcards are never part of an accepted folder text.
bool HasForbiddenCharacter(const Text& path) {
  return Contains(path, U'*') || Contains(path, U'?') || Contains(path, kBlank);
}

bool CheckWindowsPath(Text& path, const PathCheckEnv& env) {
  if (AnsiMid(path, 2, 1) != U":") {
    ShowDriveNameMessage(env);
    return false;
  }
  if (HasForbiddenCharacter(path)) return false;
  if (path.size() < 2 || path[1] != U':') return false;
  if (path.size() > 2 && path[2] != U'\\') path.insert(2, 1, U'\\');
  if (!TryMakeDriveCurrent(env, path[0])) return false;
  if (path.back() != U'\\') path += U'\\';
  if (path.size() == 3) return true;  // a drive root, "C:\"
  if (path.find(U"\\\\") != Text::npos) return false;
  return ComponentsFit(path, 2, U'\\');
}

// Without drive letters the one root "/" stands in for the drive: it is always there, so there
// is nothing to make current.
bool CheckPosixPath(Text& path, const PathCheckEnv& env) {
  if (path.empty() || path[0] != U'/') {
    ShowDriveNameMessage(env);
    return false;
  }
  if (HasForbiddenCharacter(path)) return false;
  if (path.back() != U'/') path += U'/';
  if (path.size() == 1) return true;
  if (path.find(U"//") != Text::npos) return false;
  return ComponentsFit(path, 0, U'/');
}

}  // namespace

bool CheckPath(Text& path, const PathCheckEnv& env) {
  path = TrimBlanks(path);
  return env.style == PathStyle::kWindows ? CheckWindowsPath(path, env) : CheckPosixPath(path, env);
}

std::int16_t AnsiByteLength(TextView text) {
  // Saturates instead of wrapping: an absurdly long text must never look short.
  const std::size_t bytes = EncodeCp932Lossy(text).size();
  return static_cast<std::int16_t>(
      std::min<std::size_t>(bytes, std::numeric_limits<std::int16_t>::max()));
}

Text AnsiMid(TextView text, int start, int length) {
  if (start < 1 || length < 1) return Text();
  const std::string bytes = EncodeCp932Lossy(text);
  const std::size_t from = static_cast<std::size_t>(start - 1);
  if (from >= bytes.size()) return Text();
  return DecodeCp932(std::string_view(bytes).substr(from, static_cast<std::size_t>(length)));
}

}  // namespace tecris2nx
