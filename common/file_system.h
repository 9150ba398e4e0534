#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace tecris2nx {

enum class EntryKind { kNone, kFile, kFolder };

/// A file's bytes, taken piece by piece so that a large file need not be held whole.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Appends up to `most` further bytes; false once the file has no more. Throws ConversionError
  /// when reading fails.
  virtual bool ReadMore(std::string& into, std::size_t most) = 0;
};

/// Everything the converter asks of the file system and the process's drive state. Paths are
/// Text in the host's form; the real version maps them to native names (UTF-8 on POSIX).
/// Failing operations throw ConversionError whose message names the operation and the path.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual EntryKind KindOf(const Text& path) const = 0;
  virtual void MakeFolder(const Text& path) = 0;
  virtual std::string ReadAll(const Text& path) const = 0;
  /// Opens a file for reading piece by piece; throws ConversionError as ReadAll does. The default
  /// hands out ReadAll's bytes in one piece.
  virtual std::unique_ptr<ByteSource> OpenForReading(const Text& path) const;
  /// Creates or replaces the file with exactly these bytes.
  virtual void WriteAll(const Text& path, std::string_view bytes) = 0;
  /// Size in bytes; below 1 when the file is missing (an empty file also gives 0).
  virtual std::int64_t FileSize(const Text& path) const = 0;
  /// Names (no folder part) of the plain files in a folder, in the file system's listing order.
  virtual std::vector<Text> ListFiles(const Text& folder) const = 0;
  /// Names of the sub-folders of a folder in listing order, without "." and "..".
  virtual std::vector<Text> ListFolders(const Text& folder) const = 0;
  /// Makes the drive with this letter current; false when it does not exist or is not ready.
  /// Where there are no drive letters, the one root "/" (letter '/') is always usable.
  virtual bool MakeDriveCurrent(char32_t letter) = 0;
};

/// The host's file system.
class RealFileSystem : public FileSystem {
 public:
  EntryKind KindOf(const Text& path) const override;
  void MakeFolder(const Text& path) override;
  std::string ReadAll(const Text& path) const override;
  std::unique_ptr<ByteSource> OpenForReading(const Text& path) const override;
  void WriteAll(const Text& path, std::string_view bytes) override;
  std::int64_t FileSize(const Text& path) const override;
  std::vector<Text> ListFiles(const Text& folder) const override;
  std::vector<Text> ListFolders(const Text& folder) const override;
  bool MakeDriveCurrent(char32_t letter) override;
};

/// The path separator of this host: "\" on Windows, "/" elsewhere.
char32_t HostSeparator();

}  // namespace tecris2nx
