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
#include "app/window/window_geometry.h"
#include "app/window/window_settings.h"
#include "common/error.h"
#include "common/pattern_folder.h"
#include "run/boring_log_file.h"
#include "run/repeated_jobs.h"
#include "tecris/tecris_files.h"

namespace tecris2nx {

namespace {

Text Number(std::size_t n) { return FromUtf8(std::to_string(n)); }

/// How often the line and the list are drawn again during a run, and the walk's folder shown.
constexpr int kRedrawMilliseconds = 100;
/// How long the window waits for a folder's listing before it shows the list as it fills.
constexpr int kListingWaitMilliseconds = 200;

}  // namespace

class WindowModel::Impl {
 public:
  /// Where the window is in its life; what may happen next follows from it.
  enum class Phase {
    kStarting,    ///< before the pattern data is known
    kSearching,   ///< the drives are walked for the pattern data
    kChoosing,    ///< the user is asked for the pattern-data folder
    kReady,       ///< waiting for the user
    kChecking,    ///< Execute: the folder texts are checked and questions asked
    kConverting,  ///< the batch runs on the workers
    kEnded,       ///< EndProgram was called
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

  bool Start() {
    settings_ = LoadWindowSettings(*env_.fs, env_.settingsFile);
    view_.PlaceWindow(FitWindow(settings_.geometry, view_.AvailableArea(), view_.MinimumSize(),
                                view_.StartSize()));
    try {
      patternFolder_ = env_.findPatternFolder ? env_.findPatternFolder() : Text();
    } catch (const std::exception&) {
      patternFolder_.clear();  // a lookup that fails has found nothing
    }
    if (patternFolder_.empty() && !settings_.patternFolder.empty() &&
        HoldsPatternData(*env_.fs, settings_.patternFolder, separator_)) {
      patternFolder_ = WithTrailingSeparator(settings_.patternFolder, separator_);
    }
    if (patternFolder_.empty() && env_.searchPatternFolder) {
      StartSearch();
    } else {
      FinishStart();
    }
    return phase_ != Phase::kEnded;
  }

  void CancelSearch() { search_.Cancel(); }

  void OnDriveChosen(Side side, int index) {
    if (Started() && sides_.OpenDrive(side, index)) FolderShown(side);
  }

  void OnFolderChosen(Side side, const Text& folder) {
    if (!Started()) return;
    if (folder == sides_.Folder(side)) {
      Refresh(side);
    } else if (sides_.OpenFolder(side, folder)) {
      FolderShown(side);
    }
  }

  void OnRefresh() {
    if (!Started()) return;
    Refresh(Side::kDestination);
    Refresh(Side::kSource);
  }

  void OnExecute() {
    if (phase_ != Phase::kReady || !boxes_.Empty()) return;
    phase_ = Phase::kChecking;
    run_ = RunState{};
    run_.executed = Now();
    // The last run's results stay until this one has files to convert.
    view_.SetMessageLine(kBusyMessage);
    try {
      CheckFolders();
    } catch (const std::exception& e) {
      StopRun(UnexpectedErrorText(e.what()), MessageStyle::kOkExclamation, Text(), false);
    }
  }

  bool OnStop() {
    if (phase_ == Phase::kSearching) {
      CancelSearch();
      return true;
    }
    if (phase_ != Phase::kConverting || run_.stopRequested) return false;
    // The second click of a double click on Execute lands where Stop appears: not a stop.
    if (Now() - run_.executed < std::chrono::milliseconds(env_.doubleClickMilliseconds)) {
      return false;
    }
    run_.stopRequested = true;
    batch_->stopped = true;
    return true;
  }

  void OnBackgroundMouseMove() {
    if (!messageClearPending_) return;
    view_.SetMessageLine(Text());
    messageClearPending_ = false;
  }

  bool OnCloseRequested() {
    if (closeWhenIdle_ || phase_ == Phase::kEnded) return false;
    if (phase_ == Phase::kSearching) {
      closeWhenIdle_ = true;
      CancelSearch();
      return false;
    }
    if (phase_ != Phase::kConverting && phase_ != Phase::kChecking) {
      EndProgram(0);
      return true;
    }
    if (!boxes_.Empty()) return false;  // a box is open: it is answered first
    exitQuestionOpen_ = true;
    boxes_.Show({kStopAndExitQuestion, MessageStyle::kYesNoQuestion, Text(), Text()},
                [this](MessageAnswer answer) {
                  exitQuestionOpen_ = false;
                  if (answer != MessageAnswer::kYes) return;
                  if (phase_ != Phase::kConverting && phase_ != Phase::kChecking) {
                    EndProgram(0);
                    return;
                  }
                  closeWhenIdle_ = true;
                  run_.stopRequested = true;
                  if (batch_) batch_->stopped = true;
                });
    return false;
  }

