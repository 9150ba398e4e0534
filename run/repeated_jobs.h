#pragma once

#include <vector>

#include "common/text.h"
#include "sections/finding.h"

namespace tecris2nx {

/// Remembers the identifiers of a selection's files in order, so that a file whose identifier an
/// earlier file had is named with that file: both write the same job folder (or picture), and
/// the later one's output replaces the earlier one's.
class RepeatedJobs {
 public:
  /// The last earlier file with the same identifier (SameJob), or empty; `file` is remembered.
  Text Earlier(const Text& file, const Text& jobName);

 private:
  std::vector<std::pair<Text, Text>> seen_;  ///< identifier, last file that had it
};

/// "識別子 X は前のファイル Y と同じです。後のファイルの出力が前のものを置き換えます。"
Text RepeatedJobNotice(const Text& jobName, const Text& earlierFile);

/// Check mode's finding for such a file (T110), about the whole file; `earlierFile` as named.
Finding RepeatedJobFinding(const Text& jobName, const Text& earlierFile);

}  // namespace tecris2nx
