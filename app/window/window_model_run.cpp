// The window model's run: the checks of Execute, the batch on its worker, and its summary.
#include "app/window/window_model_impl.h"

namespace tecris2nx {

void WindowModel::Impl::CheckFolders() {
  const ExecutePlan plan = PlanExecute(SourceText(), view_.DestinationText(), *env_.fs, env_.style);
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

void WindowModel::Impl::CollectAndConvert(const Text& checkedDestination) {
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

void WindowModel::Impl::ShowDestination(const Text& checked) {
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

void WindowModel::Impl::Drain() {
  if (!batch_) return;
  for (WindowBatch::Event& event : batch_->Take()) Apply(event);
  Redraw(false);
}

void WindowModel::Impl::Redraw(bool now) {
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

void WindowModel::Impl::ShowProgress() {
  Text line =
      kBusyMessage + U" " + Number(run_.converted + run_.failed) + U" / " + Number(run_.total);
  if (!run_.lastName.empty()) line += U"  " + run_.lastName;
  view_.SetMessageLine(line);
}

void WindowModel::Impl::Apply(WindowBatch::Event& event) {
  switch (event.kind) {
    case WindowBatch::Event::Kind::kFinished: {
      const FileReport& report = event.report;
      run_.lastName = FileNameOf(report.inputPath, separator_);
      std::vector<Text> warnings;
      if (const Text notice = EncodingNotice(report.encoding); !notice.empty()) {
        warnings.push_back(notice);
      }
      if (const Text earlier = run_.jobs.Earlier(run_.lastName, report.jobName); !earlier.empty()) {
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

void WindowModel::Impl::BatchEnded() {
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

void WindowModel::Impl::EndRun() {
  const bool offered = phase_ == Phase::kConverting || phase_ == Phase::kReporting;
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

}  // namespace tecris2nx
