#include "app/window/window_model.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "app/window/batch.h"
#include "app/window/details_list.h"
#include "app/window/execute_checks.h"
#include "app/window/folder_paths.h"
#include "app/window/message_boxes.h"
#include "app/window/window_geometry.h"
#include "app/window/window_settings.h"
#include "common/error.h"
#include "common/pattern_folder.h"
#include "run/boring_log_file.h"
#include "tecris/tecris_files.h"

namespace tecris2nx {

const Text kProgramTitle = U"TECRIS -> Nx 変換プログラム";
const Text kBusyMessage = U"只今変換中！　しばらくお待ちください。";
const Text kDoneMessage = U"変換が正常に終了しました。";
const Text kBadPathMessage = U"指定されたパスは正しくありません。";
const Text kTrailingSeparatorMessage = U"最後のフォルダに「￥」は要りません。";
const Text kCreateFolderQuestion = U"フォルダがありません。新規作成しますか？";
const Text kNothingSelectedMessage = U"変換元ファイルが選択されていません。";
const Text kDestinationNotFolderMessage =
    U"変換先に同じ名前のファイルがあります。変換先にはフォルダを指定してください。";
const Text kStopAndExitQuestion =
    U"変換中です。変換中のファイルが終わったところで中止して終了しますか？";
const Text kStoppedMessage = U"変換を中止しました。";
const Text kSearchingMessage = U"PATDAT を探しています…";
const Text kChoosePatternFolderTitle =
    U"PATDAT フォルダ（kishitu.txt のあるフォルダ）を選んでください";
const Text kNotPatternFolderMessage =
    U"選んだフォルダには kishitu.txt がないか、空です。PATDAT フォルダを選んでください。";
const Text kSamplePatternMarker = U"tecris2nx-sample.txt";
const Text kNoGuideMessage = U"利用者の手引き（tecris2nx-guide-ja.html）を開けません。";
const Text kDrawingLogMessage = U"柱状図を作成しています…";

namespace {

/// Where the pattern data can go, under the box that says there is none.
Text PatternFolderHint() {
#ifdef _WIN32
  return U"PATDAT フォルダをプログラムと同じフォルダか %LOCALAPPDATA%\\tecris2nx\\PATDAT、"
         U"%ProgramData%\\tecris2nx\\PATDAT に置くか、環境変数 TECRIS2NX_PATDAT でその場所を"
         U"指定してください。次の画面でフォルダを選ぶこともできます。";
#else
  return U"PATDAT フォルダをプログラムと同じフォルダか <prefix>/share/tecris2nx/PATDAT "
         U"に置くか、環境変数 TECRIS2NX_PATDAT でその場所を指定してください。"
         U"次の画面でフォルダを選ぶこともできます。";
#endif
}

Text Number(std::size_t n) { return FromUtf8(std::to_string(n)); }

int SideIndex(Side side) { return side == Side::kDestination ? 0 : 1; }

/// How often the line and the list are drawn again during a run, and the walk's folder shown.
constexpr int kRedrawMilliseconds = 100;
/// How long the window waits for a folder's listing before it shows the list as it fills.
constexpr int kListingWaitMilliseconds = 200;

/// The first line of a failed file's lines carries this mark.
const Text kFailedMark = U"× ";

/// What went wrong with a file, as its detail says it.
Text ProblemOf(const FileReport& report) {
  if (report.outcome != FileOutcome::kNoJobName) return report.error;
  if (report.error.rfind(kBadFileMessage, 0) == 0) return report.error;
  return kBadFileMessage + U"（" + report.error + U"）";
}

}  // namespace

Text FailureSummary(std::size_t total, std::size_t converted, std::size_t failed) {
  return Number(total) + U" ファイル中 " + Number(converted) + U" ファイルを変換しました。" +
         Number(failed) + U" ファイルは変換できませんでした（一覧をご覧ください）。";
}

class WindowModel::Impl {
 public:
  /// A file whose boring log was asked for: its name in List1 and its path then.
  struct LogRequest {
    Text name;
    Text path;
  };

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
        boxes_(view, kProgramTitle, [this] { FlushDetails(); }) {}

