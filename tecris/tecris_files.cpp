#include "tecris/tecris_files.h"

#include "common/cp932.h"
#include "common/error.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {
namespace {

bool IsAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

}  // namespace

bool IsTecrisFileName(TextView name) {
  if (name.size() != 12 || name[8] != U'.') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (i != 8 && !IsAsciiDigit(name[i])) return false;
  }
  return true;
}

std::vector<Text> ListTecrisFiles(const FileSystem& fs, const Text& folder) {
  Text prefix = folder;
  const char32_t separator = HostSeparator();
  if (prefix.empty() || prefix.back() != separator) prefix += separator;

  std::vector<Text> accepted;
  for (const Text& name : fs.ListFiles(folder)) {
    if (!IsTecrisFileName(name)) continue;
    const Text path = prefix + name;
    if (fs.KindOf(path) != EntryKind::kFile) continue;
    const Text digits = name.substr(0, 8) + name.substr(9, 3);
    try {
      // The identifier is read as a conversion reads it: only the first two fields, not the
      // whole file. Eleven digits are safe as a folder name in either style.
      if (ReadJobName(fs.OpenForReading(path), HostPathStyle()).jobName == digits) {
        accepted.push_back(name);
      }
    } catch (const ConversionError&) {
      // Unreadable: not a TECRIS file; look at the next name.
    }
  }
  return accepted;
}

}  // namespace tecris2nx
