#pragma once

// The window model's state, shared by the files that define its parts (window_model.cpp: the
// window's events; window_model_run.cpp: a run); included by nothing else.
#include "app/window/window_model.h"

#include <algorithm>
#include <exception>
#include <set>
#include <thread>
#include <utility>

#include "app/window/batch.h"
#include "app/window/boring_log_reader.h"
#include "app/window/details_list.h"
#include "app/window/execute_checks.h"
#include "app/window/folder_listing.h"
#include "app/window/folder_paths.h"
#include "app/window/folder_sides.h"
#include "app/window/message_boxes.h"
#include "app/window/pattern_search.h"
#include "app/window/report_run.h"
#include "app/window/window_geometry.h"
#include "app/window/window_settings.h"
#include "common/error.h"
#include "common/pattern_folder.h"
#include "run/boring_log_file.h"
#include "run/repeated_jobs.h"
#include "tecris/tecris_files.h"

namespace tecris2nx {

class WindowModel::Impl {
 public:
  static Text Number(std::size_t n) { return FromUtf8(std::to_string(n)); }
  /// How often the line and the list are drawn again during a run, and the walk's folder shown.
  static constexpr int kRedrawMilliseconds = 100;
  /// How long the window waits for a folder's listing before it shows the list as it fills.
  static constexpr int kListingWaitMilliseconds = 200;

  /// Where the window is in its life; what may happen next follows from it.
  enum class Phase {
    kStarting,      ///< before the pattern data is known
    kSearching,     ///< the drives are walked for the pattern data
    kChoosing,      ///< the user is asked for the pattern-data folder
    kReady,         ///< waiting for the user
    kChecking,      ///< Execute: the folder texts are checked and questions asked
    kConverting,    ///< the batch runs on the workers
    kAskingReport,  ///< 一覧表: its dialog and the questions after it
    kReporting,     ///< the report is read and written on its worker
    kEnded,         ///< EndProgram was called
  };

  Impl(WindowView& view, WindowEnvironment env)
      : view_(view),
        env_(std::move(env)),
        separator_(SeparatorOf(env_.style)),
        boxes_(view, kProgramTitle, [this] { FlushDetails(); }),
        sides_(view, separator_, env_.fs, env_.folderUsable),
        search_(env_.post),
        listing_(env_.fs, env_.post, std::chrono::milliseconds(kRedrawMilliseconds),
                 std::chrono::milliseconds(kListingWaitMilliseconds)) {}

  ~Impl() {
    listing_.Stop();
    search_.Cancel();
    if (batch_) batch_->stopped = true;
    if (worker_.joinable()) worker_.join();
  }

  bool Start();

  void CancelSearch() { search_.Cancel(); }

  void OnDriveChosen(Side side, int index) {
    if (Started() && sides_.OpenDrive(side, index)) FolderShown(side);
  }

  void OnFolderChosen(Side side, const Text& folder);

  void OnRefresh();

  void OnExecute();

  bool OnStop();

  void OnBackgroundMouseMove();

  bool OnCloseRequested();

  void OnDetailActivated(int row);

  void OnShowBoringLog(const Text& listed);

  /// A boring log asked for was read, or could not be.
  void LogRead(const Text& name, std::shared_ptr<const boringlog::Borehole> hole,
               const Text& error) {
    if (hole) {
      view_.ShowBoringLog(std::move(hole));
      return;
    }
    view_.SetBoringLogBusy(Text());
    boxes_.Show({ShownName(name) + U": " + error, MessageStyle::kOkExclamation, Text(), Text()},
                nullptr);
  }

  void OnShowFailuresOnly(bool only);

  void OnSelectionChanged(std::size_t count) {
    view_.SetSelectionCount(Number(count) + U" ファイル選択");
  }

  void OnReport();

  void OnHelp();

  void OnLeftOutActivated();

  Text DetailsCopyText(const std::vector<int>& rows) const { return details_.CopyText(rows); }

  void OnDrop(const std::vector<Text>& paths);

  const Text& PatternFolder() const { return patternFolder_; }
  bool MessageClearPending() const { return messageClearPending_; }
  bool Running() const {
    return phase_ == Phase::kChecking || phase_ == Phase::kConverting ||
           phase_ == Phase::kAskingReport || phase_ == Phase::kReporting;
  }
  bool Searching() const { return phase_ == Phase::kSearching; }

 private:
  /// One press of Execute, from the checks to the summary.
  struct RunState {
    std::chrono::steady_clock::time_point executed;
    bool stopRequested = false;
    std::size_t total = 0;
    std::size_t converted = 0;
    std::size_t failed = 0;
    Text lastName;                                ///< the file finished last
    Text aborted;                                 ///< the error that ended the batch early, if any
    std::vector<std::pair<Text, Text>> failures;  ///< name and reason of each failed file
    RepeatedJobs jobs;
  };

