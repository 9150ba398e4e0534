// The window model's 一覧表: the report dialog, the report on its worker, and what it made.
#include "app/window/window_model_impl.h"

namespace tecris2nx {

void WindowModel::Impl::OnReport() {
  if (phase_ != Phase::kReady || !boxes_.Empty()) return;
  report_ = ReportState{};
  const Text source = TrimBlanks(SourceText());
  for (const Text& name : view_.SelectedFiles()) {
    const Text trimmed = TrimBlanks(name);
    if (!trimmed.empty()) report_.files.push_back(source + trimmed);
  }
  if (report_.files.empty()) {
    boxes_.Show({kNoReportFilesMessage, MessageStyle::kOkOnly, Text(), Text()}, nullptr);
    return;
  }
  ReportQuestion& question = report_.question;
  question.title = kReportDialogTitle;
  question.folder = settings_.reportFolder;
  if (question.folder.empty()) {
    question.folder =
        WithTrailingSeparator(sides_.Folder(Side::kDestination), separator_) + kReportFolderName;
  }
  question.datums = ReportDatumNames();
  question.datumNote = kReportDatumNote;
  question.browseStart = [this](const Text& typed) {
    return ReportBrowseStart(*env_.fs, typed, env_.style);
  };
  const report::Datum datum =
      report::DatumOfKey(settings_.reportDatum).value_or(report::Datum::kJgd2011);
  question.datum = static_cast<int>(datum);
  phase_ = Phase::kAskingReport;
  AskReport();
}

void WindowModel::Impl::AskReport() {
  if (closeWhenIdle_) {  // the window was closed behind a box about the dialog
    DropReport();
    return;
  }
  view_.AskReport(report_.question, [this](const std::optional<ReportAnswer>& answer) {
    try {
      ReportAnswered(answer);
    } catch (const std::exception& e) {
      DropReport();
      boxes_.Show({UnexpectedErrorText(e.what()), MessageStyle::kOkExclamation, Text(), Text()},
                  nullptr);
    }
  });
}

void WindowModel::Impl::ReportAnswered(const std::optional<ReportAnswer>& answer) {
  // The window was closed while the dialog was open: nothing has been written, nothing will be.
  if (!answer || closeWhenIdle_) {
    DropReport();
    return;
  }
  ReportQuestion& question = report_.question;
  question.folder = answer->folder;
  const int datums = static_cast<int>(question.datums.size());
  question.datum = answer->datum >= 0 && answer->datum < datums ? answer->datum : 0;
  Text folder = TrimBlanks(answer->folder);
  // Windows takes "/" too; the levels are split on its own separator.
  if (separator_ == U'\\') std::replace(folder.begin(), folder.end(), U'/', separator_);
  // A root keeps its separator.
  while (!folder.empty() && folder.back() == separator_ &&
         folder.size() > RootLength(folder, env_.style)) {
    folder.pop_back();
  }
  if (const Text problem = ReportFolderProblem(*env_.fs, folder, env_.style); !problem.empty()) {
    boxes_.Show({problem, MessageStyle::kOkExclamation, Text(), Text()},
                [this](MessageAnswer) { AskReport(); });
    return;
  }
  report_.folder = folder;
  const auto datum = static_cast<report::Datum>(question.datum);
  settings_.reportFolder = folder;
  settings_.reportDatum = Text(report::DatumKey(datum));
  const std::vector<Text> missing = MissingParentFolders(*env_.fs, folder, env_.style);
  if (missing.empty()) {
    StartReport(datum);
    return;
  }
  // As Execute asks for a destination's missing levels; the folder itself comes with the report.
  boxes_.Show({kCreateFolderQuestion, MessageStyle::kYesNoQuestion, Text(), folder},
              [this, missing, datum](MessageAnswer answer) {
                if (answer != MessageAnswer::kYes || closeWhenIdle_) {
                  DropReport();
                  return;
                }
                Text error;
                try {
                  for (const Text& level : missing) {
                    if (env_.fs->KindOf(level) == EntryKind::kNone) env_.fs->MakeFolder(level);
                  }
                } catch (const ConversionError& e) {
                  error = e.message();
                } catch (const std::exception& e) {
                  error = UnexpectedErrorText(e.what());
                }
                if (error.empty()) {
                  StartReport(datum);
                  return;
                }
                DropReport();
                boxes_.Show({ReportFailedMessage(report_.folder), MessageStyle::kOkExclamation,
                             Text(), error},
                            nullptr);
              });
}

void WindowModel::Impl::StartReport(report::Datum datum) {
  report::ReportSettings settings;
  settings.datum = datum;
  settings.patternFolder = patternFolder_;
  settings.date = BoringLogDate();  // here: it is not safe on the worker
  const std::size_t total = report_.files.size();
  phase_ = Phase::kReporting;
  SetBusy(true);
  messageClearPending_ = false;
  view_.SetMessageLine(ReportProgressLine(0, total));
  view_.SetRunning(true);
  reportWorker_.Start(
      env_.fs, report_.files, report_.folder, std::move(settings), env_.workers,
      [this, total](std::size_t done) {
        if (phase_ == Phase::kReporting) view_.SetMessageLine(ReportProgressLine(done, total));
      },
      [this](const ReportWorker::Ended& ended) { ReportEnded(ended); });
}

void WindowModel::Impl::ReportEnded(const ReportWorker::Ended& ended) {
  const Text folder = report_.folder;
  const bool written = !ended.failed && !ended.outcome.stopped;
  if (ended.failed) {
    view_.SetMessageLine(ReportFailedMessage(folder));
  } else if (ended.outcome.stopped) {
    view_.SetMessageLine(kReportStoppedMessage);
  } else {
    view_.SetMessageLine(ReportDoneLine(folder, ended.outcome));
  }
  // An exit question asked while it was written no longer fits.
  if (exitQuestionOpen_) view_.WithdrawMessage();
  EndRun();
  if (phase_ == Phase::kEnded) return;
  if (ended.failed) {
    boxes_.Show(
        {ReportFailedMessage(folder), MessageStyle::kOkExclamation, Text(), ShownText(ended.error)},
        nullptr);
    return;
  }
  if (!written) return;
  const Text page = WithTrailingSeparator(folder, separator_) + kReportPage;
  if (!view_.OpenDocument(page)) {
    boxes_.Show({kReportNotOpenedMessage, MessageStyle::kOkInformation, Text(), page}, nullptr);
  }
}

void WindowModel::Impl::DropReport() {
  phase_ = Phase::kReady;
  if (closeWhenIdle_) EndProgram(0);
}

}  // namespace tecris2nx
