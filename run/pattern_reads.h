#pragma once

#include <map>
#include <string>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// The file system of one file's conversion with its check reading along: what either asks of
/// the pattern folder (whether a file is there, its bytes) is asked of `fs` once, so that counting
/// warnings reads no pattern file twice and both see the same bytes. Everything else goes to `fs`
/// as it is. The next file's conversion has its own, and reads the pattern data afresh.
class PatternReadsOnce : public FileSystem {
 public:
  /// `patternFolder` ends with the separator; empty, nothing is kept.
  PatternReadsOnce(FileSystem& fs, Text patternFolder)
      : fs_(fs), folder_(std::move(patternFolder)) {}

  EntryKind KindOf(const Text& path) const override;
  std::string ReadAll(const Text& path) const override;

  void MakeFolder(const Text& path) override { fs_.MakeFolder(path); }
  std::string ReadBack(const Text& path) const override { return fs_.ReadBack(path); }
  std::unique_ptr<ByteSource> OpenReadBack(const Text& path) const override {
    return fs_.OpenReadBack(path);
  }
  std::unique_ptr<ByteSource> OpenForReading(const Text& path) const override {
    return fs_.OpenForReading(path);
  }
  void WriteAll(const Text& path, std::string_view bytes) override { fs_.WriteAll(path, bytes); }
  void WriteFiles(const Text& folder, const NamedFiles& files) override {
    fs_.WriteFiles(folder, files);
  }
  void WriteGivenFiles(const Text& folder, NamedFiles&& files) override {
    fs_.WriteGivenFiles(folder, std::move(files));
  }
  std::unique_ptr<FileSet> BeginFiles(const Text& folder) override {
    return fs_.BeginFiles(folder);
  }
  std::int64_t FileSize(const Text& path) const override { return fs_.FileSize(path); }
  std::vector<Text> ListFiles(const Text& folder) const override { return fs_.ListFiles(folder); }
  std::vector<Text> ListFolders(const Text& folder) const override {
    return fs_.ListFolders(folder);
  }
  bool MakeDriveCurrent(char32_t letter) override { return fs_.MakeDriveCurrent(letter); }

 private:
  bool InPatterns(const Text& path) const {
    return !folder_.empty() && path.size() > folder_.size() && path.starts_with(folder_);
  }

  FileSystem& fs_;
  const Text folder_;
  mutable std::map<Text, EntryKind> kinds_;
  mutable std::map<Text, std::string> bytes_;
};

}  // namespace tecris2nx
