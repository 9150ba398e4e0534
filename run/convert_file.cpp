#include "run/convert_file.h"

#include <cstdint>
#include <exception>
#include <span>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "check/check_report.h"
#include "check/checker.h"
#include "common/cp932.h"
#include "common/error.h"
#include "run/ordered_batch.h"
#include "sections/output_context.h"
#include "sections/section_dispatch.h"
#include "tecris/field_reader.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {

const Text kBadFileMessage = U"指定されたﾌｧｲﾙは正しくありません";

namespace {

/// Hands memory freed by a finished section back to the system, so that a large file's sections
/// do not add up in the process's footprint. Only for a section read from a megabyte or more: a
/// trim walks the whole heap, and after each small section of a long batch in the window (whose
/// heap is large) it cost more than the conversion.
void ReturnFreedMemory(std::uint64_t sectionBytes) {
#ifdef __GLIBC__
  if (sectionBytes >= (std::uint64_t{1} << 20)) malloc_trim(0);
#else
  (void)sectionBytes;
#endif
}

/// Reads the rest of the file; true when every field left is empty.
bool OnlyEmptyFieldsLeft(FieldReader& in) {
  while (!in.AtEnd()) {
    if (!in.ReadField().empty()) return false;
  }
  return true;
}

/// Why a file has no JobName, for the user.
Text NoJobNameReason(EntryKind kind) {
  switch (kind) {
    case EntryKind::kNone:
      return U"ファイルがありません";
    case EntryKind::kFolder:
      return U"フォルダです（ファイルを指定してください）";
    case EntryKind::kFile:
      break;
  }
  return kBadFileMessage +
         U"（2 番目のフィールドがフォルダ名に使える 11 文字の識別子ではありません）";
}

/// Makes the job folder and walks the sections of the file from its first field, in the order of
/// the section table. Throws ConversionError naming the problem; files written before the failure
/// stay.
void ConvertSections(FieldReader& in, const Text& outputFolder, const RunEnvironment& env,
                     FileReport& report) {
  const char32_t separator = SeparatorOf(env.style);
  EnsureJobFolder(env.fs, outputFolder, report.jobName, separator);
  report.jobFolder = outputFolder + separator + report.jobName;
  if (env.fs.KindOf(report.jobFolder) != EntryKind::kFolder) {
    throw ConversionError(U"ジョブフォルダを作成できません: " + report.jobFolder +
                          U"（同じ名前のファイルがあります）");
  }

  PendingFiles pending;
  const OutputContext out{env.fs,    report.jobFolder, env.patternFolder,
                          separator, &report.written,  pending};
  const std::span<const SectionHandler> handlers = SectionHandlers();
  SectionStore store;
  Text marker = MarkerText(in.ReadField());
  bool markerUnused = true;  // a marker was read that no section has taken yet
  for (std::size_t row = 0; row < handlers.size(); ++row) {
    const SectionHandler& handler = handlers[row];
    if (marker.size() != 1 || marker[0] != handler.letter) continue;
    markerUnused = false;
    in.BeginSection(handler.letter);
    const std::uint64_t sectionStart = in.Position();
    handler.read(in, store.At(row));
    if (handler.write) {
      handler.write(out, store.At(row));
      out.Commit();
    }
    if (handler.release == ReleaseAt::kAfterWrite) {
      store.Release(row);
      ReturnFreedMemory(in.Position() - sectionStart);
    }
    marker.clear();
    // The last section ends the walk; what follows it is looked at below.
    if (row + 1 < handlers.size() && !in.AtEnd()) {
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
  for (const SectionHandler& handler : handlers) {
    if (handler.afterWalk) {
      handler.afterWalk(out, store);
      out.Commit();
    }
  }
}

/// The check's findings on the bytes the conversion is about to read; it only reads pattern data.
/// A check that fails leaves the file uncounted: warnings never make a conversion fail.
void CountWarnings(const std::string& bytes, const RunEnvironment& env, FileReport& report) {
  try {
    const CheckSettings settings{env.patternFolder, env.style};
    FileCheck check = CheckTecrisBytes(env.fs, report.inputPath, bytes, settings);
    report.warnings = check.Count(Severity::kWarning);
    report.findings = std::move(check.findings);
  } catch (const std::exception&) {
    report.warnings = -1;
    report.findings.clear();
  }
}

void Fail(FileReport& report, const Text& problem) {
  report.outcome = FileOutcome::kFailed;
  // Values quoted from the file reach terminals, boxes and lists: no control character raw.
  report.error = ShownText(problem);
}

}  // namespace

FileReport ConvertFile(const Text& input, const Text& outputFolder, const RunEnvironment& env,
                       const OnJobName& onJobName) {
  FileReport report;
  report.inputPath = input;
  try {
    const EntryKind kind = env.fs.KindOf(input);
    IdentifiedFile file;
    if (kind == EntryKind::kFile) file = ReadJobName(env.fs.OpenForReading(input), env.style);
    if (onJobName) onJobName(file.jobName);
    if (file.jobName.empty()) {
      report.outcome = FileOutcome::kNoJobName;
      report.error = NoJobNameReason(kind);
      return report;
    }
    report.jobName = file.jobName;
    FieldReader in = [&] {
      if (!env.countWarnings) return FieldReader::FromSource(std::move(file.content));
      std::string bytes;
      constexpr std::size_t kPiece = 1 << 16;
      while (file.content->ReadMore(bytes, kPiece)) {
      }
      CountWarnings(bytes, env, report);
      return FieldReader::FromCp932(std::move(bytes));
    }();
    ConvertSections(in, outputFolder, env, report);
  } catch (const ConversionError& e) {
    Fail(report, e.message());
  } catch (const std::exception& e) {
    Fail(report, UnexpectedErrorText(e.what()));
  }
  return report;
}

void ConvertFilesInOrder(const std::vector<Text>& inputs, const Text& outputFolder,
                         const RunEnvironment& env,
                         const std::function<bool(std::size_t, const FileReport&)>& finished,
                         const std::function<bool()>& mayStart) {
  std::vector<FileReport> reports(inputs.size());
  std::vector<char> notStarted(inputs.size(), 0);
  const auto convert = [&](std::size_t i, FileTurn& turn) {
    if (mayStart && !mayStart()) {
      notStarted[i] = 1;
      return;
    }
    const RunEnvironment fileEnv{turn.fs(), env.patternFolder, env.style, 1, env.countWarnings};
    reports[i] = ConvertFile(inputs[i], outputFolder, fileEnv,
                             [&turn](const Text& jobName) { turn.ClaimJob(jobName); });
  };
  const auto written = [&](std::size_t i, std::exception_ptr error) {
    if (notStarted[i]) return false;
    FileReport report = std::move(reports[i]);  // reported: its lists are not kept
    report.inputPath = inputs[i];
    if (error) {
      // A held-back write failed after the conversion itself was done.
      try {
        std::rethrow_exception(error);
      } catch (const ConversionError& e) {
        Fail(report, e.message());
      } catch (const std::exception& e) {
        Fail(report, UnexpectedErrorText(e.what()));
      }
    }
    return finished(i, report);
  };
  ConvertInOrder(inputs.size(), env.workers, env.fs, convert, written);
}

std::vector<Text> ReportLines(const Text& shownName, const FileReport& report,
                              const Text& findingsHint) {
  std::vector<Text> lines;
  Text line = shownName + U" -> " + ShownName(report.jobFolder) + U":";
  if (report.written.empty()) line += U" （書き出したファイルなし）";
  for (const Text& name : report.written) line += U" " + name;
  lines.push_back(std::move(line));
  if (report.stoppedEarly) {
    lines.push_back(U"  マーカー \"" + ShownText(report.stoppedAtMarker) +
                    U"\" は順序外または不明のため、そこから先は変換していません。");
  }
  if (report.warnings > 0) {
    lines.push_back(U"  警告 " + DecimalText(report.warnings) + U" 件（" + findingsHint + U"）");
  } else if (report.warnings == 0) {
    lines.push_back(U"  警告なし");
  }
  return lines;
}

Text FailureText(const Text& inputPath, const Text& problem) {
  return U"ファイル " + ShownName(inputPath) + U" を変換できませんでした。\n" + ShownText(problem);
}

Text UnexpectedErrorText(const char* what) {
  return U"予期しないエラーが発生しました（" + FromUtf8(what) + U"）。";
}

}  // namespace tecris2nx
