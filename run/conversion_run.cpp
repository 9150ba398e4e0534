#include "run/conversion_run.h"

#include <exception>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "common/cp932.h"
#include "common/error.h"
#include "tecris/field_reader.h"
#include "run/ordered_batch.h"
#include "tecris/path_helpers.h"
#include "sections/output_context.h"
#include "sections/section_dispatch.h"

namespace tecris2nx {

const Text kProgramTitle = U"TECRIS -> Nx 変換プログラム";
const Text kBusyMessage = U"只今変換中！　しばらくお待ちください。";
const Text kDoneMessage = U"変換が正常に終了しました。";
const Text kBadPathMessage = U"指定されたパスは正しくありません。";
const Text kTrailingSeparatorMessage = U"最後のフォルダに「￥」は要りません。";
const Text kCreateFolderQuestion = U"フォルダがありません。新規作成しますか？";
const Text kNothingSelectedMessage = U"変換元ファイルが選択されていません。";
const Text kBadFileMessage = U"指定されたﾌｧｲﾙは正しくありません";

namespace {

/// Hands memory freed by a finished section back to the system, so that a large file's sections
/// do not add up in the process's footprint.
void ReturnFreedMemory() {
#ifdef __GLIBC__
#if __GLIBC_PREREQ(2, 33)
  // Only worth a call to the system when a large section was freed; small files free little.
  if (mallinfo2().fordblks > (std::size_t{1} << 20)) malloc_trim(0);
#endif
#endif
}

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

/// Reads the rest of the file; true when every field left is empty.
bool OnlyEmptyFieldsLeft(FieldReader& in) {
  while (!in.AtEnd()) {
    if (!in.ReadField().empty()) return false;
  }
  return true;
}

Text FailureText(const Text& inputPath, const Text& problem) {
  return U"ファイル " + inputPath + U" を変換できませんでした。\n" + problem;
}

/// Runs the steps; a ConversionError thrown here is shown by the caller.
void RunSteps(RunFrontEnd& ui, const RunEnvironment& env, Text& currentFile) {
  ui.SetMessageLine(kBusyMessage);
  PathCheckEnv check;
  check.style = env.style;
  check.makeDriveCurrent = [&env](char32_t letter) { return env.fs.MakeDriveCurrent(letter); };
  check.showMessage = [&ui](const Text& text, int style, const Text& title) {
    ui.ShowMessage(text, style, title);
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
  struct Outcome {
    bool badFile = false;  ///< no usable job name
    FileReport report;
  };
  std::vector<Outcome> outcomes(names.size());
  bool stopped = false;
  const auto convert = [&](std::size_t i, FileTurn& turn) {
    const Text file = sourceFolder + names[i];
    const Text jobName = ReadJobName(turn.fs(), file, env.style);
    turn.ClaimJob(jobName);
    if (jobName.empty()) {
      // A file that is there but cannot be read is reported with its reason, not as a bad
      // identifier: ReadAll throws, and the failure box names the file.
      if (turn.fs().KindOf(file) == EntryKind::kFile) turn.fs().ReadAll(file);
      outcomes[i].badFile = true;
      return;
    }
    SectionStorage storage;
    const RunEnvironment fileEnv{turn.fs(), env.patternFolder, env.style};
    outcomes[i].report = ConvertTecrisFile(file, outputFolder, jobName, fileEnv, storage);
  };
  const auto finished = [&](std::size_t i, std::exception_ptr error) {
    currentFile = sourceFolder + names[i];
    if (error) std::rethrow_exception(error);
    if (outcomes[i].badFile) {
      ui.FileFailed(currentFile, kBadFileMessage);
      ui.ShowMessage(kBadFileMessage, kStyleOkOnly, Text());
      ui.SetMessageLine(Text());
      ui.SetBusy(false);
      stopped = true;
      return false;
    }
    ui.FileConverted(outcomes[i].report);
    outcomes[i] = Outcome();
    return true;
  };
  ConvertInOrder(names.size(), env.workers, env.fs, convert, finished);
  if (stopped) return;
  currentFile.clear();

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
  Text currentFile;
  Text problem;
  try {
    RunSteps(ui, env, currentFile);
    return;
  } catch (const ConversionError& e) {
    problem = e.message();
  } catch (const std::exception& e) {
    problem = U"予期しないエラーが発生しました（" + FromUtf8(e.what()) + U"）。";
  }
  // A failure stops the run like M5: what was converted stays, success is not reported.
  const Text text = currentFile.empty() ? problem : FailureText(currentFile, problem);
  if (!currentFile.empty()) ui.FileFailed(currentFile, problem);
  ui.ShowMessage(text, kStyleOkExclamation, Text());
  ui.SetMessageLine(Text());
  ui.SetBusy(false);
}

FileReport ConvertTecrisFile(const Text& inputPath, const Text& outputFolder, const Text& jobName,
                             const RunEnvironment& env, SectionStorage& storage) {
  const char32_t separator = SeparatorOf(env.style);
  FileReport report;
  report.inputPath = inputPath;
  EnsureJobFolder(env.fs, outputFolder, jobName, separator);
  report.jobFolder = outputFolder + separator + jobName;
  if (env.fs.KindOf(report.jobFolder) != EntryKind::kFolder) {
    throw ConversionError(U"ジョブフォルダを作成できません: " + report.jobFolder +
                          U"（同じ名前のファイルがあります）");
  }

  FieldReader in = FieldReader::FromSource(env.fs.OpenForReading(inputPath));
  storage.SectionGTable.Reset(0, 0);
  storage.SectionHTable.Reset(0, 0);

  PendingFiles pending;
  const OutputContext out{env.fs,    report.jobFolder, env.patternFolder,
                          separator, &report.written,  &pending};
  Text marker = MarkerText(in.ReadField());
  bool markerUnused = true;  // a marker was read that no section has taken yet
  for (const SectionHandler& handler : SectionHandlers()) {
    if (marker.size() != 1 || marker[0] != handler.letter) continue;
    markerUnused = false;
    in.BeginSection(handler.letter);
    handler.read(in, storage);
    if (handler.write) {
      handler.write(out, storage);
      out.Commit();
    }
    // No later step reads the table again (section D reads section B's layers from X1.txt).
    if (handler.release) {
      handler.release(storage);
      ReturnFreedMemory();
    }
    marker.clear();
    if (handler.letter != U'H' && !in.AtEnd()) {
      in.BeginSection(0);
      marker = MarkerText(in.ReadField());
      markerUnused = true;
    }
  }
  // Empty lines after the last section are no section that was left out.
  if (markerUnused && marker.empty()) markerUnused = !OnlyEmptyFieldsLeft(in);
  if (markerUnused) {
    report.stoppedEarly = true;
    report.stoppedAtMarker = marker;
  }
  WriteAfterSections(out, storage);
  out.Commit();
  return report;
}

}  // namespace tecris2nx
