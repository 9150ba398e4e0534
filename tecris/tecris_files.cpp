#include "tecris/tecris_files.h"

#include <algorithm>
#include <memory>

#include "common/cp932.h"
#include "common/error.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {
namespace {

bool IsAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

/// A file's first bytes only. A file whose second field does not end within them is not a
/// TECRIS file, however long it is: a listing never reads more of a large or sparse file.
class FirstBytes : public ByteSource {
 public:
  explicit FirstBytes(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

  bool ReadMore(std::string& into, std::size_t most) override {
    if (ended_) return false;
    if (left_ == 0) {
      // A file that goes on past the bound gets one more byte that belongs to no delimiter: a
      // field cut at the bound then reads as longer than any identifier.
      ended_ = true;
      std::string probe;
      if (!source_->ReadMore(probe, 1) || probe.empty()) return false;
      into += 'x';
      return true;
    }
    const std::size_t before = into.size();
    const bool more = source_->ReadMore(into, std::min(most, left_));
    left_ -= std::min(left_, into.size() - before);
    ended_ = !more;
    return more;
  }

 private:
  std::unique_ptr<ByteSource> source_;
  std::size_t left_ = kTecrisFilterBytes;
  bool ended_ = false;
};

}  // namespace

bool IsTecrisFileName(TextView name) {
  if (name.size() != 12 || name[8] != U'.') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (i != 8 && !IsAsciiDigit(name[i])) return false;
  }
  return true;
}

std::vector<Text> ListTecrisFiles(const FileSystem& fs, const Text& folder) {
  std::vector<Text> accepted;
  ListTecrisFiles(
      fs, folder, [&accepted](const Text& name) { accepted.push_back(name); }, [] { return true; });
  return accepted;
}

void ListTecrisFiles(const FileSystem& fs, const Text& folder,
                     const std::function<void(const Text& name)>& accepted,
                     const std::function<bool()>& goOn,
                     const std::function<void(const LeftOutFile& file)>& leftOut) {
  Text prefix = folder;
  const char32_t separator = HostSeparator();
  if (prefix.empty() || prefix.back() != separator) prefix += separator;

  for (const Text& name : fs.ListFiles(folder)) {
    if (!goOn()) return;
    if (!IsTecrisFileName(name)) continue;
    const Text path = prefix + name;
    if (fs.KindOf(path) != EntryKind::kFile) continue;
    const Text digits = name.substr(0, 8) + name.substr(9, 3);
    LeftOutFile out{name, LeftOutFile::Why::kNoIdentifier, {}, {}};
    try {
      // The identifier is read as a conversion reads it: only the first two fields, not the
      // whole file. Eleven digits are safe as a folder name in either style.
      auto first = std::make_unique<FirstBytes>(fs.OpenForReading(path));
      out.identifier = ReadJobName(std::move(first), HostPathStyle()).jobName;
      if (out.identifier == digits) {
        accepted(name);
        continue;
      }
      if (!out.identifier.empty()) out.why = LeftOutFile::Why::kOtherIdentifier;
    } catch (const ConversionError& e) {
      out.why = LeftOutFile::Why::kUnreadable;  // not a TECRIS file; look at the next name
      out.error = e.message();
    }
    if (leftOut) leftOut(out);
  }
}

}  // namespace tecris2nx
