#include "app/cli/shared_options.h"

#include <algorithm>

#include "app/cli/file_arguments.h"
#include "common/error.h"
#include "common/pattern_folder.h"
#include "tecris/path_check.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {
namespace {

/// The output folder without trailing separators ("/" stays "/").
Text WithoutTrailingSeparators(Text folder, char32_t separator) {
  while (folder.size() > 1 && folder.back() == separator) folder.pop_back();
  return folder;
}

/// Creates the folder and its missing parents. The root (C:, \\?\C:, /) is never made: a
/// missing one fails at the level below it.
void MakeFolders(FileSystem& fs, const Text& folder, char32_t separator) {
  if (folder.size() <= RootLength(folder, HostPathStyle())) return;
  if (fs.KindOf(folder) == EntryKind::kFolder) return;
  const std::size_t cut = folder.find_last_of(separator);
  if (cut != Text::npos && cut > 0) MakeFolders(fs, folder.substr(0, cut), separator);
  if (fs.KindOf(folder) == EntryKind::kNone) fs.MakeFolder(folder);
  if (fs.KindOf(folder) != EntryKind::kFolder) {
    throw ConversionError(U"出力先フォルダを作成できません: " + ShownName(folder));
  }
}

}  // namespace

int ResolvePatternFolder(const std::string& patdat, PatternSearch search, const char* command,
                         CliEnvironment& env, std::ostream& err, Text& folder) {
  if (!patdat.empty()) {
    folder = FromNativeName(patdat);
    if (env.fs.KindOf(folder) != EntryKind::kFolder) {
      err << command << ": --patdat " << ToUtf8(ShownName(folder)) << ": フォルダがありません\n";
      return kCliUsage;
    }
    if (folder.back() != HostSeparator()) folder += HostSeparator();
    return kCliOk;
  }
  PatternLookupEnv lookup = env.lookup;
  if (search == PatternSearch::kQuickOnly) lookup.walkDrives = false;
  folder = LocatePatternFolder(env.fs, lookup);
  if (folder.empty() && search == PatternSearch::kEverywhere) {
    err << "tecris2nx:" << ToUtf8(kNoPatternFolderMessage)
        << "（--patdat DIR か環境変数 TECRIS2NX_PATDAT で指定してください）\n";
    return kCliFailed;
  }
  return kCliOk;
}

std::string ParseEncodingChoice(const std::string& value, EncodingChoice& choice) {
  if (value == "auto") {
    choice = EncodingChoice::kAuto;
  } else if (value == "cp932") {
    choice = EncodingChoice::kCp932;
  } else if (value == "utf-8") {
    choice = EncodingChoice::kUtf8;
  } else {
    return "--encoding には auto, cp932, utf-8 のどれかを指定してください: " + value;
  }
  return {};
}

int ExpandFiles(const std::vector<std::string>& arguments, const char* command, CliEnvironment& env,
                std::ostream& err, std::vector<Text>& files) {
  std::vector<Text> names;
  for (const std::string& argument : arguments) names.push_back(FromNativeName(argument));
  FileArgumentRules rules;
  // Windows shells leave wildcards to the program; elsewhere the shell has expanded them.
  rules.wildcards = rules.style == PathStyle::kWindows;
  try {
    files = ExpandFileArguments(env.fs, names, rules);
  } catch (const ConversionError& e) {
    err << command << ": " << ToUtf8(ShownText(e.message())) << '\n';
    return kCliUsage;
  }
  return kCliOk;
}

bool MakeOutputFolder(FileSystem& fs, const std::string& option, Text& folder, std::ostream& err) {
  const char32_t separator = HostSeparator();
  Text output = FromNativeName(option);
  // Windows takes "/" as a separator too; the folder levels are split on the host's own.
  if (separator == U'\\') std::replace(output.begin(), output.end(), U'/', separator);
  folder = WithoutTrailingSeparators(output, separator);
  // Refused before any level is made, so that nothing is left of a folder that cannot be.
  const Text nameProblem = WindowsNameProblem(folder, HostPathStyle());
  if (!nameProblem.empty()) {
    err << "tecris2nx: " << ToUtf8(ShownName(folder)) << ": " << ToUtf8(nameProblem) << '\n';
    return false;
  }
  try {
    MakeFolders(fs, folder, separator);
  } catch (const ConversionError& e) {
    err << "tecris2nx: " << ToUtf8(e.message()) << '\n';
    return false;
  }
  return true;
}

bool TakeOptionValue(const std::vector<std::string>& args, std::size_t& i, const char* name,
                     std::string& value, bool& missing) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) {
      missing = true;
      return false;
    }
    value = args[++i];
    return true;
  }
  const std::string prefix = std::string(name) + "=";
  if (arg.rfind(prefix, 0) != 0) return false;
  value = arg.substr(prefix.size());
  return true;
}

}  // namespace tecris2nx
