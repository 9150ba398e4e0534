#include "app/window/window_model.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <exception>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "app/window/folder_paths.h"
#include "app/window/window_settings.h"
#include "check/check_report.h"
#include "common/error.h"
#include "common/pattern_folder.h"
#include "run/convert_file.h"
#include "tecris/path_helpers.h"
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

namespace {

/// Where the pattern data can go, under the box that says there is none.
Text PatternFolderHint() {
#ifdef _WIN32
  return U"PATDAT フォルダをプログラムと同じフォルダか %LOCALAPPDATA%\\tecris2nx\\PATDAT、"
         U"%ProgramData%\\tecris2nx\\PATDAT に置くか、環境変数 TECRIS2NX_PATDAT でその場所を"
         U"指定してください。";
#else
  return U"PATDAT フォルダをプログラムと同じフォルダか <prefix>/share/tecris2nx/PATDAT "
         U"に置くか、環境変数 TECRIS2NX_PATDAT でその場所を指定してください。";
#endif
}

Text Number(std::size_t n) { return FromUtf8(std::to_string(n)); }

/// Levels of a checked destination: entries 1..k of its components joined, for k = 2..n+1.
std::vector<Text> DestinationLevels(const Text& destination, char32_t separator) {
  const Text separators(1, separator);
  const int n = CountSeparators(destination, separators);
  const std::vector<Text> parts = SplitPath(destination, separators);
  std::vector<Text> levels;
  Text level = parts.empty() ? Text() : parts[0];
  for (int k = 1; k <= n && k < static_cast<int>(parts.size()); ++k) {
    level += separator;
    level += parts[static_cast<std::size_t>(k)];
    levels.push_back(level);
  }
  return levels;
}

int SideIndex(Side side) { return side == Side::kDestination ? 0 : 1; }

/// Findings listed in one box; a box taller than the screen would hide its OK button.
constexpr std::size_t kFindingsInBox = 20;

}  // namespace

/// One run's batch, shared by the window thread and the worker that drives the conversions.
struct Batch {
  /// What a worker tells the window, in file order.
  struct Event {
    enum class Kind { kConverted, kBadFile, kFailed, kEnded } kind;
    Text inputPath;
    Text problem;
    FileReport report;
  };

  std::vector<Text> inputs;
  Text outputFolder;
  Text patternFolder;
  FileSystem* fs = nullptr;
  PathStyle style = PathStyle::kPosix;
  int workers = 1;
  PostToWindow post;
  std::function<void()> drain;  ///< posted to the window thread when events arrive
  std::atomic<bool> stopped{false};

  std::mutex mutex;
  std::deque<Event> inbox;
  bool drainPosted = false;

  void Send(Event event) {
    bool postNow = false;
    {
      std::lock_guard lock(mutex);
      inbox.push_back(std::move(event));
      postNow = !drainPosted;
      drainPosted = true;
    }
    // One drain per burst: the window takes every event waiting at once.
    if (postNow) post(drain);
  }

  std::deque<Event> Take() {
    std::lock_guard lock(mutex);
    drainPosted = false;
    return std::exchange(inbox, {});
  }

  void Run() {
    // Counted on every run: the details list gives each file's warnings and their places.
    const RunEnvironment env{*fs, patternFolder, style, workers, true};
    const auto finished = [this](std::size_t i, const FileReport& report) {
      switch (report.outcome) {
        case FileOutcome::kConverted:
          Send({Event::Kind::kConverted, inputs[i], {}, report});
          return true;
        case FileOutcome::kNoJobName:
          Send({Event::Kind::kBadFile, inputs[i], kBadFileMessage, {}});
          return false;
        case FileOutcome::kFailed:
          break;
      }
      Send({Event::Kind::kFailed, inputs[i], report.error, report});
      return false;
    };
    try {
      ConvertFilesInOrder(inputs, outputFolder, env, finished, [this] { return !stopped; });
    } catch (const std::exception& e) {
      Send({Event::Kind::kFailed, Text(), UnexpectedErrorText(e.what()), {}});
    }
    Send({Event::Kind::kEnded, {}, {}, {}});
  }
};

