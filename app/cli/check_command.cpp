#include "app/cli/check_command.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "app/cli/shared_options.h"
#include "check/check_report.h"
#include "check/checker.h"
#include "check/file_notices.h"
#include "run/ordered_batch.h"
#include "run/repeated_jobs.h"

namespace tecris2nx {

const char* const kCheckUsage =
    "使い方: tecris2nx check [--json] [--strict] [--patdat DIR] FILE...\n"
    "\n"
    "TECRIS ファイルを変換と同じ読み方で読み、問題のある箇所を報告します（何も書き出しません）。\n"
    "\n"
    "  --json        結果を JSON で出力します（docs/check.schema.json）\n"
    "  --strict      警告があっても終了コード 1 にします\n"
    "  --patdat DIR  パターンデータのフォルダ（省略時はすぐ見つかる場所だけを探します）\n"
    "  --encoding CODE  ファイルの文字コード: auto（既定）, cp932, utf-8\n"
    "\n"
    "FILE には @LIST（1 行に 1 つの名前を書いたファイル）やフォルダも指定できます。\n"
    "\n"
    "終了コード: 0 エラーなし, 1 エラーあり（--strict では警告も）, 2 使い方の誤り\n";

namespace {

struct CheckOptions {
  bool json = false;
  bool strict = false;
  bool help = false;
  std::string patdat;
  EncodingChoice encoding = EncodingChoice::kAuto;
  std::vector<std::string> files;
};

std::string Parse(const std::vector<std::string>& args, CheckOptions& options) {
  bool filesOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--strict") {
      options.strict = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--patdat") {
      if (i + 1 >= args.size()) return arg + " には値が必要です";
      options.patdat = args[++i];
    } else if (arg.rfind("--patdat=", 0) == 0) {
      options.patdat = arg.substr(9);
    } else if (arg == "--encoding" || arg.rfind("--encoding=", 0) == 0) {
      if (arg == "--encoding" && i + 1 >= args.size()) return arg + " には値が必要です";
      const std::string problem =
          ParseEncodingChoice(arg == "--encoding" ? args[++i] : arg.substr(11), options.encoding);
      if (!problem.empty()) return problem;
    } else {
      return "不明なオプションです: " + arg;
    }
  }
  if (!options.help && options.files.empty()) return "調べる TECRIS ファイルを指定してください";
  return {};
}

}  // namespace

bool WritesJson(const std::vector<std::string>& args) {
  if (args.empty() || args[0] != "check") return false;
  CheckOptions options;
  return Parse(std::vector<std::string>(args.begin() + 1, args.end()), options).empty() &&
         options.json && !options.help;
}

int RunCheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    CliEnvironment& env) {
  CheckOptions options;
  const std::string problem = Parse(args, options);
  if (!problem.empty()) {
    err << "tecris2nx check: " << ToUtf8(ShownText(FromNativeName(problem))) << "\n" << kCheckUsage;
    return kCliUsage;
  }
  if (options.help) {
    out << kCheckUsage;
    return kCliOk;
  }
  CheckSettings settings;
  // Checking never starts the walk of the drives: only the places found at once are tried.
  if (const int status = ResolvePatternFolder(options.patdat, PatternSearch::kQuickOnly,
                                              "tecris2nx check", env, err, settings.patternFolder);
      status != kCliOk) {
    return status;
  }

  settings.encoding = options.encoding;
  std::vector<Text> files;
  if (const int status = ExpandFiles(options.files, "tecris2nx check", env, err, files);
      status != kCliOk) {
    return status;
  }

  // Files are checked side by side (checking only reads) and reported in the order given.
  std::vector<FileCheck> checks(files.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < checks.size(); i = next++) {
      checks[i] = CheckTecrisFile(env.fs, files[i], settings);
    }
  };
  {
    std::vector<std::jthread> workers;
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(DefaultWorkers()), checks.size());
    for (std::size_t w = 1; w < count; ++w) workers.emplace_back(work);
    work();
  }
  RepeatedJobs jobs;
  for (FileCheck& check : checks) {
    if (const Text earlier = jobs.Earlier(check.path, check.jobName); !earlier.empty()) {
      AddFileFinding(check, RepeatedJobFinding(check.jobName, earlier), false);
    }
  }
  bool failed = false;
  for (const FileCheck& check : checks) {
    failed = failed || check.Count(Severity::kError) > 0 ||
             (options.strict && check.Count(Severity::kWarning) > 0);
    if (!options.json) WriteCheckText(out, check);
  }
  if (options.json) WriteCheckJson(out, checks);
  // A report that did not reach its reader is no report: a full disk must not look like success.
  out.flush();
  if (!out) {
    err << "tecris2nx check: 結果を書き出せません（出力先に書き込めませんでした）\n";
    return kCliFailed;
  }
  return failed ? kCliFailed : kCliOk;
}

}  // namespace tecris2nx
