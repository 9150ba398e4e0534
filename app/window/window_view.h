#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "common/text.h"

namespace tecris2nx {

namespace boringlog {
struct Borehole;
}

/// Message box looks, numbered as the window system numbers them.
enum class MessageStyle : int {
  kOkOnly = 0,
  kYesNoQuestion = 36,
  kOkExclamation = 48,
  kOkInformation = 64,
};

/// How the user closed a box, numbered as the window system numbers it.
enum class MessageAnswer : int { kOk = 1, kYes = 6, kNo = 7 };

/// One modal box the model asks for.
struct MessageRequest {
  Text text;
  MessageStyle style = MessageStyle::kOkOnly;
  Text title;        ///< never empty: the model puts in the program's title itself
  Text informative;  ///< a further line under the text (Qt's informative text); may be empty
};

/// The two halves of the window: destination (Drive1, Dir1, Text1) and source (Drive2, Dir2,
/// Text2, List1).
enum class Side { kDestination, kSource };

/// A window's place and size on the screen, in the view's own (logical) pixels.
struct WindowGeometry {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

/// One line of the details list.
struct DetailLine {
  Text text;
  bool failed =
      false;  ///< a line of a file that could not be converted: shown so that it stands out
  bool warning = false;  ///< a line that warns of something the user should know: coloured too
};

/// The findings of one file, as the findings window shows them: a resizable table, sortable,
/// its text selectable and copyable.
struct FindingsTable {
  Text title;                           ///< "<file> の指摘 N 件"
  Text fileName;                        ///< the file the rows belong to; copied with each row
  std::vector<Text> headings;           ///< column headings, one per cell of a row
  std::vector<std::vector<Text>> rows;  ///< in file order; identical findings once, with a count
  Text note;                            ///< under the table (what was left out); may be empty
};

/// What the report dialog starts with: the folder the delivery report goes to and the datum the
/// files' positions are in, one of `datums` (their shown names, in order).
struct ReportQuestion {
  Text title;
  Text folder;
  std::vector<Text> datums;
  int datum = 0;
  Text datumNote;  ///< under the datum: what the choice does
  /// Where 参照… opens for the folder typed (the model looks at its own file system).
  std::function<Text(const Text& typed)> browseStart;
};

/// What the user chose in the report dialog.
struct ReportAnswer {
  Text folder;    ///< as typed or browsed to, untrimmed
  int datum = 0;  ///< index into ReportQuestion::datums
};

/// What the window model asks of a window, whatever its toolkit. Every call comes on the window
/// thread (the one that made the model), one at a time; a view must not call the model back from
/// inside a call unless the contract says it may. Paths are texts in the host's own form.
class WindowView {
 public:
  virtual ~WindowView() = default;

  /// The screen's area a window may use (without task bars), in the view's pixels.
  virtual WindowGeometry AvailableArea() const = 0;
  /// The smallest size (width, height) at which every control of the window shows.
  virtual WindowGeometry MinimumSize() const = 0;
  /// The size (width, height) the window opens with when none is remembered.
  virtual WindowGeometry StartSize() const = 0;
  /// Places and sizes the window before it is shown (the model has fitted it to the area).
  virtual void PlaceWindow(const WindowGeometry& geometry) = 0;
  /// The window's present place and size, for the settings file.
  virtual WindowGeometry CurrentGeometry() const = 0;

  /// Fills a drive list with these roots and selects `current`, without reporting a change.
  virtual void SetDrives(Side side, const std::vector<Text>& roots, int current) = 0;
  /// Selects a drive list entry without reporting a change (the fall-back after a failed change).
  virtual void SelectDrive(Side side, int index) = 0;
  /// Shows the folder tree of a side at `folder` (at or below `root`, already checked usable),
  /// with its sub-folders read afresh. No change is reported back.
  virtual void ShowFolder(Side side, const Text& root, const Text& folder) = 0;
  /// Text1 (destination) or Text2 (source).
  virtual void SetFolderText(Side side, const Text& text) = 0;
  /// The destination text as the user left it (Text1, untrimmed).
  virtual Text DestinationText() const = 0;
  /// Replaces List1's entries, in order; entries whose text is in `selected` start selected.
  virtual void SetFiles(const std::vector<Text>& names, const std::vector<Text>& selected) = 0;
  /// Texts of List1's selected entries, in list order, untrimmed.
  virtual std::vector<Text> SelectedFiles() const = 0;
  /// The line beside List1 that counts its selected entries ("3000 ファイル選択").
  virtual void SetSelectionCount(const Text& text) = 0;
  /// The line under List1 that says how many files named like TECRIS files are left out of it;
  /// empty: none. Activating it calls WindowModel::OnLeftOutActivated.
  virtual void SetLeftOutLine(const Text& text) = 0;
  /// The line that names the pattern-data folder in use.
  virtual void SetPatternFolderLine(const Text& text) = 0;

