#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/window/pattern_search.h"
#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"
#include "tecris/path_check.h"

namespace tecris2nx {

/// The program's own title: the window caption and the title of boxes given none.
extern const Text kProgramTitle;

/// Texts of the window and its run, shown exactly so.
extern const Text kBusyMessage;               ///< message line while the run works
extern const Text kDoneMessage;               ///< message line after a normal end
extern const Text kBadPathMessage;            ///< a folder text fails the path check
extern const Text kTrailingSeparatorMessage;  ///< the destination text ends with a separator
extern const Text kCreateFolderQuestion;      ///< destination levels are missing
extern const Text kNothingSelectedMessage;    ///< no file selected
// A selected file without a usable identifier: kBadFileMessage (run/convert_file.h).
/// The destination names something that is not a folder (asked before anything else).
extern const Text kDestinationNotFolderMessage;
/// Exit or close while a run goes: stop after the files already started and end?
extern const Text kStopAndExitQuestion;
/// Message line after a stop; the count of converted files follows it.
extern const Text kStoppedMessage;
/// Shown while the drives are searched for the pattern data.
extern const Text kSearchingMessage;
/// Message line and box after a run in which some files could not be converted; the counts are
/// put in (see FailureSummary).
Text FailureSummary(std::size_t total, std::size_t converted, std::size_t failed);
/// Title of the folder dialog that asks for the pattern data when none was found.
extern const Text kChoosePatternFolderTitle;
/// Where the pattern data can go (`places`, one a line), under the box that says there is none.
Text PatternFolderHint(const std::vector<Text>& places);
/// The line under the file list: `count` files named like TECRIS files are not in it.
Text LeftOutLine(std::size_t count);
/// What the box after a run lists under the summary: the first failed files with their reasons
/// ("name: reason", one a line), then how many more.
Text FailedFilesList(const std::vector<std::pair<Text, Text>>& failures);
/// A chosen folder holds no pattern data.
extern const Text kNotPatternFolderMessage;
/// A file in a folder marks it as the sample pattern data of the source tree.
extern const Text kSamplePatternMarker;
/// The preview's text while a boring log is read and laid out.
extern const Text kDrawingLogMessage;
/// The user guide is not where it should be; the places looked at follow.
extern const Text kNoGuideMessage;
/// The user guide is there but no program opened it; its place follows.
extern const Text kGuideNotOpenedMessage;
/// Title of the table of the files left out of the file list.
Text LeftOutTitle(std::size_t count);

/// What the model takes from its surroundings; tests replace each one.
struct WindowEnvironment {
  /// Used on the window thread and, during a run, by the workers at the same time.
  FileSystem* fs = nullptr;
  PathStyle style = HostPathStyle();
  /// Files converted at once during a run.
  int workers = 1;
  /// Runs a task on the window thread (see PostToWindow). Required.
  PostToWindow post;
  /// The quick places for the pattern data (environment, next to the program, installed); the
  /// folder ending with the separator, or empty. Window thread.
  std::function<Text()> findPatternFolder;
  /// The slow walk of the local drives; runs on a worker thread, calls `visiting` (on that
  /// thread) with each folder it enters and returns early (empty) once `cancel` is set. Unset: no
  /// walk.
  PatternSearch::Walk searchPatternFolder;
  /// Runs a task on the window thread after a delay; unset: the model never waits for one.
  PostToWindowLater postLater;
  /// The system's double-click time in milliseconds: a click on Stop this soon after Execute is
  /// the second half of a double click on Execute.
  int doubleClickMilliseconds = 500;
  /// The clock for that; unset: the steady clock.
  std::function<std::chrono::steady_clock::time_point()> now;
  /// Roots of the drives, in the host's form ("/" first on POSIX, "C:\" and so on on Windows).
  std::function<std::vector<Text>()> listDrives;
  /// True when the folder can be shown and listed.
  std::function<bool(const Text& folder)> folderUsable;
  /// The process's current folder at start-up, in the host's form.
  std::function<Text()> currentFolder;
  /// The user's documents folder (Windows: the Documents known folder; elsewhere the home
  /// folder), where both sides start when nothing is remembered. Unset or unusable: the current
  /// folder.
  std::function<Text()> documentsFolder;
  /// Makes a folder the process's current folder (the drive with it); false when it cannot be.
  std::function<bool(const Text& folder)> makeCurrent;
  /// The settings file (remembered folders and geometry); empty: nothing is remembered.
  Text settingsFile;
  /// Where the user guide may be, in order (installed, beside the program, in a build).
  std::vector<Text> guideFiles;
  /// Where the pattern data is looked for, in order, for the box that says there is none.
  std::vector<Text> patternPlaces;
};

/// The window's behaviour, toolkit-neutral: start-up, drive and folder choice, the file list,
/// Execute (checks, questions, a batch converted on worker threads), stop, the message line, the
/// details list and closing. Views forward their events to it; everything is called on the
/// window thread.
class WindowModel {
 public:
  WindowModel(WindowView& view, WindowEnvironment env);
  /// Waits for a run, search or boring-log reading still going (told to stop first, if it can).
  ~WindowModel();
  WindowModel(const WindowModel&) = delete;
  WindowModel& operator=(const WindowModel&) = delete;

