#include "app/cli/cli.h"

#include <algorithm>

#include "app/cli/check_command.h"
#include "app/cli/log_command.h"
#include "app/cli/report_command.h"
#include "app/cli/shared_options.h"
#include "run/convert_file.h"
#include "run/ordered_batch.h"
#include "run/repeated_jobs.h"
#include "tecris/path_check.h"
#include "tecris/path_helpers.h"
#include "tecris/tecris_files.h"

namespace tecris2nx {
namespace {

constexpr const char* kUsage =
    "使い方: tecris2nx [--patdat DIR] [--verbose] [-j N] -o OUTDIR FILE...\n"
    "        tecris2nx --list DIR\n"
    "        tecris2nx check [--json] [--strict] [--patdat DIR] FILE...\n"
    "        tecris2nx log [--format svg] [--scale N] [--paper a4|a3] [--patdat DIR]\n"
    "                      -o OUTDIR FILE...\n"
    "        tecris2nx report [--datum jgd2011|jgd2000|tokyo] [--format pdf] -o OUTDIR FILE...\n"
    "\n"
    "TECRIS ファイルを Nx 形式に変換し、OUTDIR/<識別子>/ に書き出します。\n"
    "\n"
    "  -o, --output OUTDIR  出力先フォルダ（なければ作成します）\n"
    "  --patdat DIR         パターンデータのフォルダ（省略時は自動で探します）\n"
    "  -v, --verbose        ファイルごとに書き出したファイルを表示します\n"
    "  -j, --jobs N         同時に変換するファイル数（省略時はコア数、1 で一つずつ）\n"
    "  --list DIR           DIR の中の TECRIS ファイル名を一覧します\n"
    "  --encoding CODE      ファイルの文字コード: auto（既定）, cp932, utf-8\n"
    "  check ...            ファイルを調べます（変換はしません。tecris2nx check --help）\n"
    "  log ...              柱状図を SVG で書き出します（tecris2nx log --help）\n"
    "  report ...           一覧表（一覧、位置図、柱状図の並び、N 値の統計）を書き出します\n"
    "                       （tecris2nx report --help）\n"
    "  -h, --help           この説明を表示します\n"
    "  --version            版を表示します\n"
    "\n"
    "FILE には @LIST（1 行に 1 つの名前を書いたファイル）やフォルダ（その中の TECRIS ファイル）も\n"
    "指定できます。\n"
    "\n"
    "終了コード: 0 すべて変換, 1 変換できないファイルあり, 2 使い方の誤り\n";

// The last line of --help: where the installed packages put the Japanese guide.
#ifdef _WIN32
constexpr const char* kGuideLine =
    "利用者の手引き: tecris2nx.exe と同じフォルダの tecris2nx-guide-ja.html\n";
#else
constexpr const char* kGuideLine =
    "利用者の手引き: /usr/share/doc/tecris2nx/tecris2nx-guide-ja.html"
    "（ソースからのインストールでは <prefix>/share/doc/tecris2nx/）\n";
#endif

struct Options {
  bool help = false;
  bool version = false;
  bool verbose = false;
  std::string output;
  std::string patdat;
  std::string list;
  int jobs = 0;  ///< files converted at once; 0: one per core
  EncodingChoice encoding = EncodingChoice::kAuto;
  std::vector<std::string> files;
};

/// A count of 1 to 64 for --jobs; 0 when the text is not one.
int JobCount(const std::string& text) {
  if (text.empty() || text.size() > 2 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  const int count = std::stoi(text);
  return count >= 1 && count <= 64 ? count : 0;
}

/// Parses the arguments; returns an error text for a usage error.
std::string Parse(const std::vector<std::string>& args, Options& options) {
  bool filesOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& into) -> std::string {
      if (i + 1 >= args.size()) return arg + " には値が必要です";
      into = args[++i];
      return {};
    };
    std::string problem;
    if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "-v" || arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "-o" || arg == "--output") {
      problem = value(options.output);
    } else if (arg.rfind("--output=", 0) == 0) {
      options.output = arg.substr(9);
    } else if (arg == "--patdat") {
      problem = value(options.patdat);
    } else if (arg.rfind("--patdat=", 0) == 0) {
      options.patdat = arg.substr(9);
    } else if (arg == "--encoding" || arg.rfind("--encoding=", 0) == 0) {
      std::string choice;
      if (arg == "--encoding") {
        problem = value(choice);
      } else {
        choice = arg.substr(11);
      }
      if (problem.empty()) problem = ParseEncodingChoice(choice, options.encoding);
    } else if (arg == "--list") {
      problem = value(options.list);
    } else if (arg == "-j" || arg == "--jobs" || arg.rfind("--jobs=", 0) == 0) {
      std::string count;
      if (arg.rfind("--jobs=", 0) == 0) {
        count = arg.substr(7);
      } else {
        problem = value(count);
      }
      if (problem.empty()) {
        options.jobs = JobCount(count);
        if (options.jobs == 0) problem = arg + " には 1 から 64 の数を指定してください";
      }
    } else {
      problem = "不明なオプションです: " + arg;
    }
    if (!problem.empty()) return problem;
  }
  if (options.help || options.version) return {};
  if (!options.list.empty()) {
    if (!options.output.empty() || !options.files.empty()) return "--list は単独で使います";
    return {};
  }
  if (options.output.empty()) return "出力先フォルダ (-o OUTDIR) を指定してください";
  if (options.files.empty()) return "変換する TECRIS ファイルを指定してください";
  return {};
}