  void OnDetailActivated(int row) {
    if (row < 0) return;
    const KeptFindings* findings = details_.FindingsOfShownLine(static_cast<std::size_t>(row));
    if (findings) view_.ShowFindings(findings->Table());
  }

  void OnShowBoringLog(const Text& listed) {
    if (!boxes_.Empty() || patternFolder_.empty()) return;
    Text name = TrimBlanks(listed);
    if (name.empty()) {
      const std::vector<Text> selected = view_.SelectedFiles();
      if (!selected.empty()) name = TrimBlanks(selected.front());
    }
    if (name.empty()) {
      boxes_.Show({kNothingSelectedMessage, MessageStyle::kOkOnly, Text(), Text()}, nullptr);
      return;
    }
    logReader_.Ask(name, TrimBlanks(SourceText()) + name, patternFolder_);
  }

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

  void OnShowFailuresOnly(bool only) {
    FlushDetails();
    const std::vector<DetailLine> lines = details_.ShowFailuresOnly(only);
    view_.ClearDetails();
    if (!lines.empty()) view_.AppendDetails(lines);
  }

  void OnSelectionChanged(std::size_t count) {
    view_.SetSelectionCount(Number(count) + U" ファイル選択");
  }

  void OnHelp() {
    Text found;
    for (const Text& file : env_.guideFiles) {
      if (env_.fs->KindOf(file) != EntryKind::kFile) continue;
      if (view_.OpenDocument(file)) return;
      if (found.empty()) found = file;
    }
    if (!found.empty()) {
      boxes_.Show({kGuideNotOpenedMessage, MessageStyle::kOkExclamation, Text(), found}, nullptr);
      return;
    }
    Text places;
    for (const Text& file : env_.guideFiles) places += (places.empty() ? U"" : U"\n") + file;
    boxes_.Show({kNoGuideMessage, MessageStyle::kOkExclamation, Text(), places}, nullptr);
  }

  void OnLeftOutActivated() {
    if (leftOut_.empty()) return;
    FindingsTable table;
    table.title = LeftOutTitle(leftOut_.size());
    table.headings = {U"ファイル", U"理由"};
    for (const LeftOutFile& file : leftOut_) table.rows.push_back({file.name, LeftOutReason(file)});
    view_.ShowFindings(table);
  }

  Text DetailsCopyText(const std::vector<int>& rows) const { return details_.CopyText(rows); }

  void OnDrop(const std::vector<Text>& paths) {
    if (phase_ != Phase::kReady || !boxes_.Empty() || paths.empty()) return;
    Text folder;
    std::vector<Text> names;
    for (const Text& path : paths) {
      const EntryKind kind = env_.fs->KindOf(path);
      if (kind == EntryKind::kFolder && folder.empty() && names.empty()) {
        folder = path;
        break;
      }
      const Text name = FileNameOf(path, separator_);
      if (kind != EntryKind::kFile || !IsTecrisFileName(name)) continue;
      const Text in = FolderOf(path, separator_);
      if (folder.empty()) folder = in;
      if (in == folder) names.push_back(name);
    }
    if (folder.empty() || !MoveTo(Side::kSource, folder)) return;
    if (!names.empty()) {
      selectWhenListed_ = names;  // kept for the names the listing has not reached yet
      SetFiles(names);
    }
  }

  const Text& PatternFolder() const { return patternFolder_; }
  bool MessageClearPending() const { return messageClearPending_; }
  bool Running() const { return phase_ == Phase::kChecking || phase_ == Phase::kConverting; }
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

  /// Why a file named like a TECRIS file is not in the list, as a conversion would say it.
  static Text LeftOutReason(const LeftOutFile& file) {
    switch (file.why) {
      case LeftOutFile::Why::kUnreadable:
        return file.error;
      case LeftOutFile::Why::kOtherIdentifier:
        return U"識別子（2 番目のフィールド）" + file.identifier +
               U" がファイル名と違います。変換すると " + file.identifier +
               U" のフォルダに書き出されます";
      case LeftOutFile::Why::kNoIdentifier:
        break;
    }
    return NoJobNameReason(EntryKind::kFile);
  }

