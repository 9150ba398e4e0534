#pragma once

#include <vector>

#include "common/text.h"
#include "run/convert_file.h"

namespace tecris2nx {

/// Message box styles and answers, as numbered by the window system.
enum MessageStyle : int {
  kStyleOkOnly = 0,
  kStyleYesNoQuestion = 36,
  kStyleOkExclamation = 48,
  kStyleOkInformation = 64,
};
enum MessageAnswer : int { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };

/// The program's own title, used by message boxes given no title.
extern const Text kProgramTitle;

/// Everything the conversion run needs from the window (or a stand-in for it).
class RunFrontEnd {
 public:
  virtual ~RunFrontEnd() = default;
  /// Destination folder text (Text1), untrimmed.
  virtual Text DestinationText() const = 0;
  /// Source folder text (Text2).
  virtual Text SourceText() const = 0;
  /// Texts of the selected entries of the file list, in list order, untrimmed.
  virtual std::vector<Text> SelectedNames() const = 0;
  /// The message line (Label3).
  virtual void SetMessageLine(const Text& text) = 0;
  virtual void SetBusy(bool busy) = 0;
  /// Keyboard focus to the destination text, whole text selected.
  virtual void FocusDestination() = 0;
  /// A modal message box; returns kAnswerOk, kAnswerYes or kAnswerNo. Empty title: kProgramTitle.
  virtual int ShowMessage(const Text& text, int style, const Text& title) = 0;
  /// Sets the flag that lets the next mouse move clear the completion message.
  virtual void SetMessageClearPending() = 0;
  /// Called after each file converted completely.
  virtual void FileConverted(const FileReport&) {}
  /// Called when a file cannot be converted, with the message shown to the user.
  virtual void FileFailed(const Text& /*inputPath*/, const Text& /*message*/) {}
};

}  // namespace tecris2nx
