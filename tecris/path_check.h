#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "common/text.h"

namespace tecris2nx {

/// Windows: "C:\DATA\". Posix: "/data/"; the one root "/" stands in for the drive.
enum class PathStyle { kWindows, kPosix };

PathStyle HostPathStyle();
char32_t SeparatorOf(PathStyle style);

/// What the path check needs from its surroundings.
struct PathCheckEnv {
  PathStyle style = HostPathStyle();
  /// Makes the drive current; false when it cannot be used. Not called for the Posix style.
  std::function<bool(char32_t letter)> makeDriveCurrent;
  /// Shows an information box with the program's own title.
  std::function<void(const Text& text)> showInformation;
};

/// The drive-name message of the path check.
extern const Text kDriveNameMessage;

/// Checks a folder text and rewrites it to its normal form (ending in the separator).
bool CheckPath(Text& path, const PathCheckEnv& env);

/// Length of the path's root (C:\, \\server\share\, \\?\C:\, /), with the root's
/// last separator when it is there; 0 for a relative path.
std::size_t RootLength(TextView path, PathStyle style);

/// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1..COM9 and LPT1..LPT9 (also with a superscript
/// digit), with or without an extension, in any case.
bool IsWindowsDeviceName(TextView component);

/// Windows style: a message naming the first component after the root that Windows would store
/// under another name or refuse (a trailing dot or blank, a device name, one of <>:"|?* or a
/// control character), and why. Empty when there is none, and always for the Posix style.
Text WindowsNameProblem(TextView path, PathStyle style);

/// Bytes of the text in the ANSI code page (CP932), as a signed 16-bit number (at most 32767).
std::int16_t AnsiByteLength(TextView text);

/// `length` bytes from byte `start` (1-based) of the text's ANSI form, converted back to text.
/// Fewer when the bytes run out; empty when start or length is below 1.
Text AnsiMid(TextView text, int start, int length);

}  // namespace tecris2nx