  bool Started() const {
    return phase_ != Phase::kStarting && phase_ != Phase::kSearching && phase_ != Phase::kChoosing;
  }

  std::chrono::steady_clock::time_point Now() const {
    return env_.now ? env_.now() : std::chrono::steady_clock::now();
  }

  void StartSearch() {
    phase_ = Phase::kSearching;
    view_.SetSearching(true);
    view_.SetMessageLine(kSearchingMessage);
    search_.Start(
        env_.searchPatternFolder, std::chrono::milliseconds(kRedrawMilliseconds),
        [this](const Text& folder) {
          if (phase_ == Phase::kSearching) view_.SetMessageLine(kSearchingMessage + U" " + folder);
        },
        [this](const Text& found) {
          view_.SetSearching(false);
          view_.SetMessageLine(Text());
          phase_ = Phase::kStarting;
          patternFolder_ = found;
          if (closeWhenIdle_) {
            EndProgram(0);
            return;
          }
          FinishStart();
        });
  }

  /// Asks for the pattern-data folder; the program ends when the user cancels.
  void ChoosePatternFolder() {
    phase_ = Phase::kChoosing;
    const Text start = StartFolder(sides_.Drives());
    view_.ChooseFolder(kChoosePatternFolderTitle, start, [this](const Text& chosen) {
      if (chosen.empty()) {
        EndProgram(1);
        return;
      }
      if (!HoldsPatternData(*env_.fs, chosen, separator_)) {
        boxes_.Show({kNotPatternFolderMessage, MessageStyle::kOkExclamation, Text(), Text()},
                    [this](MessageAnswer) { ChoosePatternFolder(); });
        return;
      }
      patternFolder_ = WithTrailingSeparator(chosen, separator_);
      settings_.patternFolder = chosen;
      FinishStart();
    });
  }

  void FinishStart() {
    if (patternFolder_.empty()) {
      phase_ = Phase::kChoosing;
      boxes_.Show({kNoPatternFolderMessage, MessageStyle::kOkOnly, Text(),
                   PatternFolderHint(env_.patternPlaces)},
                  [this](MessageAnswer) { ChoosePatternFolder(); });
      return;
    }
    messageClearPending_ = false;
    view_.SetPatternFolderLine(PatternFolderLine());

    std::vector<Text> drives = env_.listDrives ? env_.listDrives() : std::vector<Text>();
    if (drives.empty()) drives.push_back(separator_ == U'\\' ? Text(U"C:\\") : Text(U"/"));
    const Text start = StartFolder(drives);
    sides_.Place(std::move(drives), {settings_.destination, settings_.source}, start);
    phase_ = Phase::kReady;
    FolderShown(Side::kDestination);
    FolderShown(Side::kSource);
  }

  /// Where the sides start when nothing is remembered: the user's documents, never the
  /// program's own folder (where an installed program starts and a user cannot write).
  Text StartFolder(const std::vector<Text>& drives) const {
    if (env_.documentsFolder) {
      const Text documents = env_.documentsFolder();
      if (!documents.empty() && sides_.Usable(documents)) return documents;
    }
    if (env_.currentFolder) return env_.currentFolder();
    return drives.empty() ? Text() : drives[0];
  }

  Text PatternFolderLine() const {
    Text line = U"PATDAT: " + patternFolder_;
    if (env_.fs->KindOf(patternFolder_ + kSamplePatternMarker) == EntryKind::kFile) {
      line += U"（見本のデータです。実際の変換には本物の PATDAT を使ってください）";
    }
    return line;
  }

  void FolderShown(Side side) {
    const Text& folder = sides_.Folder(side);
    if (env_.makeCurrent) env_.makeCurrent(folder);
    sides_.Remember(side);
    if (side == Side::kDestination) {
      view_.SetFolderText(side, folder);
      return;
    }
    view_.SetFiles({}, {});
    view_.SetFolderText(side, WithTrailingSeparator(folder, separator_));
    ListFiles({});
  }

