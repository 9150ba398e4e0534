#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "common/text.h"

namespace tecris2nx::testing {

/// A fresh folder under the system's temporary folder, removed with everything in it at scope end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// The folder as program text (no trailing separator).
  Text text() const;
  /// Path of an entry below the folder, as program text.
  Text TextOf(std::string_view relative) const;
  /// Writes raw bytes to a file below the folder (parents are created).
  void Write(std::string_view relative, std::string_view bytes) const;
  /// Raw bytes of a file below the folder; empty when missing.
  std::string Read(std::string_view relative) const;
  bool Exists(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

/// CP932 bytes of a UTF-8 literal with "\n" turned into CR LF: handy for expected file contents.
std::string Cp932Lines(std::string_view utf8);

}  // namespace tecris2nx::testing
