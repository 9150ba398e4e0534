#pragma once

#include <cstddef>
#include <vector>

#include "app/window/findings_table.h"
#include "app/window/window_view.h"
#include "common/text.h"
#include "run/convert_file.h"

namespace tecris2nx {

/// Why a file was not converted, as the window says it.
Text FailureReason(const FileReport& report);

/// A warning line of the details list: "  注意: <text>".
Text WarningLine(const Text& text);

/// The details list of one run: every line with the file it reports, the findings of those
/// files, and which lines the view shows (all, or only those of files that failed).
class DetailsList {
 public:
  /// Adds a file's lines; `findings` may be empty. The first line carries the file's mark and
  /// its name; `warnings` follow the lines, marked as warnings.
  void AddFile(const Text& name, std::vector<Text> lines, bool failed, KeptFindings findings,
               const std::vector<Text>& warnings = {});
  /// Adds the lines of a file the run converted, with its findings and `warnings` (what the
  /// user must know besides: another encoding, an identifier an earlier file had).
  void AddConverted(const FileReport& report, char32_t separator,
                    const std::vector<Text>& warnings = {});
  /// Adds the lines of a file the run could not convert: what went wrong, what it wrote before,
  /// its warnings.
  void AddFailed(const FileReport& report, char32_t separator,
                 const std::vector<Text>& warnings = {});
  /// Adds the line of an error that ended the batch with no file to blame.
  void AddBatchError(const Text& problem);
  /// Adds lines that belong to no file.
  void AddLines(std::vector<Text> lines);
  /// Forgets every line and finding (a new run); showing only failures stays as chosen.
  void Clear();

  /// The lines added since the last call that the view shows; the view appends them.
  std::vector<DetailLine> TakeNew();
  /// Shows only failed lines (true) or all; returns every line the view shows now, which
  /// replace what it showed before.
  std::vector<DetailLine> ShowFailuresOnly(bool only);

  /// The findings of the file that a shown line (0 for the first) reports; null for none.
  const KeptFindings* FindingsOfShownLine(std::size_t row) const;
  /// The shown lines `rows` (all when empty) for the clipboard: a line that does not begin with
  /// its file's name gets it in front, so that a line copied alone still says whose it is.
  Text CopyText(const std::vector<int>& rows) const;

 private:
  struct Line {
    Text text;
    bool failed;
    int owner;  ///< index in findings_, or -1
    Text file;  ///< the file the line reports; empty for none
    bool first = false;
    bool warning = false;
  };
  bool Shown(const Line& line) const { return !failuresOnly_ || line.failed; }
  DetailLine Detail(const Line& line) const { return {line.text, line.failed, line.warning}; }

  std::vector<Line> lines_;
  std::vector<KeptFindings> findings_;
  std::vector<std::size_t> shown_;  ///< indices in lines_ of the lines the view shows
  std::size_t given_ = 0;           ///< lines_ before this one have been offered to the view
  bool failuresOnly_ = false;
};

}  // namespace tecris2nx
