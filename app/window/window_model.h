#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

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
  /// The slow walk of the local drives; runs on a worker thread and returns early (empty) once
  /// `cancel` is set. Unset: no walk.
  std::function<Text(const std::atomic<bool>& cancel)> searchPatternFolder;
  /// Roots of the drives, in the host's form ("/" first on POSIX, "C:\" and so on on Windows).
  std::function<std::vector<Text>()> listDrives;
  /// True when the folder can be shown and listed.
  std::function<bool(const Text& folder)> folderUsable;
  /// The process's current folder at start-up, in the host's form.
  std::function<Text()> currentFolder;
  /// Makes a folder the process's current folder (the drive with it); false when it cannot be.
  std::function<bool(const Text& folder)> makeCurrent;
  /// The settings file (remembered folders and geometry); empty: nothing is remembered.
  Text settingsFile;
};

/// The window's behaviour, toolkit-neutral: start-up, drive and folder choice, the file list,
/// Execute (checks, questions, a batch converted on worker threads), stop, the message line, the
/// details list and closing. Views forward their events to it; everything is called on the
/// window thread.
class WindowModel {
 public:
  WindowModel(WindowView& view, WindowEnvironment env);
  /// Waits for a run or search still going (it is told to stop first).
  ~WindowModel();
  WindowModel(const WindowModel&) = delete;
  WindowModel& operator=(const WindowModel&) = delete;

  /// Start-up: places the window, finds the pattern data and fills the lists. Returns false when
  /// the program ends (no pattern data: the box is shown and EndProgram(1) follows its answer).
  /// While the drive walk runs the model is searching and the lists fill once it has found one.
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
  /// Stop (中止): the files already started finish and are written; no new one starts.
  void OnStop();
  /// The mouse moved over the window's background (Picture1).
  void OnBackgroundMouseMove();
  /// Exit (終了) or the window's close button. True: the view may close now (EndProgram(0) has
  /// been called). False: the model has asked or is waiting for the run to stop, and ends the
  /// program itself later.
  bool OnCloseRequested();
  /// Files or folders dropped on the window: a folder becomes the source folder; TECRIS files
  /// select their folder and themselves.
  void OnDrop(const std::vector<Text>& paths);
  /// A line of the details list (0 for the first since the run began) was double-clicked or
  /// Enter was pressed on it: the findings of its file come up in a box. A line whose file has
  /// none, or that belongs to no file, shows nothing; so does a call while a box is open.
  void OnDetailActivated(int row);

  /// The pattern-data folder found at start-up, ending with the separator.
  const Text& PatternFolder() const;
  /// 1 while the completion message waits for the next mouse move over the background, else 0.
  std::int16_t MessageClearPending() const;
  /// A run is going (from Execute until its last message is answered).
  bool Running() const;
  /// The pattern-data walk is going.
  bool Searching() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tecris2nx
