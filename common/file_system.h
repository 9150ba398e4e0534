#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
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

/// A source handing out bytes already in memory.
std::unique_ptr<ByteSource> HeldBytes(std::string bytes);

/// Files that belong together, each a name (no folder part) and its bytes.
using NamedFiles = std::vector<std::pair<Text, std::string>>;

/// Files written together into one folder, each one's bytes handed over as they are made, so that
/// a large file need not be held whole. No file of the folder is replaced before Commit, which
/// replaces them all or, on a failure, none, as FileSystem::WriteFiles does. A set dropped before
/// Commit leaves the folder as it was. After a Commit that succeeded, the set takes the next
/// files for the same folder, which stays open in between. Failing steps throw FileSystemError;
/// a set whose step failed is done with.
class FileSet {
 public:
  virtual ~FileSet() = default;
  /// Starts the next file (a name without folder part); the one before it is complete.
  virtual void Begin(const Text& name) = 0;
  /// Appends bytes to the file begun last.
  virtual void Append(std::string_view bytes) = 0;
  /// Replaces the folder's files with those begun since the last Commit.
  virtual void Commit() = 0;
  /// The files begun since the last Commit, in order.
  const std::vector<Text>& names() const { return names_; }

 protected:
  std::vector<Text> names_;
};

/// Writes the files into the set and commits them together.
void CommitFiles(FileSet& set, const NamedFiles& files);

/// Everything the converter asks of the file system and the process's drive state. Paths are
/// Text in the host's form; the real version maps them to native names (on POSIX the bytes
/// NativeNameBytes gives). Failing operations throw FileSystemError (a ConversionError) whose
/// message names the operation, the path and the system's reason.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual EntryKind KindOf(const Text& path) const = 0;
  /// Creates the folder. One already there is fine when it is a folder itself; a symbolic link (to
  /// anything) or another kind of entry under that name throws.
  virtual void MakeFolder(const Text& path) = 0;
  virtual std::string ReadAll(const Text& path) const = 0;
  /// Reads a file the converter wrote itself: neither it nor its folder may be a symbolic link.
  /// The default reads it as ReadAll does.
  virtual std::string ReadBack(const Text& path) const;
  /// ReadBack piece by piece, so that a large file need not be held whole. The default hands out
  /// ReadBack's bytes in one piece.
  virtual std::unique_ptr<ByteSource> OpenReadBack(const Text& path) const;
  /// Opens a file for reading piece by piece; throws ConversionError as ReadAll does. The default
  /// hands out ReadAll's bytes in one piece.
  virtual std::unique_ptr<ByteSource> OpenForReading(const Text& path) const;
  /// Creates or replaces the file with exactly these bytes.
  virtual void WriteAll(const Text& path, std::string_view bytes) = 0;
  /// Creates or replaces the files in the folder together: either all of them are replaced or, on
  /// a failure, none (the message then says which, if a late failure left some replaced). The
  /// folder must not be a symbolic link. The default writes them one by one with WriteAll.
  virtual void WriteFiles(const Text& folder, const NamedFiles& files);
  /// WriteFiles of files the caller gives up: one that holds them takes their bytes instead of
  /// copying them. The default is WriteFiles.
  virtual void WriteGivenFiles(const Text& folder, NamedFiles&& files);
  /// Files to be written together into the folder, as WriteFiles writes them. The default holds
  /// their bytes and hands them to WriteGivenFiles at each Commit.
  virtual std::unique_ptr<FileSet> BeginFiles(const Text& folder);
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

class SystemCalls;

/// The host's file system. Paths are carried as FromNativeName gives them on POSIX and as wide
/// names on Windows. Output files are written under unique temporary names created exclusively in
/// the target folder and renamed into place once complete.
class RealFileSystem : public FileSystem {
 public:
  RealFileSystem();
  /// Output files go through these calls: tests make them fail on demand.
  explicit RealFileSystem(SystemCalls& calls);

  EntryKind KindOf(const Text& path) const override;
  void MakeFolder(const Text& path) override;
  std::string ReadAll(const Text& path) const override;
  std::string ReadBack(const Text& path) const override;
  std::unique_ptr<ByteSource> OpenReadBack(const Text& path) const override;
  std::unique_ptr<ByteSource> OpenForReading(const Text& path) const override;
  void WriteAll(const Text& path, std::string_view bytes) override;
  void WriteFiles(const Text& folder, const NamedFiles& files) override;
  /// Each file is written under its temporary name as its bytes come.
  std::unique_ptr<FileSet> BeginFiles(const Text& folder) override;
  std::int64_t FileSize(const Text& path) const override;
  std::vector<Text> ListFiles(const Text& folder) const override;
  std::vector<Text> ListFolders(const Text& folder) const override;
  bool MakeDriveCurrent(char32_t letter) override;

 private:
  SystemCalls& calls_;
};

/// Ends the name of every temporary file while it is written; the part before it is the final
/// name and a random tag. A run that was killed leaves such files behind.
extern const char kTemporarySuffix[];

/// The path separator of this host: "\" on Windows, "/" elsewhere.
char32_t HostSeparator();

}  // namespace tecris2nx