  /// One report, from its dialog to its end.
  struct ReportState {
    std::vector<Text> files;
    ReportQuestion question;  ///< the dialog as it is shown again after a box
    Text folder;
    bool stopRequested = false;
  };

  /// Why a file named like a TECRIS file is not in the list, as a conversion would say it.
  static Text LeftOutReason(const LeftOutFile& file);

  bool Started() const {
    return phase_ != Phase::kStarting && phase_ != Phase::kSearching && phase_ != Phase::kChoosing;
  }

  std::chrono::steady_clock::time_point Now() const {
    return env_.now ? env_.now() : std::chrono::steady_clock::now();
  }

  void StartSearch();

  /// Asks for the pattern-data folder; the program ends when the user cancels.
  void ChoosePatternFolder();

  void FinishStart();

  /// Where the sides start when nothing is remembered: the user's documents, never the
  /// program's own folder (where an installed program starts and a user cannot write).
  Text StartFolder(const std::vector<Text>& drives) const;

  Text PatternFolderLine() const;

  void FolderShown(Side side);

  /// Lists the source folder's TECRIS files beside the window; the list fills as names are
  /// accepted, the entries named in `selected` selected as they come. `whole`: the list shown
  /// stays until the new one is complete (a refresh of the same folder), so that it never shows
  /// a part of the files with a count of a part of the selection.
  void ListFiles(const std::vector<Text>& selected, bool whole = false);

  /// Gives the view the file list with these entries selected, and their count.
  void SetFiles(const std::vector<Text>& selected);

  /// Reads a side afresh: its tree, and for the source its files with the selection kept.
  void Refresh(Side side);

  /// Shows a folder in a side's tree, switching drives when it is on another one.
  bool MoveTo(Side side, const Text& folder);

  /// Ends a run before its batch with a box; the message line is emptied once it is answered.
  void StopRun(const Text& text, MessageStyle style, const Text& title, bool focusDestination);

  Text SourceText() const {
    return WithTrailingSeparator(sides_.Folder(Side::kSource), separator_);
  }

  void CheckFolders();

  void CollectAndConvert(const Text& checkedDestination);

  /// The destination a run uses, typed or clicked, is shown in the tree and so remembered.
  void ShowDestination(const Text& checked);

  void Drain();

  /// The message line and the new details lines, a few times a second at most: a batch of small
  /// files would otherwise spend its time laying the window out. `now` draws at once.
  void Redraw(bool now);

  void ShowProgress();

  void Apply(WindowBatch::Event& event);

  void BatchEnded();

  void EndRun();

  void SetBusy(bool busy);

  /// The report dialog, shown again with the user's own choice after a box about it.
  void AskReport();
  void ReportAnswered(const std::optional<ReportAnswer>& answer);
  void StartReport(report::Datum datum);
  void ReportEnded(const ReportWorker::Ended& ended);
  /// The user cancelled, or a box after the dialog ended the report before it began.
  void DropReport();

  void ClearDetails() {
    view_.ClearDetails();
    details_.Clear();
  }

  void FlushDetails() {
    std::vector<DetailLine> lines = details_.TakeNew();
    if (!lines.empty()) view_.AppendDetails(lines);
  }

  void EndProgram(int status);

  WindowView& view_;
  WindowEnvironment env_;
  const char32_t separator_;
  Phase phase_ = Phase::kStarting;
  /// Exit was asked while the search or a run went: the program ends once it is over.
  bool closeWhenIdle_ = false;
  bool busy_ = false;
  bool redrawPosted_ = false;
  bool exitQuestionOpen_ = false;
  Text patternFolder_;
  bool messageClearPending_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  BoxQueue boxes_;
  WindowSettings settings_;
  FolderSides sides_;
  std::vector<Text> files_;
  std::vector<LeftOutFile> leftOut_;  ///< files of the listed folder that the list leaves out
  /// Names to select when the listing reaches them.
  std::vector<Text> selectWhenListed_;
  DetailsList details_;
  RunState run_;
  std::shared_ptr<WindowBatch> batch_;
  std::thread worker_;  ///< the batch's
  PatternSearch search_;
  FolderListing listing_;
  std::chrono::steady_clock::time_point lastShown_;
  BoringLogReader logReader_{
      env_.fs, env_.post, [this] { view_.SetBoringLogBusy(kDrawingLogMessage); },
      [this](const Text& name, std::shared_ptr<const boringlog::Borehole> hole, const Text& error) {
        LogRead(name, std::move(hole), error);
      }};
  ReportState report_;
  ReportWorker reportWorker_{env_.post};
};

}  // namespace tecris2nx