  /// Lists the source folder's TECRIS files beside the window; the list fills as names are
  /// accepted, the entries named in `selected` selected as they come. `whole`: the list shown
  /// stays until the new one is complete (a refresh of the same folder), so that it never shows
  /// a part of the files with a count of a part of the selection.
  void ListFiles(const std::vector<Text>& selected, bool whole = false) {
    files_.clear();
    leftOut_.clear();
    selectWhenListed_ = selected;
    listing_.Start(
        sides_.Folder(Side::kSource),
        [this, whole](std::vector<Text> names, std::vector<LeftOutFile> leftOut, bool done) {
          const bool first = files_.empty();
          leftOut_.insert(leftOut_.end(), std::make_move_iterator(leftOut.begin()),
                          std::make_move_iterator(leftOut.end()));
          files_.insert(files_.end(), std::make_move_iterator(names.begin()),
                        std::make_move_iterator(names.end()));
          if (whole && !done) return;
          view_.SetLeftOutLine(LeftOutLine(leftOut_.size()));
          // Held back, the list shown until now has the selection to keep, as the user left it;
          // else what the user selected in the part shown so far.
          std::vector<Text> keep = whole ? std::vector<Text>() : selectWhenListed_;
          if (whole || !first) {
            for (Text& name : view_.SelectedFiles()) keep.push_back(std::move(name));
          }
          SetFiles(keep);
        });
  }

  /// Gives the view the file list with these entries selected, and their count.
  void SetFiles(const std::vector<Text>& selected) {
    view_.SetFiles(files_, selected);
    const std::set<Text> wanted(selected.begin(), selected.end());
    const auto count = std::count_if(files_.begin(), files_.end(),
                                     [&](const Text& name) { return wanted.count(name) > 0; });
    OnSelectionChanged(static_cast<std::size_t>(count));
  }

  /// Reads a side afresh: its tree, and for the source its files with the selection kept.
  void Refresh(Side side) {
    switch (sides_.Reopen(side)) {
      case FolderSides::Reopened::kSame:
        if (side == Side::kSource) ListFiles(view_.SelectedFiles(), true);
        break;
      case FolderSides::Reopened::kRoot:  // the folder went away: its root is the nearest place
        FolderShown(side);
        break;
      case FolderSides::Reopened::kNeither:
        break;
    }
  }

  /// Shows a folder in a side's tree, switching drives when it is on another one.
  bool MoveTo(Side side, const Text& folder) {
    if (!sides_.MoveTo(side, folder)) return false;
    FolderShown(side);
    return true;
  }

  /// Ends a run before its batch with a box; the message line is emptied once it is answered.
  void StopRun(const Text& text, MessageStyle style, const Text& title, bool focusDestination) {
    boxes_.Show({text, style, title, Text()}, [this, focusDestination](MessageAnswer) {
      if (focusDestination) view_.FocusDestination();
      view_.SetMessageLine(Text());
      EndRun();
    });
  }

  Text SourceText() const {
    return WithTrailingSeparator(sides_.Folder(Side::kSource), separator_);
  }

  void CheckFolders() {
    const ExecutePlan plan =
        PlanExecute(SourceText(), view_.DestinationText(), *env_.fs, env_.style);
    for (const Text& notice : plan.notices) {
      boxes_.Show({notice, MessageStyle::kOkInformation, Text(), Text()}, nullptr);
    }
    switch (plan.next) {
      case ExecutePlan::Next::kStop:
        StopRun(plan.stopBox.text, plan.stopBox.style, plan.stopBox.title, plan.focusDestination);
        return;
      case ExecutePlan::Next::kConvert:
        CollectAndConvert(plan.destination);
        return;
      case ExecutePlan::Next::kAskToCreate:
        break;
    }
    boxes_.Show({kCreateFolderQuestion, MessageStyle::kYesNoQuestion, Text(), Text()},
                [this, plan](MessageAnswer answer) {
                  if (answer != MessageAnswer::kYes) {
                    view_.SetMessageLine(Text());
                    EndRun();
                    return;
                  }
                  try {
                    // Top down, each level after its parent.
                    for (const Text& level : plan.levels) {
                      if (env_.fs->KindOf(level) == EntryKind::kNone) env_.fs->MakeFolder(level);
                    }
                  } catch (const ConversionError& e) {
                    StopRun(e.message(), MessageStyle::kOkExclamation, Text(), false);
                    return;
                  } catch (const std::exception& e) {
                    StopRun(UnexpectedErrorText(e.what()), MessageStyle::kOkExclamation, Text(),
                            false);
                    return;
                  }
                  CollectAndConvert(plan.destination);
                });
  }

