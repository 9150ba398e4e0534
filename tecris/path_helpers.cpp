#include "tecris/path_helpers.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "common/cp932.h"
#include "common/error.h"
#include "tecris/field_reader.h"

namespace tecris2nx {
namespace {

constexpr std::size_t kJobNameLength = 11;

bool IsReservedInName(char32_t c) {
  constexpr std::u32string_view kReserved = U"\\/:*?\"<>|";
  // A byte that is not CP932 has no character to name a folder with: the folder would not
  // carry the identifier's bytes.
  return c < 0x20 || c == 0x7F || kReserved.find(c) != std::u32string_view::npos || IsRawByte(c);
}

/// What a RecordingSource saw; kept outside it, as the reader drops its source at the end.
struct Recording {
  std::string bytes;
  bool ended = false;   ///< the source has no more bytes
  bool failed = false;  ///< reading the source threw
};

/// Passes a source's bytes on and keeps a copy of them, so that they can be read again.
class RecordingSource : public ByteSource {
 public:
  RecordingSource(ByteSource& source, Recording& recording)
      : source_(source), recording_(recording) {}
  bool ReadMore(std::string& into, std::size_t most) override {
    const std::size_t before = into.size();
    try {
      if (!source_.ReadMore(into, most)) {
        recording_.ended = true;
        return false;
      }
    } catch (const ConversionError&) {
      recording_.failed = true;
      throw;
    }
    recording_.bytes.append(into, before, std::string::npos);
    return true;
  }

 private:
  ByteSource& source_;
  Recording& recording_;
};

/// Bytes already read from a source first, then the rest of that source.
class ReplayedSource : public ByteSource {
 public:
  ReplayedSource(std::string head, std::unique_ptr<ByteSource> rest, bool restEnded)
      : head_(std::move(head)), rest_(std::move(rest)), restEnded_(restEnded) {}
  bool ReadMore(std::string& into, std::size_t most) override {
    if (used_ == 0 && into.empty() && !head_.empty() && head_.size() <= most) {
      into.swap(head_);  // the whole head at once: handed over, not copied
      std::string().swap(head_);
      return true;
    }
    if (used_ < head_.size()) {
      const std::size_t n = std::min(most, head_.size() - used_);
      into.append(head_, used_, n);
      used_ += n;
      if (used_ == head_.size()) {
        std::string().swap(head_);  // replayed: its memory is not needed any more
        used_ = 0;
      }
      return true;
    }
    if (restEnded_) return false;
    return rest_->ReadMore(into, most);
  }

 private:
  std::string head_;
  std::size_t used_ = 0;
  std::unique_ptr<ByteSource> rest_;
  bool restEnded_;
};

}  // namespace

std::int16_t CountSeparators(TextView text, TextView separators) {
  long long count = 0;
  for (const char32_t separator : separators) {
    count += std::count(text.begin(), text.end(), separator);
  }
  // Saturates rather than wrapping to a negative count.
  return static_cast<std::int16_t>(
      std::min<long long>(count, std::numeric_limits<std::int16_t>::max()));
}

std::vector<Text> SplitPath(TextView text, TextView separators) {
  std::vector<Text> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (separators.find(text[i]) != TextView::npos) {
      parts.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

IdentifiedFile ReadJobName(std::unique_ptr<ByteSource> source, PathStyle style) {
  Recording recording;
  Text second;
  bool complete = true;
  {
    // Read in pieces: only as much of the file as the first two fields need.
    FieldReader in = FieldReader::FromSource(std::make_unique<RecordingSource>(*source, recording));
    try {
      in.ReadField();
      second = in.ReadField();
    } catch (const ConversionError&) {
      if (recording.failed) throw;
      complete = false;  // fewer than two fields: not accepted, like a wrong identifier
    }
  }
  IdentifiedFile read;
  if (complete && second.size() == kJobNameLength && IsSafeJobName(second, style)) {
    read.jobName = std::move(second);
  }
  read.content = std::make_unique<ReplayedSource>(std::move(recording.bytes), std::move(source),
                                                  recording.ended);
  return read;
}

bool IsSafeJobName(TextView name, PathStyle style) {
  if (std::any_of(name.begin(), name.end(), IsReservedInName)) return false;
  if (std::all_of(name.begin(), name.end(), [](char32_t c) { return c == U'.' || c == kBlank; })) {
    return false;  // "", ".", ".." and the like name no folder of their own
  }
  if (style == PathStyle::kWindows) {
    // Windows drops a trailing dot or blank, so the folder would get another name.
    if (name.back() == U'.' || name.back() == kBlank) return false;
    if (IsWindowsDeviceName(name)) return false;
  }
  return true;
}

void EnsureJobFolder(FileSystem& fs, const Text& folder, const Text& name, char32_t separator) {
  const Text path = folder + separator + name;
  // A plain file there is left for the run to refuse with its own message. Anything else is
  // created without looking first: two runs creating the same job folder both succeed, and one
  // that is a link is refused rather than written through.
  if (fs.KindOf(path) != EntryKind::kFile) fs.MakeFolder(path);
}

}  // namespace tecris2nx