class WindowModel::Impl {
 public:
  Impl(WindowView& view, WindowEnvironment env)
      : view_(view), env_(std::move(env)), separator_(SeparatorOf(env_.style)) {}

  ~Impl() {
    if (searchCancel_) *searchCancel_ = true;
    if (batch_) batch_->stopped = true;
    if (worker_.joinable()) worker_.join();
  }

  bool Start() {
    settings_ = LoadWindowSettings(*env_.fs, env_.settingsFile);
    view_.PlaceWindow(settings_.geometry);
    try {
      patternFolder_ = env_.findPatternFolder ? env_.findPatternFolder() : Text();
    } catch (const std::exception&) {
      patternFolder_.clear();  // a lookup that fails has found nothing
    }
    if (patternFolder_.empty() && env_.searchPatternFolder) {
      StartSearch();
      return true;
    }
    return FinishStart();
  }

  void CancelSearch() {
    if (searchCancel_) *searchCancel_ = true;
  }

  void OnDriveChosen(Side side, int index) {
    if (!started_ || index < 0 || index >= static_cast<int>(drives_.size())) return;
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
    if (!started_) return;
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
    if (!started_) return;
    Refresh(Side::kDestination);
    Refresh(Side::kSource);
  }

  void OnExecute() {
    if (!started_ || running_ || !boxes_.empty()) return;
    running_ = true;
    stopped_ = false;
    converted_ = 0;
    ClearDetails();
    view_.SetMessageLine(kBusyMessage);
    try {
      CheckFolders();
    } catch (const std::exception& e) {
      Fail(Text(), UnexpectedErrorText(e.what()));
    }
  }

  void OnStop() {
    if (!batch_ || stopped_) return;
    stopped_ = true;
    batch_->stopped = true;
  }

  void OnBackgroundMouseMove() {
    if (messageClearPending_ != 1) return;
    view_.SetMessageLine(Text());
    messageClearPending_ = 0;
  }

  bool OnCloseRequested() {
    if (closing_) return false;
    if (searching_) {
      closing_ = true;
      CancelSearch();
      return false;
    }
    if (!running_) {
      EndProgram(0);
      return true;
    }
    if (!boxes_.empty()) return false;  // a box is open: it is answered first
    ShowBox({kStopAndExitQuestion, MessageStyle::kYesNoQuestion, Text(), Text()},
            [this](MessageAnswer answer) {
              if (answer != MessageAnswer::kYes || !running_) {
                if (answer == MessageAnswer::kYes) EndProgram(0);
                return;
              }
              closing_ = true;
              OnStop();
            });
    return false;
  }

  void OnDetailActivated(int row) {
    if (!boxes_.empty() || row < 0 || static_cast<std::size_t>(row) >= rowFindings_.size()) return;
    const int owner = rowFindings_[static_cast<std::size_t>(row)];
    if (owner < 0) return;
    const FileFindings& file = findings_[static_cast<std::size_t>(owner)];
    Text lines;
    for (const Text& line : file.lines) {
      if (!lines.empty()) lines += U'\n';
      lines += line;
    }
    if (file.total > file.lines.size()) {
      lines += U"\n…ほか " + Number(file.total - file.lines.size()) +
               U" 件（tecris2nx check ですべて表示します）";
    }
    ShowBox({file.name + U" の指摘 " + Number(file.total) + U" 件", MessageStyle::kOkInformation,
             Text(), lines},
            nullptr);
  }

  void OnDrop(const std::vector<Text>& paths) {
    if (!started_ || running_ || !boxes_.empty() || paths.empty()) return;
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
    if (folder.empty() || !MoveSource(folder)) return;
    if (!names.empty()) view_.SetFiles(files_, names);
  }

  WindowView& view_;
  WindowEnvironment env_;
  const char32_t separator_;
  Text patternFolder_;
  std::int16_t messageClearPending_ = 0;
  bool running_ = false;
  bool searching_ = false;

 private:
  struct SideState {
    int driveIndex = 0;
    Text root;
    Text folder;
  };
  struct PendingBox {
    MessageRequest request;
    std::function<void(MessageAnswer)> then;
  };

