#include "tecris/path_check.h"

#include <algorithm>
#include <exception>
#include <iterator>
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

bool IsWindowsSeparator(char32_t c) { return c == U'\\' || c == U'/'; }

char32_t AsciiUpper(char32_t c) { return c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c; }

/// Why Windows would not keep this one component as it is written; empty when it would.
Text ComponentProblem(TextView component) {
  if (component.empty() || component == U"." || component == U"..") return {};
  constexpr TextView kRefused = U"<>:\"|?*/";
  for (const char32_t c : component) {
    if (c < 0x20 || c == 0x7F) {
      constexpr char kHex[] = "0123456789ABCDEF";
      return Text(U"制御文字 \\x") + static_cast<char32_t>(kHex[c >> 4]) +
             static_cast<char32_t>(kHex[c & 0xF]) + U" は Windows の名前に使えません";
    }
    if (kRefused.find(c) != TextView::npos) {
      return Text(U"文字 \"") + c + U"\" は Windows の名前に使えません";
    }
  }
  if (component.back() == U'.' || component.back() == kBlank) {
    return U"末尾のピリオドや空白は Windows が取り除きます";
  }
  if (IsWindowsDeviceName(component)) {
    Text device;
    for (const char32_t c : component.substr(0, component.find(U'.'))) device += AsciiUpper(c);
    return TrimRightBlanks(device) + U" は Windows の装置名です";
  }
  return {};
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
  if (!ComponentsFit(path, 2, U'\\')) return false;
  // Windows would make such a folder under another name (or not at all): refused with the reason
  // before anything is created.
  const Text problem = WindowsNameProblem(path, PathStyle::kWindows);
  if (problem.empty()) return true;
  if (env.showInformation) env.showInformation(problem);
  return false;
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

std::size_t RootLength(TextView path, PathStyle style) {
  if (style == PathStyle::kPosix) return !path.empty() && path[0] == U'/' ? 1 : 0;
  const auto componentEnd = [&](std::size_t i) {
    while (i < path.size() && !IsWindowsSeparator(path[i])) ++i;
    return i;
  };
  const auto afterSeparator = [&](std::size_t i) {
    return i < path.size() && IsWindowsSeparator(path[i]) ? i + 1 : i;
  };
  const auto server = [&](std::size_t i) {  // server, separator, share, separator
    return afterSeparator(componentEnd(afterSeparator(componentEnd(i))));
  };
  const bool twoSeparators =
      path.size() >= 2 && IsWindowsSeparator(path[0]) && IsWindowsSeparator(path[1]);
  if (twoSeparators && path.size() >= 4 && (path[2] == U'?' || path[2] == U'.') &&
      IsWindowsSeparator(path[3])) {
    // \\?\C:\, \\?\UNC\server\share\ or a volume (\\?\Volume{...}\)
    Text unc;
    for (const char32_t c : path.substr(4, 4)) unc += AsciiUpper(c);
    if (unc == U"UNC\\") return server(8);
    if (path.size() >= 6 && path[5] == U':') return afterSeparator(6);
    return afterSeparator(componentEnd(4));
  }
  if (twoSeparators) return server(2);
  if (path.size() >= 2 && path[1] == U':') return afterSeparator(2);
  return !path.empty() && IsWindowsSeparator(path[0]) ? 1 : 0;
}

bool IsWindowsDeviceName(TextView component) {
  TextView base = component.substr(0, std::min(component.find(U'.'), component.size()));
  // Windows ignores blanks at the end of the base name ("CON .TXT" is still the console).
  while (!base.empty() && base.back() == kBlank) base.remove_suffix(1);
  Text upper;
  for (const char32_t c : base) upper += AsciiUpper(c);
  constexpr TextView kDevices[] = {U"CON", U"PRN", U"AUX", U"NUL", U"CONIN$", U"CONOUT$"};
  if (std::find(std::begin(kDevices), std::end(kDevices), upper) != std::end(kDevices)) {
    return true;
  }
  constexpr TextView kNumbers = U"123456789\u00B9\u00B2\u00B3";
  return upper.size() == 4 && (upper.starts_with(U"COM") || upper.starts_with(U"LPT")) &&
         kNumbers.find(upper[3]) != TextView::npos;
}

Text WindowsNameProblem(TextView path, PathStyle style) {
  if (style != PathStyle::kWindows) return {};
  // After \\?\ the system takes every character as it stands: "/" is then part of a name.
  const bool verbatim = path.starts_with(U"\\\\?\\");
  std::size_t start = RootLength(path, style);
  for (std::size_t i = start; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != U'\\' && (verbatim || path[i] != U'/')) continue;
    const TextView component = path.substr(start, i - start);
    const Text reason = ComponentProblem(component);
    if (!reason.empty()) {
      return U"フォルダ名 \"" + ShownName(component) + U"\" は使えません（" + reason + U"）";
    }
    start = i + 1;
  }
  return {};
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