/// Names the TECRIS files of a folder (--list), as their bytes so that a script can pass them on.
int ListFolder(const std::string& list, std::ostream& out, std::ostream& err, CliEnvironment& env) {
  const Text folder = FromNativeName(list);
  if (env.fs.KindOf(folder) != EntryKind::kFolder) {
    err << "tecris2nx: " << ToUtf8(ShownName(folder)) << ": フォルダがありません\n";
    return kCliUsage;
  }
  for (const Text& name : ListTecrisFiles(env.fs, folder)) out << NativeNameBytes(name) << '\n';
  return kCliOk;
}

/// A file's lines on stderr once it is done: its error, or with --verbose what it wrote; and,
/// whether or not, what the user must know of it (`notices`: read from another encoding, an
/// earlier file's output replaced).
std::string FileLines(const Text& input, const FileReport& report, bool verbose,
                      const std::vector<Text>& notices) {
  std::string text;
  const std::string name = ToUtf8(ShownName(input));
  if (report.outcome != FileOutcome::kConverted) {
    text = "tecris2nx: " + name + ": " + ToUtf8(report.error) + '\n';
  } else if (verbose) {
    for (const Text& line : ReportLines(ShownName(report.inputPath), report)) {
      text += ToUtf8(line);
      text += '\n';
    }
  }
  for (const Text& notice : notices) {
    text += "tecris2nx: " + name + ": 警告: " + ToUtf8(ShownText(notice)) + '\n';
  }
  return text;
}

/// Converts the files side by side, written in the order given as one after another would be.
int ConvertFiles(const Options& options, const Text& patternFolder, const Text& outputFolder,
                 std::ostream& err, CliEnvironment& env) {
  std::vector<Text> inputs;
  if (const int status = ExpandFiles(options.files, "tecris2nx", env, err, inputs);
      status != kCliOk) {
    return status;
  }
  RunEnvironment runEnv{env.fs, patternFolder, HostPathStyle(),
                        options.jobs > 0 ? options.jobs : DefaultWorkers()};
  runEnv.countWarnings = options.verbose;
  runEnv.encoding = options.encoding;
  RepeatedJobs jobs;
  runEnv.keepFindings = false;  // only their count is shown
  int failed = 0;
  std::size_t done = 0;
  const auto interrupt = [&] { return env.interruption ? env.interruption->Received() : 0; };
  if (env.interruption) env.interruption->HoldForWriting();
  const auto finished = [&](std::size_t i, const FileReport& report) {
    ++done;
    if (report.outcome != FileOutcome::kConverted) ++failed;
    // A file's lines go out in one piece: unbuffered, each part would be a write of its own, and
    // another program's output could come between them.
    std::vector<Text> notices;
    if (report.encoding != SourceEncoding::kCp932)
      notices.push_back(EncodingNotice(report.encoding));
    if (const Text earlier = jobs.Earlier(inputs[i], report.jobName); !earlier.empty()) {
      notices.push_back(RepeatedJobNotice(report.jobName, ShownName(earlier)));
    }
    const std::string text = FileLines(inputs[i], report, options.verbose, notices);
    if (!text.empty()) err << text;
    return true;
  };
  ConvertFilesInOrder(inputs, outputFolder, runEnv, finished, [&] { return interrupt() == 0; });
  if (const int signal = interrupt(); signal != 0) {
    // The files started were finished and written whole; say where a new run would go on.
    err << "tecris2nx: 中断しました。" << inputs.size() << " 件のうち " << done
        << " 件を処理しました";
    if (done < inputs.size()) {
      err << "（" << ToUtf8(ShownName(inputs[done])) << " から先は変換していません）";
    }
    err << '\n';
    return kCliInterrupted + signal;
  }
  return failed == 0 ? kCliOk : kCliFailed;
}

}  // namespace

const char kInterruptedLine[] = "tecris2nx: 中断しました\n";

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   CliEnvironment& env) {
  // A file named "check" is converted when given as "./check".
  if (!args.empty() && args[0] == "check") {
    return RunCheckCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err, env);
  }
  if (!args.empty() && args[0] == "log") {
    return RunLogCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err, env);
  }
  if (!args.empty() && args[0] == "report") {
    return RunReportCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err, env);
  }
  Options options;
  const std::string problem = Parse(args, options);
  if (!problem.empty()) {
    err << "tecris2nx: " << ToUtf8(ShownText(FromNativeName(problem))) << "\n" << kUsage;
    return kCliUsage;
  }
  if (options.help) {
    out << kUsage << kGuideLine;
    return kCliOk;
  }
  if (options.version) {
    out << "tecris2nx " << TECRIS2NX_VERSION << "\n";
    return kCliOk;
  }

  if (!options.list.empty()) return ListFolder(options.list, out, err, env);

  Text patternFolder;
  if (const int status = ResolvePatternFolder(options.patdat, PatternSearch::kEverywhere,
                                              "tecris2nx", env, err, patternFolder);
      status != kCliOk) {
    return status;
  }
  if (options.verbose) err << "パターンデータ: " << ToUtf8(ShownName(patternFolder)) << '\n';
  Text outputFolder;
  if (!MakeOutputFolder(env.fs, options.output, outputFolder, err)) return kCliFailed;
  return ConvertFiles(options, patternFolder, outputFolder, err, env);
}

}  // namespace tecris2nx