  void StartSearch() {
    searching_ = true;
    view_.SetSearching(true);
    searchCancel_ = std::make_shared<std::atomic<bool>>(false);
    auto cancel = searchCancel_;
    auto search = env_.searchPatternFolder;
    const PostToWindow post = env_.post;
    const std::weak_ptr<bool> alive = alive_;
    worker_ = std::thread([this, cancel, search, post, alive] {
      Text found;
      try {
        found = search(*cancel);
      } catch (const std::exception&) {
        found.clear();
      }
      if (*cancel) found.clear();
      post([this, alive, found] {
        if (alive.expired()) return;
        if (worker_.joinable()) worker_.join();
        searching_ = false;
        view_.SetSearching(false);
        patternFolder_ = found;
        if (closing_) {
          EndProgram(0);
          return;
        }
        FinishStart();
      });
    });
  }

  bool FinishStart() {
    if (patternFolder_.empty()) {
      ShowBox({kNoPatternFolderMessage, MessageStyle::kOkOnly, Text(), PatternFolderHint()},
              [this](MessageAnswer) { EndProgram(1); });
      return false;
    }
    messageClearPending_ = 0;

    drives_ = env_.listDrives ? env_.listDrives() : std::vector<Text>();
    if (drives_.empty()) drives_.push_back(separator_ == U'\\' ? Text(U"C:\\") : Text(U"/"));
    const Text current = env_.currentFolder ? env_.currentFolder() : drives_[0];
    const Text remembered[2] = {settings_.destination, settings_.source};
    for (Side side : {Side::kDestination, Side::kSource}) {
      const Text& wanted = remembered[SideIndex(side)];
      const bool useWanted =
          !wanted.empty() && DriveIndexOf(drives_, wanted, separator_) >= 0 && Usable(wanted);
      const Text start = useWanted ? wanted : current;
      const int index = std::max(0, DriveIndexOf(drives_, start, separator_));
      const Text& root = drives_[static_cast<std::size_t>(index)];
      view_.SetDrives(side, drives_, index);
      sides_[SideIndex(side)].driveIndex = index;
      if (!Open(side, root, start) && !Open(side, root, root)) {
        sides_[SideIndex(side)].root = root;
        sides_[SideIndex(side)].folder = root;
      }
    }
    started_ = true;
    FolderShown(Side::kDestination);
    FolderShown(Side::kSource);
    return true;
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

  void MakeCurrent(const Text& folder) {
    if (env_.makeCurrent) env_.makeCurrent(folder);
  }

  void FolderShown(Side side) {
    const SideState& state = sides_[SideIndex(side)];
    MakeCurrent(state.folder);
    lastFolderOnDrive_[state.root] = state.folder;
    if (side == Side::kDestination) {
      view_.SetFolderText(side, state.folder);
      return;
    }
    view_.SetFiles({}, {});
    view_.SetFolderText(side, WithTrailingSeparator(state.folder, separator_));
    ListFiles({});
  }

  void ListFiles(const std::vector<Text>& selected) {
    files_.clear();
    try {
      files_ = ListTecrisFiles(*env_.fs, sides_[1].folder);
    } catch (const std::exception&) {
      // A folder that cannot be listed simply offers no files.
    }
    view_.SetFiles(files_, selected);
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

  /// Makes a folder the source folder, switching drives when it is on another one.
  bool MoveSource(const Text& folder) {
    const int index = DriveIndexOf(drives_, folder, separator_);
    if (index < 0) return false;
    if (!Open(Side::kSource, drives_[static_cast<std::size_t>(index)], folder)) return false;
    sides_[1].driveIndex = index;
    view_.SelectDrive(Side::kSource, index);
    FolderShown(Side::kSource);
    return true;
  }

  /// Shows a box at once, or after the boxes already waiting; `then` runs once it is answered.
  void ShowBox(MessageRequest request, std::function<void(MessageAnswer)> then) {
    if (request.title.empty()) request.title = kProgramTitle;
    boxes_.push_back({std::move(request), std::move(then)});
    if (!boxShowing_) ShowFrontBox();
  }

  void ShowFrontBox() {
    FlushDetails();
    boxShowing_ = true;
    const std::weak_ptr<bool> alive = alive_;
    auto answered = std::make_shared<bool>(false);
    view_.ShowMessage(boxes_.front().request, [this, alive, answered](MessageAnswer answer) {
      if (alive.expired() || *answered) return;
      *answered = true;
      PendingBox box = std::move(boxes_.front());
      boxes_.pop_front();
      boxShowing_ = false;
      if (box.request.style == MessageStyle::kYesNoQuestion && answer != MessageAnswer::kYes) {
        answer = MessageAnswer::kNo;
      }
      if (box.then) box.then(answer);
      if (boxShowing_) return;  // `then` asked something further
      if (!boxes_.empty()) {
        ShowFrontBox();
      } else {
        Pump();  // events from the workers held while the box was open
      }
    });
  }

  /// Ends a run that stops before or during the batch with a box.
  void Fail(const Text& inputPath, const Text& problem, std::vector<Finding> findings = {}) {
    const Text text = inputPath.empty() ? problem : FailureText(inputPath, problem);
    if (!inputPath.empty()) AddFailureDetail(inputPath, problem, std::move(findings));
    ShowBox({text, MessageStyle::kOkExclamation, Text(), Text()}, [this](MessageAnswer) {
      view_.SetMessageLine(Text());
      SetBusy(false);
      if (!batch_) EndRun();
    });
  }

  /// Stops the run after a box: the message line is emptied once the box is answered.
  void StopWithBox(const Text& text, MessageStyle style, const Text& title, bool focusDestination,
                   bool clearBusy) {
    ShowBox({text, style, title, Text()}, [this, focusDestination, clearBusy](MessageAnswer) {
      if (focusDestination) view_.FocusDestination();
      view_.SetMessageLine(Text());
      if (clearBusy) SetBusy(false);
      EndRun();
    });
  }

  void CheckFolders() {
    PathCheckEnv check;
    check.style = env_.style;
    FileSystem& fs = *env_.fs;
    check.makeDriveCurrent = [&fs](char32_t letter) { return fs.MakeDriveCurrent(letter); };
    check.showInformation = [this](const Text& text) {
      ShowBox({text, MessageStyle::kOkInformation, Text(), Text()}, nullptr);
    };

    Text source = sourceText();
    if (!CheckPath(source, check)) {
      StopWithBox(kBadPathMessage, MessageStyle::kOkExclamation, source, false, false);
      return;
    }
    Text destination = view_.DestinationText();
    if (!CheckPath(destination, check)) {
      StopWithBox(kBadPathMessage, MessageStyle::kOkExclamation, destination, true, false);
      return;
    }
    const Text typed = view_.DestinationText();
    if (!typed.empty() && typed.back() == separator_) {
      StopWithBox(kTrailingSeparatorMessage, MessageStyle::kOkExclamation, destination, false,
                  false);
      return;
    }
    const std::vector<Text> levels = DestinationLevels(destination, separator_);
    bool missing = false;
    for (const Text& level : levels) {
      const EntryKind kind = fs.KindOf(level);
      if (kind == EntryKind::kFile) {
        // Said plainly before any question: offering to create it could only fail.
        StopWithBox(kDestinationNotFolderMessage, MessageStyle::kOkExclamation, destination, true,
                    false);
        return;
      }
      if (kind == EntryKind::kNone) {
        missing = true;
        break;
      }
    }
    if (!missing) {
      CollectAndConvert();
      return;
    }
    ShowBox({kCreateFolderQuestion, MessageStyle::kYesNoQuestion, Text(), Text()},
            [this, levels](MessageAnswer answer) {
              if (answer != MessageAnswer::kYes) {
                view_.SetMessageLine(Text());
                EndRun();
                return;
              }
              try {
                // Top down, each level after its parent.
                for (const Text& level : levels) {
                  if (env_.fs->KindOf(level) == EntryKind::kNone) env_.fs->MakeFolder(level);
                }
              } catch (const ConversionError& e) {
                Fail(Text(), e.message());
                return;
              } catch (const std::exception& e) {
                Fail(Text(), UnexpectedErrorText(e.what()));
                return;
              }
              CollectAndConvert();
            });
  }

  Text sourceText() const { return WithTrailingSeparator(sides_[1].folder, separator_); }

  void CollectAndConvert() {
    SetBusy(true);
    std::vector<Text> names;
    for (const Text& name : view_.SelectedFiles()) names.push_back(TrimBlanks(name));
    if (names.empty()) {
      StopWithBox(kNothingSelectedMessage, MessageStyle::kOkOnly, Text(), false, true);
      return;
    }
    auto batch = std::make_shared<Batch>();
    const Text sourceFolder = TrimBlanks(sourceText());
    for (const Text& name : names) batch->inputs.push_back(sourceFolder + name);
    batch->outputFolder = TrimBlanks(view_.DestinationText());
    batch->patternFolder = patternFolder_;
    batch->fs = env_.fs;
    batch->style = env_.style;
    batch->workers = env_.workers;
    batch->post = env_.post;
    const std::weak_ptr<bool> alive = alive_;
    batch->drain = [this, alive] {
      if (!alive.expired()) Drain();
    };
    total_ = batch->inputs.size();
    batch_ = batch;
    // Stop is offered once there is a batch to stop, not during the questions before it.
    view_.SetRunning(true);
    stopOffered_ = true;
    worker_ = std::thread([batch] { batch->Run(); });
  }

  void Drain() {
    if (!batch_) return;
    for (Batch::Event& event : batch_->Take()) held_.push_back(std::move(event));
    Pump();
  }

  /// Applies the workers' events until a box opens; the line and the list are updated once.
  void Pump() {
    while (boxes_.empty() && !held_.empty()) {
      Batch::Event event = std::move(held_.front());
      held_.pop_front();
      Apply(event);
    }
    // The list and the line are redrawn a few times a second at most: a batch of small files
    // would otherwise spend its time laying the window out.
    const auto now = std::chrono::steady_clock::now();
    if (running_ && now - lastShown_ < std::chrono::milliseconds(100)) return;
    lastShown_ = now;
    FlushDetails();
    if (running_ && batch_ && progressChanged_ && !failed_) {
      progressChanged_ = false;
      view_.SetMessageLine(kBusyMessage + U" " + Number(converted_) + U" / " + Number(total_) +
                           U"  " + lastName_);
    }
  }

  void Apply(Batch::Event& event) {
    switch (event.kind) {
      case Batch::Event::Kind::kConverted:
        ++converted_;
        lastName_ = FileNameOf(event.report.inputPath, separator_);
        progressChanged_ = true;
        AddReportDetail(event.report);
        break;
      case Batch::Event::Kind::kBadFile:
        failed_ = true;
        AddFailureDetail(event.inputPath, event.problem);
        StopWithBatchBox(kBadFileMessage, MessageStyle::kOkOnly);
        break;
      case Batch::Event::Kind::kFailed:
        failed_ = true;
        Fail(event.inputPath, event.problem, std::move(event.report.findings));
        break;
      case Batch::Event::Kind::kEnded:
        BatchEnded();
        break;
    }
  }

  void StopWithBatchBox(const Text& text, MessageStyle style) {
    ShowBox({text, style, Text(), Text()}, [this](MessageAnswer) {
      view_.SetMessageLine(Text());
      SetBusy(false);
    });
  }

  void BatchEnded() {
    if (worker_.joinable()) worker_.join();
    batch_.reset();
    if (!failed_) {
      messageClearPending_ = 1;
      view_.SetMessageLine(stopped_ && converted_ < total_
                               ? kStoppedMessage + U"（" + Number(total_) + U" ファイル中 " +
                                     Number(converted_) + U" ファイルを変換しました）"
                               : kDoneMessage);
      SetBusy(false);
    }
    failed_ = false;
    EndRun();
  }

  void EndRun() {
    running_ = false;
    SetBusy(false);
    if (stopOffered_) view_.SetRunning(false);
    stopOffered_ = false;
    // Show job folders the run may have made and files that appeared; Text1 keeps its text.
    Refresh(Side::kDestination);
    Refresh(Side::kSource);
    if (closing_) EndProgram(0);
  }

  void SetBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    view_.SetBusy(busy);
  }

  /// Keeps a file's findings for the lines of the details list that report it; -1 for none.
  int KeepFindings(const Text& inputPath, const std::vector<Finding>& found) {
    std::vector<Text> lines;
    for (const Finding& f : found) lines.push_back(FindingText(f));
    if (lines.empty()) return -1;
    // Only what a box shows is kept: a long run of files with many findings each stays small.
    const std::size_t total = lines.size();
    if (total > kFindingsInBox) {
      lines.resize(kFindingsInBox);
      lines.shrink_to_fit();
    }
    findings_.push_back({FileNameOf(inputPath, separator_), std::move(lines), total});
    return static_cast<int>(findings_.size() - 1);
  }

  /// Every line of the details list goes through here, so that its row finds its file.
  void AddDetail(Text line, int findings) {
    details_.push_back(std::move(line));
    rowFindings_.push_back(findings);
  }

  void ClearDetails() {
    view_.ClearDetails();
    details_.clear();
    rowFindings_.clear();
    findings_.clear();
  }

  void AddReportDetail(FileReport& report) {
    std::vector<Text> lines = ReportLines(FileNameOf(report.inputPath, separator_), report,
                                          U"ダブルクリックで箇所を表示します");
    const int findings = KeepFindings(report.inputPath, std::move(report.findings));
    for (Text& line : lines) AddDetail(std::move(line), findings);
  }

  void AddFailureDetail(const Text& inputPath, const Text& problem,
                        std::vector<Finding> findings = {}) {
    Text line = FileNameOf(inputPath, separator_) + U": " + problem;
    std::replace(line.begin(), line.end(), U'\n', U' ');
    AddDetail(std::move(line), KeepFindings(inputPath, std::move(findings)));
  }

  void FlushDetails() {
    if (details_.empty()) return;
    view_.AppendDetails(details_);
    details_.clear();
  }

  void EndProgram(int status) {
    if (ended_) return;
    ended_ = true;
    if (started_) {
      settings_.destination = sides_[0].folder;
      settings_.source = sides_[1].folder;
      settings_.geometry = view_.CurrentGeometry();
      SaveWindowSettings(*env_.fs, env_.settingsFile, settings_);
    }
    view_.EndProgram(status);
  }

  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  WindowSettings settings_;
  bool started_ = false;
  bool boxShowing_ = false;
  bool busy_ = false;
  bool closing_ = false;
  bool ended_ = false;
  bool stopped_ = false;
  bool stopOffered_ = false;
  bool failed_ = false;
  bool progressChanged_ = false;
  std::vector<Text> drives_;
  SideState sides_[2];
  std::map<Text, Text> lastFolderOnDrive_;
  std::vector<Text> files_;
  std::deque<PendingBox> boxes_;
  std::deque<Batch::Event> held_;
  std::vector<Text> details_;  ///< lines not yet given to the view
  struct FileFindings {
    Text name;
    std::vector<Text> lines;  ///< "line:column: severity code: message", the first few
    std::size_t total = 0;    ///< findings of the file
  };
  std::vector<FileFindings> findings_;  ///< of the files in the details list that have any
  /// For each line given to the details list since the run began, in order: the index in
  /// findings_ of its file's findings, or -1.
  std::vector<int> rowFindings_;
  std::shared_ptr<Batch> batch_;
  std::thread worker_;
  std::shared_ptr<std::atomic<bool>> searchCancel_;
  std::size_t converted_ = 0;
  std::size_t total_ = 0;
  std::chrono::steady_clock::time_point lastShown_;
  Text lastName_;
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
void WindowModel::OnStop() { impl_->OnStop(); }
void WindowModel::OnBackgroundMouseMove() { impl_->OnBackgroundMouseMove(); }
bool WindowModel::OnCloseRequested() { return impl_->OnCloseRequested(); }
void WindowModel::OnDrop(const std::vector<Text>& paths) { impl_->OnDrop(paths); }
void WindowModel::OnDetailActivated(int row) { impl_->OnDetailActivated(row); }
const Text& WindowModel::PatternFolder() const { return impl_->patternFolder_; }
std::int16_t WindowModel::MessageClearPending() const { return impl_->messageClearPending_; }
bool WindowModel::Running() const { return impl_->running_; }
bool WindowModel::Searching() const { return impl_->searching_; }

}  // namespace tecris2nx
