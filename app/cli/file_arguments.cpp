#include "app/cli/file_arguments.h"

#include <algorithm>

#include "common/cp932.h"
#include "common/error.h"
#include "common/source_encoding.h"
#include "tecris/tecris_files.h"

namespace tecris2nx {
namespace {

char32_t Folded(char32_t c, bool ignoreCase) {
  return ignoreCase && c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c;
}

bool IsSeparator(char32_t c, PathStyle style) {
  return c == U'/' || (style == PathStyle::kWindows && c == U'\\');
}

// Where the last component of a path begins.
std::size_t LastComponent(TextView path, PathStyle style) {
  std::size_t at = path.size();
  while (at > 0 && !IsSeparator(path[at - 1], style)) --at;
  if (at == 0 && style == PathStyle::kWindows && path.size() >= 2 && path[1] == U':') at = 2;
  return at;
}

std::vector<Text> ReadList(const FileSystem& fs, const Text& listFile) {
  std::string bytes = fs.ReadAll(listFile);
  Text text;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  text = IsUtf8Text(bytes) ? FromUtf8(bytes) : DecodeCp932(bytes);
  std::vector<Text> names;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(U"\r\n", start);
    if (end == Text::npos) end = text.size();
    if (end > start) names.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

void AddMatches(const FileSystem& fs, const Text& argument, const FileArgumentRules& rules,
                std::vector<Text>& files) {
  const std::size_t at = LastComponent(argument, rules.style);
  const Text folder = argument.substr(0, at);
  const TextView pattern = TextView(argument).substr(at);
  std::vector<Text> names = fs.ListFiles(folder.empty() ? Text(U".") : folder);
  std::sort(names.begin(), names.end());
  bool any = false;
  for (const Text& name : names) {
    if (!MatchesWildcard(pattern, name, rules.style == PathStyle::kWindows)) continue;
    files.push_back(folder + name);
    any = true;
  }
  if (!any) files.push_back(argument);
}

}  // namespace

bool MatchesWildcard(TextView pattern, TextView name, bool ignoreCase) {
  // Greedy with one step back to the last `*`: linear in practice, never exponential.
  std::size_t p = 0, n = 0, star = TextView::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == U'?' || Folded(pattern[p], ignoreCase) == Folded(name[n], ignoreCase))) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      resume = n;
    } else if (star != TextView::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

namespace {

// One argument's files onto `files`; a list file's names are expanded in turn, but a list within
// a list is a name like any other, so that no list can name itself without end.
void Expand(const FileSystem& fs, const Text& argument, const FileArgumentRules& rules,
            bool listsAllowed, std::vector<Text>& files) {
  if (listsAllowed && argument.size() > 1 && argument[0] == U'@') {
    const Text listFile = argument.substr(1);
    std::vector<Text> listed;
    try {
      listed = ReadList(fs, listFile);
    } catch (const ConversionError& e) {
      throw ConversionError(U"リストファイルを読めません: " + listFile + U"（" + e.message() +
                            U"）");
    }
    for (const Text& name : listed) Expand(fs, name, rules, false, files);
    return;
  }
  const EntryKind kind = fs.KindOf(argument);
  if (kind == EntryKind::kFolder) {
    Text folder = argument;
    if (!IsSeparator(folder.back(), rules.style)) folder += SeparatorOf(rules.style);
    const std::vector<Text> names = ListTecrisFiles(fs, folder);
    // A folder without TECRIS files stays as it is, so that its conversion says what it is.
    if (names.empty()) files.push_back(argument);
    for (const Text& name : names) files.push_back(folder + name);
    return;
  }
  const TextView last = TextView(argument).substr(LastComponent(argument, rules.style));
  if (rules.wildcards && kind == EntryKind::kNone && last.find_first_of(U"*?") != TextView::npos) {
    AddMatches(fs, argument, rules, files);
    return;
  }
  files.push_back(argument);
}

}  // namespace

std::vector<Text> ExpandFileArguments(const FileSystem& fs, const std::vector<Text>& arguments,
                                      const FileArgumentRules& rules) {
  std::vector<Text> files;
  for (const Text& argument : arguments) Expand(fs, argument, rules, true, files);
  return files;
}

}  // namespace tecris2nx