  void CollectAndConvert(const Text& checkedDestination) {
    SetBusy(true);
    std::vector<Text> names;
    for (const Text& name : view_.SelectedFiles()) names.push_back(TrimBlanks(name));
    if (names.empty()) {
      StopRun(kNothingSelectedMessage, MessageStyle::kOkOnly, Text(), false);
      return;
    }
    ClearDetails();
    auto batch = std::make_shared<WindowBatch>();
    const Text sourceFolder = TrimBlanks(SourceText());
    for (const Text& name : names) batch->inputs.push_back(sourceFolder + name);
    batch->outputFolder = TrimBlanks(view_.DestinationText());
    ShowDestination(checkedDestination);
    batch->patternFolder = patternFolder_;
    batch->fs = env_.fs;
    batch->style = env_.style;
    batch->workers = env_.workers;
    batch->post = env_.post;
    const std::weak_ptr<bool> alive = alive_;
    batch->drain = [this, alive] {
      if (!alive.expired()) Drain();
    };
    run_.total = batch->inputs.size();
    batch_ = batch;
    phase_ = Phase::kConverting;
    ShowProgress();
    // Stop is offered once there is a batch to stop, not during the questions before it.
    view_.SetRunning(true);
    worker_ = std::thread([batch] { batch->Run(); });
  }

  /// The destination a run uses, typed or clicked, is shown in the tree and so remembered.
  void ShowDestination(const Text& checked) {
    Text folder = checked;
    const std::vector<Text>& drives = sides_.Drives();
    const bool root = std::find(drives.begin(), drives.end(), folder) != drives.end();
    if (!root && !folder.empty() && folder.back() == separator_) folder.pop_back();
    if (folder == sides_.Folder(Side::kDestination)) return;
    const Text typed = view_.DestinationText();
    MoveTo(Side::kDestination, folder);
    // Text1 keeps what the user typed.
    if (view_.DestinationText() != typed) view_.SetFolderText(Side::kDestination, typed);
  }

  void Drain() {
    if (!batch_) return;
    for (WindowBatch::Event& event : batch_->Take()) Apply(event);
    Redraw(false);
  }

  /// The message line and the new details lines, a few times a second at most: a batch of small
  /// files would otherwise spend its time laying the window out. `now` draws at once.
  void Redraw(bool now) {
    const auto time = std::chrono::steady_clock::now();
    const auto wait = std::chrono::milliseconds(kRedrawMilliseconds) - (time - lastShown_);
    if (!now && wait > std::chrono::milliseconds(0)) {
      if (!redrawPosted_ && env_.postLater) {
        redrawPosted_ = true;
        const std::weak_ptr<bool> alive = alive_;
        env_.postLater(
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()),
            [this, alive] {
              if (alive.expired()) return;
              redrawPosted_ = false;
              Redraw(true);
            });
      }
      return;
    }
    lastShown_ = time;
    FlushDetails();
    if (phase_ == Phase::kConverting) ShowProgress();
  }

  void ShowProgress() {
    Text line =
        kBusyMessage + U" " + Number(run_.converted + run_.failed) + U" / " + Number(run_.total);
    if (!run_.lastName.empty()) line += U"  " + run_.lastName;
    view_.SetMessageLine(line);
  }

  void Apply(WindowBatch::Event& event) {
    switch (event.kind) {
      case WindowBatch::Event::Kind::kFinished: {
        const FileReport& report = event.report;
        run_.lastName = FileNameOf(report.inputPath, separator_);
        std::vector<Text> warnings;
        if (const Text notice = EncodingNotice(report.encoding); !notice.empty()) {
          warnings.push_back(notice);
        }
        if (const Text earlier = run_.jobs.Earlier(run_.lastName, report.jobName);
            !earlier.empty()) {
          warnings.push_back(RepeatedJobNotice(report.jobName, earlier));
        }
        if (report.outcome == FileOutcome::kConverted) {
          ++run_.converted;
          details_.AddConverted(report, separator_, warnings);
        } else {
          ++run_.failed;
          run_.failures.emplace_back(run_.lastName, FailureReason(report));
          details_.AddFailed(report, separator_, warnings);
        }
        break;
      }
      case WindowBatch::Event::Kind::kAborted:
        run_.aborted = event.problem;
        details_.AddBatchError(event.problem);
        break;
      case WindowBatch::Event::Kind::kEnded:
        BatchEnded();
        break;
    }
  }

