#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// Lines of an output file, held as the CP932 bytes they are written as (each ended by CR LF):
/// a large file in code points would take four times the room.
class TextLines {
 public:
  TextLines() = default;
  /// Lines handed on to the file `files` began last whenever they fill a buffer, not kept: a
  /// large file is never held whole, and its lines cannot be read back.
  explicit TextLines(FileSet& files);
  /// Appends a line; throws ConversionError for a character that has no CP932 form.
  void push_back(TextView line);
  /// Appends a line given as its CP932 bytes.
  void PushBytes(std::string_view line);
  /// Appends a line that `fill(bytes)` appends to `bytes`, the lines' own buffer: no copy of each
  /// line. `fill` only appends, and works from bytes.size() at its start; what it appended is
  /// taken back when it throws.
  template <typename Fill>
  void AppendLine(Fill&& fill) {
    const std::size_t start = bytes_.size();
    try {
      fill(bytes_);
    } catch (...) {
      bytes_.resize(start);
      throw;
    }
    EndLine(start);
  }
  void reserve(std::size_t lines);
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  /// True for lines handed on to a file.
  bool HandsOn() const { return files_ != nullptr; }
  /// Hands on the lines still held.
  void Flush();
  /// Line i, decoded again.
  Text operator[](std::size_t i) const;
  Text front() const { return (*this)[0]; }
  Text back() const { return (*this)[size() - 1]; }
  const std::string& bytes() const { return bytes_; }
  operator std::vector<Text>() const;  // NOLINT: lets tests compare with plain lists

  friend bool operator==(const TextLines& lines, const std::vector<Text>& texts) {
    return std::vector<Text>(lines) == texts;
  }

 private:
  /// Ends the line that began at `start`.
  void EndLine(std::size_t start);

  std::string bytes_;
  std::vector<std::size_t> ends_;  ///< end of each line's bytes, before its CR LF; not handed on
  std::size_t count_ = 0;
  FileSet* files_ = nullptr;
};

/// Prints the lines as text in test failure messages.
void PrintTo(const TextLines& lines, std::ostream* os);

/// A section's output files, written as they are made; none replaces a file before Commit.
using PendingFiles = std::unique_ptr<FileSet>;

/// Where a section's writers put their files, and what they may read.
struct OutputContext {
  FileSystem& fs;
  Text jobFolder;      ///< no trailing separator
  Text patternFolder;  ///< ends with the separator; may be empty when no pattern data is known
  char32_t separator;
  std::vector<Text>* written;  ///< names of the files written, when someone is listening
  PendingFiles& pending;       ///< the section's files, begun with its first file

  /// jobFolder, separator, name.
  Text PathOf(const Text& fileName) const;
  /// Writes the lines as one file, each line ended by CR LF, in CP932.
  void WriteLines(const Text& fileName, const std::vector<Text>& lines) const;
  /// Lines from Lines(fileName) are handed on and end the file.
  void WriteLines(const Text& fileName, TextLines&& lines) const;
  /// Adds one file to the section's files.
  void WriteBytes(const Text& fileName, std::string_view bytes) const;
  /// Begins a file of the section: lines that go to it as they are made, to be ended by
  /// WriteLines under the same name before the next file begins.
  TextLines Lines(const Text& fileName) const;
  /// Replaces the job folder's files with the section's, all of them or none. The next
  /// section's files go into the same set.
  void Commit() const;
};

/// Each line followed by CR LF, encoded as CP932.
std::string EncodeLines(const std::vector<Text>& lines);

}  // namespace tecris2nx
