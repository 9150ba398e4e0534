#pragma once

#include <vector>

#include "common/file_system.h"
#include "common/text.h"
#include "tecris/path_check.h"

namespace tecris2nx {

/// How file arguments are widened into the files they stand for.
struct FileArgumentRules {
  PathStyle style = HostPathStyle();
  /// `*` and `?` in a name's last component match files: Windows shells leave that to the program.
  bool wildcards = false;
};

/// The files that a command line's file arguments stand for, in order:
/// - `@LIST`: the names in the file LIST, one a line (UTF-8 or CP932, blank lines skipped);
/// - a folder: the TECRIS files in it, as the window lists them (without any, the folder itself);
/// - with wildcards on, a name with `*` or `?` in its last component: the files it matches, by
///   name; a name that matches nothing stays as it is, so that its conversion says why;
/// - anything else as it is.
/// Throws ConversionError when a list file cannot be read.
std::vector<Text> ExpandFileArguments(const FileSystem& fs, const std::vector<Text>& arguments,
                                      const FileArgumentRules& rules);

/// `name` matches `pattern` (`*` any run, `?` one character), ignoring ASCII case when asked.
bool MatchesWildcard(TextView pattern, TextView name, bool ignoreCase);

}  // namespace tecris2nx
