#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "common/source_encoding.h"
#include "common/text.h"

namespace tecris2nx {

/// How far a command looks for the pattern data when --patdat is not given.
enum class PatternSearch {
  kEverywhere,  ///< every place, the walk of the drives included; finding none is an error
  kQuickOnly,   ///< only the places found at once; finding none leaves the folder empty
};

/// The pattern-data folder of a command: --patdat's (`patdat`, which must name a folder) ending
/// with the separator, or the one the search finds. Returns kCliOk, or the exit status having
/// said why on `err`; `command` ("tecris2nx", "tecris2nx check") begins the line about --patdat.
int ResolvePatternFolder(const std::string& patdat, PatternSearch search, const char* command,
                         CliEnvironment& env, std::ostream& err, Text& folder);

/// The output folder of option -o, made with its missing parents; false, having said why on
/// `err`, when its name cannot be used or it cannot be made.
bool MakeOutputFolder(FileSystem& fs, const std::string& option, Text& folder, std::ostream& err);

/// Whether args[i] is the option `name` with its value, as "name value" or "name=value": then
/// `value` holds it, and `i` has moved past a separate value. A `name` with nothing after it sets
/// `missing` and is no match.
bool TakeOptionValue(const std::vector<std::string>& args, std::size_t& i, const char* name,
                     std::string& value, bool& missing);

/// Takes --encoding's value ("auto", "cp932", "utf-8"); returns a usage error text for any other.
std::string ParseEncodingChoice(const std::string& value, EncodingChoice& choice);

/// The files a command's file arguments stand for (@LIST, folders, and wildcards on Windows, see
/// ExpandFileArguments). Returns kCliOk, or kCliUsage having said why on `err`.
int ExpandFiles(const std::vector<std::string>& arguments, const char* command, CliEnvironment& env,
                std::ostream& err, std::vector<Text>& files);

}  // namespace tecris2nx