  void BatchEnded() {
    if (worker_.joinable()) worker_.join();
    batch_.reset();
    FlushDetails();
    const std::size_t finished = run_.converted + run_.failed;
    const bool cut = finished < run_.total;
    Text summary;  // for the box; empty: none
    Text named;    // the box's list of failed files
    if (run_.stopRequested && cut) {
      Text line = kStoppedMessage + U"（" + Number(run_.total) + U" ファイル中 " +
                  Number(run_.converted) + U" ファイルを変換しました";
      if (run_.failed > 0) line += U"。" + Number(run_.failed) + U" ファイルは変換できませんでした";
      view_.SetMessageLine(line + U"）");
      messageClearPending_ = run_.failed == 0;
    } else if (run_.failed == 0 && run_.aborted.empty()) {
      messageClearPending_ = true;
      view_.SetMessageLine(kDoneMessage);
    } else {
      // The summary stays: it is not cleared by the next mouse move.
      summary = run_.aborted.empty() ? FailureSummary(run_.total, run_.converted, run_.failed)
                                     : run_.aborted;
      named = FailedFilesList(run_.failures);
      view_.SetMessageLine(summary);
    }
    // An exit question asked during the run no longer fits: nothing is converting now.
    if (exitQuestionOpen_) view_.WithdrawMessage();
    // The run is over before its box shows: behind the box the window is ready again.
    EndRun();
    if (!summary.empty() && phase_ != Phase::kEnded) {
      boxes_.Show({summary, MessageStyle::kOkExclamation, Text(), named}, nullptr);
    }
  }

  void EndRun() {
    const bool offered = phase_ == Phase::kConverting;
    phase_ = Phase::kReady;
    SetBusy(false);
    if (offered) view_.SetRunning(false);
    // Show job folders the run may have made and files that appeared; Text1 keeps its text.
    const Text typed = view_.DestinationText();
    Refresh(Side::kDestination);
    if (view_.DestinationText() != typed) view_.SetFolderText(Side::kDestination, typed);
    Refresh(Side::kSource);
    if (closeWhenIdle_) EndProgram(0);
  }

  void SetBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    view_.SetBusy(busy);
  }

  void ClearDetails() {
    view_.ClearDetails();
    details_.Clear();
  }

  void FlushDetails() {
    std::vector<DetailLine> lines = details_.TakeNew();
    if (!lines.empty()) view_.AppendDetails(lines);
  }

  void EndProgram(int status) {
    if (phase_ == Phase::kEnded) return;
    const bool started = Started();
    phase_ = Phase::kEnded;
    if (started) {
      settings_.destination = sides_.Folder(Side::kDestination);
      settings_.source = sides_.Folder(Side::kSource);
      settings_.geometry = view_.CurrentGeometry();
    }
    if (started || !settings_.patternFolder.empty()) {
      SaveWindowSettings(*env_.fs, env_.settingsFile, settings_);
    }
    view_.EndProgram(status);
  }

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
};

WindowModel::WindowModel(WindowView& view, WindowEnvironment env)
    : impl_(std::make_unique<Impl>(view, std::move(env))) {}
WindowModel::~WindowModel() = default;

bool WindowModel::Start() { return impl_->Start(); }
void WindowModel::CancelSearch() { impl_->CancelSearch(); }
void WindowModel::OnDriveChosen(Side side, int index) { impl_->OnDriveChosen(side, index); }
void WindowModel::OnFolderChosen(Side side, const Text& folder) {
  impl_->OnFolderChosen(side, folder);
}
void WindowModel::OnRefresh() { impl_->OnRefresh(); }
void WindowModel::OnExecute() { impl_->OnExecute(); }
bool WindowModel::OnStop() { return impl_->OnStop(); }
void WindowModel::OnBackgroundMouseMove() { impl_->OnBackgroundMouseMove(); }
bool WindowModel::OnCloseRequested() { return impl_->OnCloseRequested(); }
void WindowModel::OnDrop(const std::vector<Text>& paths) { impl_->OnDrop(paths); }
void WindowModel::OnDetailActivated(int row) { impl_->OnDetailActivated(row); }
void WindowModel::OnShowBoringLog(const Text& name) { impl_->OnShowBoringLog(name); }
void WindowModel::OnShowFailuresOnly(bool only) { impl_->OnShowFailuresOnly(only); }
void WindowModel::OnSelectionChanged(std::size_t count) { impl_->OnSelectionChanged(count); }
void WindowModel::OnHelp() { impl_->OnHelp(); }
void WindowModel::OnLeftOutActivated() { impl_->OnLeftOutActivated(); }
Text WindowModel::DetailsCopyText(const std::vector<int>& rows) const {
  return impl_->DetailsCopyText(rows);
}
const Text& WindowModel::PatternFolder() const { return impl_->PatternFolder(); }
bool WindowModel::MessageClearPending() const { return impl_->MessageClearPending(); }
bool WindowModel::Running() const { return impl_->Running(); }
bool WindowModel::Searching() const { return impl_->Searching(); }

}  // namespace tecris2nx
