#include "run/conversion_run.h"

#include <exception>

#include "common/error.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {

const Text kProgramTitle = U"TECRIS -> Nx 変換プログラム";
const Text kBusyMessage = U"只今変換中！　しばらくお待ちください。";
const Text kDoneMessage = U"変換が正常に終了しました。";
const Text kBadPathMessage = U"指定されたパスは正しくありません。";
const Text kTrailingSeparatorMessage = U"最後のフォルダに「￥」は要りません。";
const Text kCreateFolderQuestion = U"フォルダがありません。新規作成しますか？";
const Text kNothingSelectedMessage = U"変換元ファイルが選択されていません。";

namespace {

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

/// Offers to create missing levels; false when the user said No (nothing is created then).
bool EnsureDestinationLevels(RunFrontEnd& ui, FileSystem& fs, const Text& destination,
                             char32_t separator) {
  const std::vector<Text> levels = DestinationLevels(destination, separator);
  bool missing = false;
  for (const Text& level : levels) {
    if (fs.KindOf(level) == EntryKind::kNone) {
      missing = true;
      break;
    }
  }
  if (!missing) return true;
  if (ui.ShowMessage(kCreateFolderQuestion, kStyleYesNoQuestion, Text()) != kAnswerYes) {
    return false;
  }
  // Top down, each level after its parent.
  for (const Text& level : levels) {
    if (fs.KindOf(level) == EntryKind::kNone) fs.MakeFolder(level);
  }
  return true;
}

/// Runs the steps; a ConversionError thrown here is shown by the caller.
void RunSteps(RunFrontEnd& ui, const RunEnvironment& env) {
  ui.SetMessageLine(kBusyMessage);
  PathCheckEnv check;
  check.style = env.style;
  check.makeDriveCurrent = [&env](char32_t letter) { return env.fs.MakeDriveCurrent(letter); };
  check.showInformation = [&ui](const Text& text) {
    ui.ShowMessage(text, kStyleOkInformation, Text());
  };

  Text source = ui.SourceText();
  if (!CheckPath(source, check)) {
    ui.ShowMessage(kBadPathMessage, kStyleOkExclamation, source);
    ui.SetMessageLine(Text());
    return;
  }
  Text destination = ui.DestinationText();
  if (!CheckPath(destination, check)) {
    ui.ShowMessage(kBadPathMessage, kStyleOkExclamation, destination);
    ui.FocusDestination();
    ui.SetMessageLine(Text());
    return;
  }
  const char32_t separator = SeparatorOf(env.style);
  const Text typed = ui.DestinationText();
  if (!typed.empty() && typed.back() == separator) {
    ui.ShowMessage(kTrailingSeparatorMessage, kStyleOkExclamation, destination);
    ui.SetMessageLine(Text());
    return;
  }
  if (!EnsureDestinationLevels(ui, env.fs, destination, separator)) {
    ui.SetMessageLine(Text());
    return;
  }

  ui.SetBusy(true);
  const std::vector<Text> names = CollectSelectedFiles(ui);
  if (names.empty()) {
    ui.ShowMessage(kNothingSelectedMessage, kStyleOkOnly, Text());
    ui.SetMessageLine(Text());
    ui.SetBusy(false);
    return;
  }

  // Files are converted side by side; each is written, reported and, on a failure, stopped at in
  // list order, as one after another would be.
  const Text outputFolder = TrimBlanks(ui.DestinationText());
  const Text sourceFolder = TrimBlanks(ui.SourceText());
  std::vector<Text> inputs;
  for (const Text& name : names) inputs.push_back(sourceFolder + name);
  FileReport failure;
  bool stopped = false;
  ConvertFilesInOrder(inputs, outputFolder, env, [&](std::size_t, const FileReport& report) {
    if (report.outcome == FileOutcome::kConverted) {
      ui.FileConverted(report);
      return true;
    }
    failure = report;
    stopped = true;
    return false;
  });
  if (stopped) {
    // A failure stops the run: what was converted stays, success is not reported.
    if (failure.outcome == FileOutcome::kNoJobName) {
      ui.FileFailed(failure.inputPath, kBadFileMessage);
      ui.ShowMessage(kBadFileMessage, kStyleOkOnly, Text());
    } else {
      ui.FileFailed(failure.inputPath, failure.error);
      ui.ShowMessage(FailureText(failure.inputPath, failure.error), kStyleOkExclamation, Text());
    }
    ui.SetMessageLine(Text());
    ui.SetBusy(false);
    return;
  }

  ui.SetMessageClearPending();
  ui.SetMessageLine(kDoneMessage);
  ui.SetBusy(false);
}

}  // namespace

std::vector<Text> CollectSelectedFiles(const RunFrontEnd& ui) {
  std::vector<Text> names;
  for (const Text& name : ui.SelectedNames()) names.push_back(TrimBlanks(name));
  return names;
}

void ConversionRun(RunFrontEnd& ui, const RunEnvironment& env) {
  Text problem;
  try {
    RunSteps(ui, env);
    return;
  } catch (const ConversionError& e) {
    problem = e.message();
  } catch (const std::exception& e) {
    problem = UnexpectedErrorText(e.what());
  }
  // A failure outside any one file (a folder of the destination) stops the run the same way.
  ui.ShowMessage(problem, kStyleOkExclamation, Text());
  ui.SetMessageLine(Text());
  ui.SetBusy(false);
}

}  // namespace tecris2nx
