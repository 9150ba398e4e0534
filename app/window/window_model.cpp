#include "app/window/window_model_impl.h"

namespace tecris2nx {

bool WindowModel::Impl::Start() {
  settings_ = LoadWindowSettings(*env_.fs, env_.settingsFile);
  view_.PlaceWindow(
      FitWindow(settings_.geometry, view_.AvailableArea(), view_.MinimumSize(), view_.StartSize()));
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

void WindowModel::Impl::OnFolderChosen(Side side, const Text& folder) {
  if (!Started()) return;
  if (folder == sides_.Folder(side)) {
    Refresh(side);
  } else if (sides_.OpenFolder(side, folder)) {
    FolderShown(side);
  }
}

void WindowModel::Impl::OnRefresh() {
  if (!Started()) return;
  Refresh(Side::kDestination);
  Refresh(Side::kSource);
}

void WindowModel::Impl::OnExecute() {
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

bool WindowModel::Impl::OnStop() {
  if (phase_ == Phase::kSearching) {
    CancelSearch();
    return true;
  }
  if (phase_ == Phase::kReporting) {
    if (report_.stopRequested) return false;
    report_.stopRequested = true;
    reportWorker_.Stop();
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

void WindowModel::Impl::OnBackgroundMouseMove() {
  if (!messageClearPending_) return;
  view_.SetMessageLine(Text());
  messageClearPending_ = false;
}

bool WindowModel::Impl::OnCloseRequested() {
  if (closeWhenIdle_ || phase_ == Phase::kEnded) return false;
  if (phase_ == Phase::kSearching) {
    closeWhenIdle_ = true;
    CancelSearch();
    return false;
  }
  if (!Running()) {
    EndProgram(0);
    return true;
  }
  if (phase_ == Phase::kAskingReport) {
    // Behind the report's dialog or its boxes nothing is written yet: end once they are closed.
    closeWhenIdle_ = true;
    return false;
  }
  if (!boxes_.Empty()) return false;  // a box is open: it is answered first
  exitQuestionOpen_ = true;
  const Text question =
      phase_ == Phase::kReporting ? kStopReportAndExitQuestion : kStopAndExitQuestion;
  boxes_.Show({question, MessageStyle::kYesNoQuestion, Text(), Text()},
              [this](MessageAnswer answer) {
                exitQuestionOpen_ = false;
                if (answer != MessageAnswer::kYes) return;
                if (!Running()) {
                  EndProgram(0);
                  return;
                }
                closeWhenIdle_ = true;
                run_.stopRequested = true;
                if (batch_) batch_->stopped = true;
                report_.stopRequested = true;
                reportWorker_.Stop();
              });
  return false;
}

void WindowModel::Impl::OnDetailActivated(int row) {
  if (row < 0) return;
  const KeptFindings* findings = details_.FindingsOfShownLine(static_cast<std::size_t>(row));
  if (findings) view_.ShowFindings(findings->Table());
}

void WindowModel::Impl::OnShowBoringLog(const Text& listed) {
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

void WindowModel::Impl::OnShowFailuresOnly(bool only) {
  FlushDetails();
  const std::vector<DetailLine> lines = details_.ShowFailuresOnly(only);
  view_.ClearDetails();
  if (!lines.empty()) view_.AppendDetails(lines);
}

void WindowModel::Impl::OnHelp() {
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

void WindowModel::Impl::OnLeftOutActivated() {
  if (leftOut_.empty()) return;
  FindingsTable table;
  table.title = LeftOutTitle(leftOut_.size());
  table.headings = {U"ファイル", U"理由"};
  for (const LeftOutFile& file : leftOut_) table.rows.push_back({file.name, LeftOutReason(file)});
  view_.ShowFindings(table);
}

void WindowModel::Impl::OnDrop(const std::vector<Text>& paths) {
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

Text WindowModel::Impl::LeftOutReason(const LeftOutFile& file) {
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

void WindowModel::Impl::StartSearch() {
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

void WindowModel::Impl::ChoosePatternFolder() {
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

void WindowModel::Impl::FinishStart() {
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

Text WindowModel::Impl::StartFolder(const std::vector<Text>& drives) const {
  if (env_.documentsFolder) {
    const Text documents = env_.documentsFolder();
    if (!documents.empty() && sides_.Usable(documents)) return documents;
  }
  if (env_.currentFolder) return env_.currentFolder();
  return drives.empty() ? Text() : drives[0];
}

Text WindowModel::Impl::PatternFolderLine() const {
  Text line = U"PATDAT: " + patternFolder_;
  if (env_.fs->KindOf(patternFolder_ + kSamplePatternMarker) == EntryKind::kFile) {
    line += U"（見本のデータです。実際の変換には本物の PATDAT を使ってください）";
  }
  return line;
}

void WindowModel::Impl::FolderShown(Side side) {
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

void WindowModel::Impl::ListFiles(const std::vector<Text>& selected, bool whole) {
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

void WindowModel::Impl::SetFiles(const std::vector<Text>& selected) {
  view_.SetFiles(files_, selected);
  const std::set<Text> wanted(selected.begin(), selected.end());
  const auto count = std::count_if(files_.begin(), files_.end(),
                                   [&](const Text& name) { return wanted.count(name) > 0; });
  OnSelectionChanged(static_cast<std::size_t>(count));
}

void WindowModel::Impl::Refresh(Side side) {
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

bool WindowModel::Impl::MoveTo(Side side, const Text& folder) {
  if (!sides_.MoveTo(side, folder)) return false;
  FolderShown(side);
  return true;
}

void WindowModel::Impl::StopRun(const Text& text, MessageStyle style, const Text& title,
                                bool focusDestination) {
  boxes_.Show({text, style, title, Text()}, [this, focusDestination](MessageAnswer) {
    if (focusDestination) view_.FocusDestination();
    view_.SetMessageLine(Text());
    EndRun();
  });
}

void WindowModel::Impl::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  view_.SetBusy(busy);
}

void WindowModel::Impl::EndProgram(int status) {
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
void WindowModel::OnReport() { impl_->OnReport(); }
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
