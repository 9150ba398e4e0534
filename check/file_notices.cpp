#include "check/file_notices.h"

#include "tecris/tecris_files.h"

namespace tecris2nx {

void AddFileFinding(FileCheck& check, Finding finding, bool countOnly) {
  if (countOnly) {
    ++check.leftOut[static_cast<std::size_t>(finding.severity)];
    return;
  }
  finding.line = 1;
  finding.column = 1;
  // Findings are in file order; these are about the whole file and stand first.
  check.findings.insert(check.findings.begin(), std::move(finding));
}

void AddFileNotices(FileCheck& check, SourceEncoding encoding, bool countOnly) {
  std::size_t nameStart = check.path.size();
  while (nameStart > 0 && check.path[nameStart - 1] != U'/' && check.path[nameStart - 1] != U'\\') {
    --nameStart;
  }
  const TextView name = TextView(check.path).substr(nameStart);
  if (!check.jobName.empty() && IsTecrisFileName(name)) {
    const Text named = Text(name.substr(0, 8)) + Text(name.substr(9, 3));
    if (named != check.jobName) {
      AddFileFinding(check,
                     {"T109", Severity::kWarning, 0, 0, 0, 0, 0, 0,
                      U"ファイル名 " + Text(name) + U" の識別子は " + named +
                          U" ですが、ファイルの識別子は " + check.jobName + U" です。"},
                     countOnly);
    }
  }
  if (encoding != SourceEncoding::kCp932) {
    AddFileFinding(check, {"T108", Severity::kWarning, 0, 0, 0, 0, 0, 0, EncodingNotice(encoding)},
                   countOnly);
  }
}

}  // namespace tecris2nx
