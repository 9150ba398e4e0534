#pragma once

#include <map>
#include <set>
#include <string>

#include "common/file_system.h"

namespace tecris2nx::testing {

/// A file system in memory with "/" as separator: fast, and able to fail on demand.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();

  EntryKind KindOf(const Text& path) const override;
  void MakeFolder(const Text& path) override;
  std::string ReadAll(const Text& path) const override;
  void WriteAll(const Text& path, std::string_view bytes) override;
  void WriteFiles(const Text& folder, const NamedFiles& files) override;
  std::int64_t FileSize(const Text& path) const override;
  std::vector<Text> ListFiles(const Text& folder) const override;
  std::vector<Text> ListFolders(const Text& folder) const override;
  bool MakeDriveCurrent(char32_t letter) override;

  /// Adds a file, creating its folders.
  void AddFile(const Text& path, std::string bytes);
  /// Adds the files of a real folder (ending with its separator) under `to` ("/patdat/"), all
  /// but `except`.
  void AddFilesOf(const Text& folder, const Text& to, const Text& except = Text());
  /// Writes to this path fail from now on.
  void FailWritesTo(const Text& path) { failingWrites_.insert(Normal(path)); }
  const std::map<Text, std::string>& files() const { return files_; }

 private:
  static Text Normal(const Text& path);
  std::map<Text, std::string> files_;
  std::set<Text> folders_;
  std::set<Text> failingWrites_;
};

}  // namespace tecris2nx::testing