  /// Start-up: places the window, finds the pattern data and fills the lists. While the drive
  /// walk runs the model is searching and the lists fill once it has found one. Without pattern
  /// data a box says so and a folder dialog asks for it; cancelled, EndProgram(1) follows.
  /// Returns false when the program has ended by the time it returns.
  bool Start();
  /// Cancels the pattern-data walk; start-up then goes on as if nothing was found.
  void CancelSearch();

  /// Drive list `side` changed to `index`: the tree opens on that drive, or the list goes back.
  void OnDriveChosen(Side side, int index);
  /// A folder was chosen in a tree; choosing the shown folder again refreshes it.
  void OnFolderChosen(Side side, const Text& folder);
  /// F5: both trees and the file list read afresh, the selection kept.
  void OnRefresh();
  /// Execute (実行, or Enter): ignored while a run is going or a box is open.
  void OnExecute();
  /// Stop (中止): during the pattern-data walk, cancels it; during a run, the files already
  /// started finish and are written and no new one starts. False
  /// when it was no stop: nothing runs, a stop was asked already, or the click came within the
  /// double-click time after Execute (the second half of a double click on it).
  bool OnStop();
  /// The mouse moved over the window's background (Picture1).
  void OnBackgroundMouseMove();
  /// Exit (終了) or the window's close button. True: the view may close now (EndProgram(0) has
  /// been called). False: the model has asked or is waiting for the run to stop, and ends the
  /// program itself later.
  bool OnCloseRequested();
  /// Files or folders dropped on the window: a folder becomes the source folder; TECRIS files
  /// select their folder and themselves.
  void OnDrop(const std::vector<Text>& paths);
  /// A line of the details list (0 for the first shown) was double-clicked or Enter was pressed
  /// on it: the findings of its file come up in the findings window. A line whose file has none,
  /// or that belongs to no file, shows nothing.
  void OnDetailActivated(int row);
  /// The details list shows only the lines of files that could not be converted (true), or all.
  void OnShowFailuresOnly(bool only);
  /// List1's selection changed; `count` entries are selected now.
  void OnSelectionChanged(std::size_t count);
  /// 柱状図, or a double click on a List1 entry: the boring log of that entry (`name`, as List1
  /// shows it) or, with an empty name, of the first selected one is read on a thread of its own
  /// and shown when read (WindowView::SetBoringLogBusy, then ShowBoringLog). A file the
  /// conversion rejects gets a box with its text; nothing selected, the box of Execute. Asked
  /// again while one is read, the last file asked for is shown once the reading ends (the
  /// file being read is not asked for twice). Ignored while a box is open or before the
  /// pattern data is known.
  void OnShowBoringLog(const Text& name = Text());
  /// 一覧表: the delivery report of the selected files. A dialog asks for its folder and datum
  /// (both remembered), then the files are read on workers with progress on the message line and
  /// Stop offered as in a run; a stop writes nothing. Once written, report.html opens in the
  /// browser. Nothing selected, or a report that cannot be written, gets a box. Ignored while a
  /// run goes or a box is open.
  void OnReport();
  /// Help (F1): the user guide opens; a box says where it looked when it cannot.
  void OnHelp();
  /// The line of files left out of the file list was activated: they come up in the findings
  /// window, each with why it is not listed.
  void OnLeftOutActivated();
  /// What copying these lines of the details list (0 for the first shown; all shown ones when
  /// empty) puts on the clipboard: one line each, every one naming its file.
  Text DetailsCopyText(const std::vector<int>& rows) const;

  /// The pattern-data folder found at start-up, ending with the separator.
  const Text& PatternFolder() const;
  /// True while the completion message waits for the next mouse move over the background.
  bool MessageClearPending() const;
  /// A run is going (from Execute until its last message is answered), or a report (from its
  /// dialog until it is written).
  bool Running() const;
  /// The pattern-data walk is going.
  bool Searching() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tecris2nx
