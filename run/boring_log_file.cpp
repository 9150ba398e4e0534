#include "run/boring_log_file.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "common/error.h"
#include "run/convert_file.h"
#include "tecris/path_check.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {

IdentifiedFile OpenIdentifiedFile(const FileSystem& fs, const Text& path, EncodingChoice encoding,
                                  SourceEncoding& found) {
  const EntryKind kind = fs.KindOf(path);
  IdentifiedFile file;
  found = SourceEncoding::kCp932;
  if (kind == EntryKind::kFile) {
    file = ReadJobName(OpenAsCp932(fs, path, encoding, found), HostPathStyle());
  }
  if (file.jobName.empty()) throw ConversionError(NoJobNameReason(kind));
  return file;
}

Text FileNameOf(const Text& path) {
  const std::size_t cut = path.find_last_of(HostSeparator() == U'\\' ? U"\\/" : U"/");
  return cut == Text::npos ? path : path.substr(cut + 1);
}

boringlog::Borehole ReadBoreholeFile(const FileSystem& fs, const Text& path,
                                     const Text& patternFolder, const Text& date,
                                     EncodingChoice encoding, SourceEncoding* found) {
  SourceEncoding read = SourceEncoding::kCp932;
  IdentifiedFile file;
  try {
    file = OpenIdentifiedFile(fs, path, encoding, read);
  } catch (const ConversionError&) {
    if (found) *found = read;
    throw;
  }
  if (found) *found = read;
  const boringlog::BoreholeSources sources{fs, patternFolder};
  boringlog::Borehole hole = boringlog::ReadBorehole(std::move(file.content), path, sources);
  hole.identifier = file.jobName;
  hole.fileName = ShownName(FileNameOf(path));
  hole.patternFolder = ShownName(patternFolder);
  hole.dateDrawn = date;
  return hole;
}

std::optional<long long> SourceDateEpoch(Text* problem) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (!epoch) return std::nullopt;
  const std::string digits = epoch;
  // Whole seconds, no sign, before the year 3000 (the last Windows dates): anything else would
  // date the sheet wrongly or not at all.
  constexpr long long kLatest = 32503593600LL;
  long long seconds = 0;
  bool valid = !digits.empty() && digits.size() <= 11;
  for (const char c : digits) {
    if (c < '0' || c > '9') valid = false;
    if (valid) seconds = seconds * 10 + (c - '0');
  }
  if (valid && seconds <= kLatest) return seconds;
  if (problem) {
    *problem = U"SOURCE_DATE_EPOCH が秒数ではありません（" + ShownText(FromUtf8(digits)) +
               U"）。今日の日付を使います。";
  }
  return std::nullopt;
}

Text BoringLogDate(Text* problem) {
  std::time_t now = std::time(nullptr);
  if (const std::optional<long long> epoch = SourceDateEpoch(problem)) {
    now = static_cast<std::time_t>(*epoch);
  }
  const std::tm* parts = std::localtime(&now);
  char text[16] = "";
  if (parts) std::strftime(text, sizeof text, "%Y-%m-%d", parts);
  return FromUtf8(text);
}

}  // namespace tecris2nx