  ~Impl() {
    // A reading cannot be stopped half-way; it takes well under a second.
    if (logReader_.thread.joinable()) logReader_.thread.join();
    StopListing();
    if (searchCancel_) *searchCancel_ = true;
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

  void CancelSearch() {
    if (searchCancel_) *searchCancel_ = true;
  }

  void OnDriveChosen(Side side, int index) {
    if (!Started() || index < 0 || index >= static_cast<int>(drives_.size())) return;
    SideState& state = sides_[SideIndex(side)];
    const Text& root = drives_[static_cast<std::size_t>(index)];
    const auto known = lastFolderOnDrive_.find(root);
    const Text folder = known == lastFolderOnDrive_.end() ? root : known->second;
    // A folder remembered on the drive may be gone since; the root is the next best place.
    const bool opened = Open(side, root, folder) || (folder != root && Open(side, root, root));
    if (!opened) {
      // The drive cannot be used: the list goes back to the drive still shown in the tree.
      view_.SelectDrive(side, state.driveIndex);
      return;
    }
    state.driveIndex = index;
    FolderShown(side);
  }

  void OnFolderChosen(Side side, const Text& folder) {
    if (!Started()) return;
    SideState& state = sides_[SideIndex(side)];
    if (folder == state.folder) {
      Refresh(side);
      return;
    }
    if (Open(side, state.root, folder)) {
      FolderShown(side);
    } else {
      view_.ShowFolder(side, state.root, state.folder);  // refused: the tree stays where it was
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
    ClearDetails();
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
    boxes_.Show({kStopAndExitQuestion, MessageStyle::kYesNoQuestion, Text(), Text()},
                [this](MessageAnswer answer) {
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
    if (logReader_.thread.joinable()) {
      // The file being read comes anyway; another one waits for its turn, the last asked wins.
      if (name == logReader_.reading) {
        logReader_.next = {};
      } else {
        logReader_.next = {name, TrimBlanks(SourceText()) + name};
      }
      return;
    }
    StartLogReading({name, TrimBlanks(SourceText()) + name});
  }

  /// Reads a boring log beside the window: a file of 10,000 layers takes a noticeable moment.
  void StartLogReading(LogRequest request) {
    logReader_.reading = request.name;
    logReader_.next = {};
    view_.SetBoringLogBusy(kDrawingLogMessage);
    const std::weak_ptr<bool> alive = alive_;
    logReader_.thread = std::thread([this, alive, post = env_.post, fs = env_.fs,
                                     path = request.path, folder = patternFolder_,
                                     date = BoringLogDate()] {
      std::shared_ptr<const boringlog::Borehole> hole;
      Text error;
      try {
        hole =
            std::make_shared<const boringlog::Borehole>(ReadBoreholeFile(*fs, path, folder, date));
      } catch (const ConversionError& e) {
        error = e.message();
      } catch (const std::exception& e) {
        error = UnexpectedErrorText(e.what());
      }
      post([this, alive, hole = std::move(hole), error = std::move(error)] {
        if (!alive.expired()) FinishLogReading(hole, error);
      });
    });
  }

  void FinishLogReading(const std::shared_ptr<const boringlog::Borehole>& hole, const Text& error) {
    if (logReader_.thread.joinable()) logReader_.thread.join();
    const Text name = std::exchange(logReader_.reading, Text());
    if (!logReader_.next.name.empty()) {
      StartLogReading(
          std::exchange(logReader_.next, {}));  // asked for since: this one is no longer wanted
      return;
    }
    if (hole) {
      view_.ShowBoringLog(hole);
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
    for (const Text& file : env_.guideFiles) {
      if (env_.fs->KindOf(file) == EntryKind::kFile && view_.OpenDocument(file)) return;
    }
    Text places;
    for (const Text& file : env_.guideFiles) places += (places.empty() ? U"" : U"\n") + file;
    boxes_.Show({kNoGuideMessage, MessageStyle::kOkExclamation, Text(), places}, nullptr);
  }

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
      listing_.selected = names;  // kept for the names the listing has not reached yet
      SetFiles(names);
    }
  }

  const Text& PatternFolder() const { return patternFolder_; }
  bool MessageClearPending() const { return messageClearPending_; }
  bool Running() const { return phase_ == Phase::kChecking || phase_ == Phase::kConverting; }
  bool Searching() const { return phase_ == Phase::kSearching; }

 private:
  struct SideState {
    int driveIndex = 0;
    Text root;
    Text folder;
  };
  /// One press of Execute, from the checks to the summary.
  struct RunState {
    std::chrono::steady_clock::time_point executed;
    bool stopRequested = false;
    std::size_t total = 0;
    std::size_t converted = 0;
    std::size_t failed = 0;
    Text lastName;  ///< the file finished last
    Text aborted;   ///< the error that ended the batch early, if any
  };

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
    searchCancel_ = std::make_shared<std::atomic<bool>>(false);
    auto cancel = searchCancel_;
    auto search = env_.searchPatternFolder;
    const PostToWindow post = env_.post;
    const std::weak_ptr<bool> alive = alive_;
    worker_ = std::thread([this, cancel, search, post, alive] {
      auto lastShown = std::chrono::steady_clock::time_point();
      // The folder being searched, shown a few times a second.
      const auto visiting = [&](const Text& folder) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastShown < std::chrono::milliseconds(kRedrawMilliseconds)) return;
        lastShown = now;
        post([this, alive, folder] {
          if (!alive.expired() && phase_ == Phase::kSearching) {
            view_.SetMessageLine(kSearchingMessage + U" " + folder);
          }
        });
      };
      Text found;
      try {
        found = search(*cancel, visiting);
      } catch (const std::exception&) {
        found.clear();
      }
      if (*cancel) found.clear();
      post([this, alive, found] {
        if (alive.expired()) return;
        if (worker_.joinable()) worker_.join();
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
    });
  }

  /// Asks for the pattern-data folder; the program ends when the user cancels.
  void ChoosePatternFolder() {
    phase_ = Phase::kChoosing;
    const Text start = StartFolder();
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
      boxes_.Show({kNoPatternFolderMessage, MessageStyle::kOkOnly, Text(), PatternFolderHint()},
                  [this](MessageAnswer) { ChoosePatternFolder(); });
      return;
    }
    messageClearPending_ = false;
    view_.SetPatternFolderLine(PatternFolderLine());

    drives_ = env_.listDrives ? env_.listDrives() : std::vector<Text>();
    if (drives_.empty()) drives_.push_back(separator_ == U'\\' ? Text(U"C:\\") : Text(U"/"));
    const Text start = StartFolder();
    const Text remembered[2] = {settings_.destination, settings_.source};
    for (Side side : {Side::kDestination, Side::kSource}) {
      const Text& wanted = remembered[SideIndex(side)];
      const bool useWanted =
          !wanted.empty() && DriveIndexOf(drives_, wanted, separator_) >= 0 && Usable(wanted);
      const Text folder = useWanted ? wanted : start;
      const int index = std::max(0, DriveIndexOf(drives_, folder, separator_));
      const Text& root = drives_[static_cast<std::size_t>(index)];
      view_.SetDrives(side, drives_, index);
      sides_[SideIndex(side)].driveIndex = index;
      if (!Open(side, root, folder) && !Open(side, root, root)) {
        sides_[SideIndex(side)].root = root;
        sides_[SideIndex(side)].folder = root;
      }
    }
    phase_ = Phase::kReady;
    FolderShown(Side::kDestination);
    FolderShown(Side::kSource);
  }

  /// Where the sides start when nothing is remembered: the user's documents, never the
  /// program's own folder (where an installed program starts and a user cannot write).
  Text StartFolder() const {
    if (env_.documentsFolder) {
      const Text documents = env_.documentsFolder();
      if (!documents.empty() && Usable(documents)) return documents;
    }
    if (env_.currentFolder) return env_.currentFolder();
    return drives_.empty() ? Text() : drives_[0];
  }

  Text PatternFolderLine() const {
    Text line = U"PATDAT: " + patternFolder_;
    if (env_.fs->KindOf(patternFolder_ + kSamplePatternMarker) == EntryKind::kFile) {
      line += U"（見本のデータです。実際の変換には本物の PATDAT を使ってください）";
    }
    return line;
  }

  bool Usable(const Text& folder) const {
    if (env_.folderUsable) return env_.folderUsable(folder);
    return env_.fs->KindOf(folder) == EntryKind::kFolder;
  }

  /// Shows the folder in the side's tree when it is a usable folder on that drive.
  bool Open(Side side, const Text& root, const Text& folder) {
    if (!IsAtOrBelow(root, folder, separator_) || !Usable(root) || !Usable(folder)) return false;
    SideState& state = sides_[SideIndex(side)];
    state.root = root;
    state.folder = folder;
    view_.ShowFolder(side, root, folder);
    return true;
  }

  void FolderShown(Side side) {
    const SideState& state = sides_[SideIndex(side)];
    if (env_.makeCurrent) env_.makeCurrent(state.folder);
    lastFolderOnDrive_[state.root] = state.folder;
    if (side == Side::kDestination) {
      view_.SetFolderText(side, state.folder);
      return;
    }
    view_.SetFiles({}, {});
    view_.SetFolderText(side, WithTrailingSeparator(state.folder, separator_));
    ListFiles({});
  }

  /// Lists the source folder's TECRIS files beside the window: the list fills as names are
  /// accepted, and a newer folder choice ends an older listing. A short listing is waited for,
  /// so the list does not flicker; a long one leaves the window usable meanwhile.
  void ListFiles(const std::vector<Text>& selected) {
    StopListing();
    files_.clear();
    auto inbox = std::make_shared<ListingInbox>();
    listing_ = {inbox, selected, std::thread()};
    const std::weak_ptr<bool> alive = alive_;
    listing_.thread = std::thread([this, inbox, alive, fs = env_.fs, folder = sides_[1].folder,
                                   post = env_.post] {
      const auto send = [&](std::function<void(ListingInbox&)> change) {
        bool postNow = false;
        {
          std::lock_guard lock(inbox->mutex);
          change(*inbox);
          postNow = !inbox->drainPosted;
          inbox->drainPosted = true;
        }
        inbox->changed.notify_all();
        // One drain per burst; a listing the window no longer waits for posts nothing.
        if (postNow && !inbox->cancel) {
          post([this, inbox, alive] {
            if (!alive.expired() && listing_.inbox == inbox) TakeListing();
          });
        }
      };
      try {
        ListTecrisFiles(
            *fs, folder,
            [&](const Text& name) { send([&](ListingInbox& in) { in.names.push_back(name); }); },
            [&] { return !inbox->cancel; });
      } catch (const std::exception&) {
        // A folder that cannot be listed simply offers no files.
      }
      send([](ListingInbox& in) { in.done = true; });
    });
    {
      std::unique_lock lock(inbox->mutex);
      inbox->changed.wait_for(lock, std::chrono::milliseconds(kListingWaitMilliseconds),
                              [&] { return inbox->done; });
    }
    TakeListing();
  }

  /// Shows the names the listing accepted since the last look, keeping the selection.
  void TakeListing() {
    ListingInbox& inbox = *listing_.inbox;
    std::vector<Text> names;
    bool done = false;
    const auto now = std::chrono::steady_clock::now();
    {
      std::lock_guard lock(inbox.mutex);
      inbox.drainPosted = false;
      // A long list is given to the view a few times a second, not once per name.
      if (!inbox.done && !files_.empty() &&
          now - listingShown_ < std::chrono::milliseconds(kRedrawMilliseconds)) {
        return;
      }
      names = std::exchange(inbox.names, {});
      done = inbox.done;
    }
    listingShown_ = now;
    if (done && listing_.thread.joinable()) listing_.thread.join();
    if (names.empty() && !files_.empty()) return;
    std::vector<Text> selected = listing_.selected;
    if (!files_.empty()) {
      for (Text& name : view_.SelectedFiles()) selected.push_back(std::move(name));
    }
    files_.insert(files_.end(), std::make_move_iterator(names.begin()),
                  std::make_move_iterator(names.end()));
    SetFiles(selected);
  }

  /// Ends the listing under way, if any, and waits for its thread (it stops at the next file).
  void StopListing() {
    if (!listing_.inbox) return;
    listing_.inbox->cancel = true;
    if (listing_.thread.joinable()) listing_.thread.join();
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
    SideState& state = sides_[SideIndex(side)];
    if (!Open(side, state.root, state.folder)) {
      // The folder went away: its drive's root is the nearest place still there.
      if (!Open(side, state.root, state.root)) return;
      FolderShown(side);
      return;
    }
    if (side == Side::kSource) ListFiles(view_.SelectedFiles());
  }

  /// Shows a folder in a side's tree, switching drives when it is on another one.
  bool MoveTo(Side side, const Text& folder) {
    const int index = DriveIndexOf(drives_, folder, separator_);
    if (index < 0) return false;
    if (!Open(side, drives_[static_cast<std::size_t>(index)], folder)) return false;
    sides_[SideIndex(side)].driveIndex = index;
    view_.SelectDrive(side, index);
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

  Text SourceText() const { return WithTrailingSeparator(sides_[1].folder, separator_); }

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
    const bool root = std::find(drives_.begin(), drives_.end(), folder) != drives_.end();
    if (!root && !folder.empty() && folder.back() == separator_) folder.pop_back();
    if (folder == sides_[0].folder) return;
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
      case WindowBatch::Event::Kind::kFinished:
        run_.lastName = FileNameOf(event.report.inputPath, separator_);
        if (event.report.outcome == FileOutcome::kConverted) {
          ++run_.converted;
          AddReportDetail(event.report);
        } else {
          ++run_.failed;
          AddFailureDetail(event.report);
        }
        break;
      case WindowBatch::Event::Kind::kAborted:
        run_.aborted = event.problem;
        details_.AddFile({kFailedMark + event.problem}, true, KeptFindings(Text(), {}));
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
      view_.SetMessageLine(summary);
    }
    // The run is over before its box shows: behind the box the window is ready again.
    EndRun();
    if (!summary.empty() && phase_ != Phase::kEnded) {
      boxes_.Show({summary, MessageStyle::kOkExclamation, Text(), Text()}, nullptr);
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

  void AddReportDetail(const FileReport& report) {
    const Text name = FileNameOf(report.inputPath, separator_);
    details_.AddFile(ReportLines(name, report, U"ダブルクリックで箇所を表示します"), false,
                     KeptFindings(name, report.findings));
  }

  void AddFailureDetail(const FileReport& report) {
    const Text name = FileNameOf(report.inputPath, separator_);
    Text first = kFailedMark + name + U": " + ProblemOf(report);
    std::replace(first.begin(), first.end(), U'\n', U' ');
    std::vector<Text> lines{std::move(first)};
    if (report.outcome == FileOutcome::kFailed && !report.jobName.empty()) {
      Text written = U"  書き出したファイル:";
      if (report.written.empty()) written += U" なし";
      for (const Text& file : report.written) written += U" " + file;
      lines.push_back(written + U"（これより後のセクションは変換していません）");
    }
    if (report.warnings > 0) {
      lines.push_back(U"  警告 " + Number(static_cast<std::size_t>(report.warnings)) +
                      U" 件（ダブルクリックで箇所を表示します）");
    }
    details_.AddFile(std::move(lines), true, KeptFindings(name, report.findings));
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
      settings_.destination = sides_[0].folder;
      settings_.source = sides_[1].folder;
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
  Text patternFolder_;
  bool messageClearPending_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  BoxQueue boxes_;
  WindowSettings settings_;
  std::vector<Text> drives_;
  SideState sides_[2];
  std::map<Text, Text> lastFolderOnDrive_;
  std::vector<Text> files_;
  /// What a listing of the source folder hands the window thread.
  struct ListingInbox {
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Text> names;  ///< accepted, not yet shown
    bool done = false;
    bool drainPosted = false;
  };
  struct Listing {
    std::shared_ptr<ListingInbox> inbox;
    std::vector<Text> selected;  ///< names to select when the listing reaches them
    std::thread thread;
  } listing_;
  std::chrono::steady_clock::time_point listingShown_;
  DetailsList details_;
  RunState run_;
  std::shared_ptr<WindowBatch> batch_;
  std::thread worker_;
  std::shared_ptr<std::atomic<bool>> searchCancel_;
  std::chrono::steady_clock::time_point lastShown_;
  /// The boring log being read, and the one asked for while it was.
  struct LogReader {
    std::thread thread;
    Text reading;  ///< as List1 shows it
    LogRequest next;
  } logReader_;
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
const Text& WindowModel::PatternFolder() const { return impl_->PatternFolder(); }
bool WindowModel::MessageClearPending() const { return impl_->MessageClearPending(); }
bool WindowModel::Running() const { return impl_->Running(); }
bool WindowModel::Searching() const { return impl_->Searching(); }

}  // namespace tecris2nx
