#include "run/convert_file.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <utility>

#include "check/check_along.h"
#include "check/check_report.h"
#include "check/checker.h"
#include "check/file_notices.h"
#include "common/cp932.h"
#include "common/error.h"
#include "run/ordered_batch.h"
#include "sections/output_context.h"
#include "sections/section_dispatch.h"
#include "sections/section_walk.h"
#include "tecris/field_reader.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {

const Text kBadFileMessage = U"指定されたﾌｧｲﾙは正しくありません";

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

namespace {

/// The conversion as a consumer of the walk: each section read is written into the job folder.
/// The first problem ends it; files of the sections before it stay.
class Conversion : public SectionConsumer {
 public:
  Conversion(const OutputContext& out, FileReport& report) : out_(out), report_(report) {}

  void Problem(const ConversionError& error, std::size_t) override { Fail(error.message()); }
  void Read(const ReadSection& section) override {
    if (failed_) return;
    try {
      if (section.handler.write) {
        section.handler.write(out_, section.data);
        out_.Commit();
      }
    } catch (const ConversionError& e) {
      Fail(e.message());
    }
  }
  void Stopped(const WalkStop& stop, FieldReader&) override {
    report_.stoppedEarly = true;
    report_.stoppedAtMarker = stop.marker;
  }
  void Ended(const SectionStore& store) override {
    if (failed_) return;
    try {
      for (const SectionHandler& handler : SectionHandlers()) {
        if (handler.afterWalk) {
          handler.afterWalk(out_, store);
          out_.Commit();
        }
      }
    } catch (const ConversionError& e) {
      Fail(e.message());
    }
  }
  bool WantsMore() const override { return !failed_; }

  bool failed() const { return failed_; }
  const Text& error() const { return error_; }

 private:
  void Fail(const Text& message) {
    if (failed_) return;
    failed_ = true;
    error_ = message;
  }

  const OutputContext& out_;
  FileReport& report_;
  bool failed_ = false;
  Text error_;
};

/// Makes the job folder and walks the sections of the file from its first field, writing each
/// section's files; with env.countWarnings, check mode reads along in the same pass.
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
  Conversion conversion(out, report);
  if (!env.countWarnings) {
    WalkSections(in, conversion);
  } else {
    // A check that fails leaves the file uncounted: warnings never make a conversion fail.
    CheckSettings settings{env.patternFolder, env.style};
    settings.countOnly = !env.keepFindings;
    CheckAlong both(conversion, in, env.fs, settings);
    WalkSections(in, both);
    if (std::optional<FileCheck> check = both.Finish(report.inputPath)) {
      check->jobName = report.jobName;
      AddFileNotices(*check, report.encoding, settings.countOnly);
      report.warnings = check->Count(Severity::kWarning);
      report.findings = std::move(check->findings);
    } else {
      report.warnings = -1;
      report.findings.clear();
    }
  }
  if (conversion.failed()) throw ConversionError(conversion.error());
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
    if (kind == EntryKind::kFile) {
      file = ReadJobName(OpenAsCp932(env.fs, input, env.encoding, report.encoding), env.style);
    }
    if (onJobName) onJobName(file.jobName);
    if (file.jobName.empty()) {
      report.outcome = FileOutcome::kNoJobName;
      report.error = NoJobNameReason(kind);
      return report;
    }
    report.jobName = file.jobName;
    FieldReader in = FieldReader::FromSource(std::move(file.content));
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
    const RunEnvironment fileEnv{turn.fs(), env.patternFolder, env.style,
                                 1,         env.countWarnings, env.keepFindings};
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

Text UnexpectedErrorText(const char* what) {
  return U"予期しないエラーが発生しました（" + FromUtf8(what) + U"）。";
}

}  // namespace tecris2nx