  /// The message line (Label3).
  virtual void SetMessageLine(const Text& text) = 0;
  /// Empties the details list.
  virtual void ClearDetails() = 0;
  /// Adds lines at the end of the details list and shows the last one; called with many lines at
  /// once during a run, so a view adds them in one go. A line longer than the list shows whole on
  /// demand (a tooltip or scrolling).
  virtual void AppendDetails(const std::vector<DetailLine>& lines) = 0;
  /// The busy pointer over the window, on or off.
  virtual void SetBusy(bool busy) = 0;
  /// A run is going (true) or over: Execute disabled and Stop offered while it goes.
  virtual void SetRunning(bool running) = 0;
  /// The pattern-data search is going: show "探しています…" with a way to cancel it that calls
  /// WindowModel::CancelSearch; false takes the indication away.
  virtual void SetSearching(bool searching) = 0;
  /// Keyboard focus to Text1 with its whole text selected.
  virtual void FocusDestination() = 0;

  /// Shows a modal box over the window. `answered` must be called exactly once, on the window
  /// thread, when the user has closed it; it may be called before ShowMessage returns (a box with
  /// its own event loop) or later. A question closed without Yes or No answers kNo.
  virtual void ShowMessage(const MessageRequest& box,
                           std::function<void(MessageAnswer)> answered) = 0;
  /// Closes the open box as if it had been closed without an answer; nothing when none is open.
  virtual void WithdrawMessage() = 0;
  /// Shows a file's findings in a window of their own (not modal; a second call replaces what
  /// the first showed). Its copy (Ctrl+C, "コピー") puts FindingsCopyText of the chosen rows, or
  /// of all when none is chosen, on the clipboard; a click on a heading sorts by that column
  /// (SortFindingRows).
  virtual void ShowFindings(const FindingsTable& table) = 0;
  /// Shows one file's boring log in a preview window of its own (not modal; a second call
  /// replaces what the first showed, and the busy text goes). The view lays out the page it
  /// shows (boringlog::PagedLog) at the scale and paper the user picks there, and keeps `hole`
  /// as long as it shows it. A view without a preview ignores it.
  virtual void ShowBoringLog(std::shared_ptr<const boringlog::Borehole> hole) { (void)hole; }
  /// A boring log is being read off the window thread: the preview opens (or stays) with `text`
  /// in place of its page until ShowBoringLog. An empty text ends that without a log (the file
  /// could not be read; a box follows): the preview closes rather than show the earlier file's
  /// log as if it were the one asked for.
  virtual void SetBoringLogBusy(const Text& text) { (void)text; }
  /// Asks for a folder with the system's folder dialog, starting at `start`. `chosen` must be
  /// called exactly once, on the window thread, with the folder or empty when the user cancelled.
  virtual void ChooseFolder(const Text& title, const Text& start,
                            std::function<void(const Text& chosen)> chosen) = 0;
  /// The report dialog, modal: the folder (an edit with a 参照… button that opens the system's
  /// folder dialog at `question.browseStart` of the folder typed) and the datum (a choice of
  /// `question.datums`, `question.datumNote` under it). `answered` must be called exactly once, on
  /// the window thread: with what the user chose on OK, with none when the dialog was cancelled.
  virtual void AskReport(const ReportQuestion& question,
                         std::function<void(std::optional<ReportAnswer>)> answered) = 0;
  /// Opens a document (the user guide, a report) with the program the system uses for it; false
  /// when none could be started.
  virtual bool OpenDocument(const Text& path) = 0;
  /// Ends the program with this exit status; the model calls it once, when nothing is running.
  virtual void EndProgram(int status) = 0;
};

/// Runs a task on the window thread, after the tasks posted before it. Views supply it; it is
/// called from any thread and must not run the task inside the call.
using PostToWindow = std::function<void(std::function<void()> task)>;

/// Runs a task on the window thread once `milliseconds` have passed (a timer). Window thread only.
using PostToWindowLater = std::function<void(int milliseconds, std::function<void()> task)>;

}  // namespace tecris2nx
