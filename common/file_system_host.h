#pragma once

// What RealFileSystem's shared code asks of each host (file_system_posix.cpp,
// file_system_windows.cpp). Not for use outside the file-system layer.

#include <filesystem>
#include <string_view>

#include "common/error.h"
#include "common/text.h"

namespace tecris2nx {

class SystemCalls;

namespace host {

inline constexpr const char32_t* kCannotWrite = U"ファイルに書き込めません";
inline constexpr const char32_t* kCannotOpen = U"ファイルを開けません";
inline constexpr const char32_t* kCannotMakeFolder = U"フォルダを作成できません";
inline constexpr const char32_t* kLinkThere =
    U"シンボリックリンクがあります。リンク先には書き込みません";
inline constexpr const char32_t* kFileThere = U"同じ名前のファイルがあります";

/// "what: path（reason）", the reason left out when empty.
FileSystemError FileProblem(const char32_t* what, const Text& path, const Text& reason);

/// The host's name for a path and back.
std::filesystem::path NativePath(const Text& path);
Text FromNativePath(const std::filesystem::path& name);

/// The folder part and the name of a path, cut at its last separator.
std::pair<Text, Text> SplitLast(const Text& path);

/// Removes from the folder the temporary files that runs which have ended left there (see
/// IsLeftoverTemporary). Never fails: what cannot be removed stays.
void RemoveLeftovers(SystemCalls& calls, const Text& folder);

/// A folder opened for writing output files into it, through the system-call layer: the steps
/// the one writing algorithm of RealFileSystem::WriteFiles takes, each host's way. Names have no
/// folder part. A failing step gives the system's reason in `reason`.
class OutputFolder {
 public:
  /// Opens the folder, never through a link at its last level; throws the error for writing
  /// `firstFile` (a path) into it when it cannot be used.
  OutputFolder(SystemCalls& calls, const Text& folder, const Text& firstFile);
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  enum class Created { kYes, kTaken, kFailed };
  /// Creates a new empty file under `name`, never through a link or onto anything there; kTaken
  /// when something already has that name.
  Created Create(const Text& name, Text& reason);
  /// Writes the bytes into the file created last.
  bool Write(std::string_view bytes, Text& reason);
  /// Closes the file created last; the system may only now report that writing failed.
  bool Close(Text& reason);
  /// True when `name` is a folder itself (not a link to one).
  bool IsFolder(const Text& name) const;
  /// Renames `from` over `to`, replacing a file there.
  bool Replace(const Text& from, const Text& to, Text& reason);
  void Remove(const Text& name);

 private:
  SystemCalls& calls_;
#ifdef _WIN32
  std::wstring base_;  ///< the folder with a trailing "\"
  void* file_ = nullptr;
#else
  int folder_ = -1;
  int file_ = -1;
#endif
};

}  // namespace host
}  // namespace tecris2nx
