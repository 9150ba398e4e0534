#include "app/cli/report_command.h"

#include <algorithm>

#include "app/cli/log_command.h"
#include "app/cli/shared_options.h"
#include "common/error.h"
#include "run/boring_log_file.h"
#include "run/ordered_batch.h"

namespace tecris2nx {

const char kReportRenderArgument[] = "--report";

const char* const kReportUsage =
    "使い方: tecris2nx report [--datum jgd2011|jgd2000|tokyo] [--format html|pdf]\n"
    "                         [--patdat DIR] -o OUTDIR FILE...\n"
    "\n"
    "TECRIS ファイルの一覧表を OUTDIR に書き出します: index.csv, boreholes.geojson,\n"
    "boreholes.kml, report.html（一覧、位置図、柱状図の並び、N 値の統計、チェックの結果）。\n"
    "\n"
    "  --datum D       ファイルの緯度・経度の測地系（既定は jgd2011）。tokyo は JGD2000 に\n"
    "                  変換して地図と GIS ファイルに使います\n"
    "  --format pdf    report.pdf も書き出します\n"
    "  --patdat DIR    パターンデータのフォルダ（省略時は自動で探します）\n"
    "  --encoding CODE ファイルの文字コード: auto（既定）, cp932, utf-8\n"
    "  -o OUTDIR       出力先フォルダ（なければ作ります）\n"
    "\n"
    "終了コード: 0 一覧表を作成（変換できないファイルは一覧表に理由を記載）,\n"
    "            1 一覧表を書き出せない, 2 使い方の誤り\n";

namespace {

struct ReportOptions {
  report::Datum datum = report::Datum::kJgd2011;
  bool pdf = false;
  std::string patdat;
  std::string output;
  EncodingChoice encoding = EncodingChoice::kAuto;
  bool help = false;
  std::vector<std::string> files;
};

std::string Parse(const std::vector<std::string>& args, ReportOptions& options) {
  bool filesOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    bool named = false;
    const auto take = [&](const char* name) {
      return TakeOptionValue(args, i, name, value, named);
    };
    if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (take("--datum")) {
      const std::optional<report::Datum> datum = report::DatumOfKey(FromUtf8(value));
      if (!datum) return "--datum は jgd2011, jgd2000, tokyo のいずれかです: " + value;
      options.datum = *datum;
    } else if (take("--format")) {
      std::string format = value;
      std::transform(format.begin(), format.end(), format.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      if (format != "html" && format != "pdf") return "--format は html か pdf です: " + value;
      options.pdf = format == "pdf";
    } else if (take("--patdat")) {
      options.patdat = value;
    } else if (take("--encoding")) {
      if (std::string problem = ParseEncodingChoice(value, options.encoding); !problem.empty()) {
        return problem;
      }
    } else if (take("-o") || take("--output")) {
      options.output = value;
    } else if (named) {
      return arg + " には値が必要です";
    } else {
      return "不明なオプションです: " + arg;
    }
  }
  if (options.help) return {};
  if (options.output.empty()) return "出力先フォルダ (-o OUTDIR) を指定してください";
  if (options.files.empty()) return "一覧表にする TECRIS ファイルを指定してください";
  return {};
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     CliEnvironment& env, const report::PdfPainter& pdf) {
  ReportOptions options;
  const std::string problem = Parse(args, options);
  if (!problem.empty()) {
    err << "tecris2nx report: " << problem << "\n" << kReportUsage;
    return kCliUsage;
  }
  if (options.help) {
    out << kReportUsage;
    return kCliOk;
  }
  if (options.pdf && !pdf) {
    std::vector<std::string> handed{kReportRenderArgument};
    handed.insert(handed.end(), args.begin(), args.end());
    BecomeRenderProgram(handed, out, err);
    err << "tecris2nx report: --format pdf はこの版では書き出せません（PDF を描くプログラム "
        << kLogRenderProgram << " がありません）\n";
    return kCliUsage;
  }
  report::ReportSettings settings;
  settings.datum = options.datum;
  settings.encoding = options.encoding;
  if (const int status = ResolvePatternFolder(options.patdat, PatternSearch::kEverywhere,
                                              "tecris2nx report", env, err, settings.patternFolder);
      status != kCliOk) {
    return status;
  }
  std::vector<Text> inputs;
  if (const int status = ExpandFiles(options.files, "tecris2nx report", env, err, inputs);
      status != kCliOk) {
    return status;
  }
  Text output;
  if (!MakeOutputFolder(env.fs, options.output, output, err)) return kCliFailed;
  Text dateProblem;
  settings.date = BoringLogDate(&dateProblem);
  if (!dateProblem.empty()) err << "tecris2nx: 警告: " << ToUtf8(dateProblem) << '\n';
  report::ReportRun run;
  run.workers = std::max(1, DefaultWorkers());
  if (options.pdf) run.pdf = pdf;
  try {
    const report::ReportOutcome outcome =
        report::WriteDeliveryReport(env.fs, inputs, output, settings, run);
    out << "一覧表を作成しました: " << ToUtf8(ShownName(output)) << "（ファイル " << outcome.files
        << " 件、変換できないもの " << outcome.failed << " 件、位置図に " << outcome.placed
        << " 件）\n";
  } catch (const ConversionError& e) {
    err << "tecris2nx report: 一覧表を書き出せません: " << ToUtf8(ShownText(e.message())) << '\n';
    return kCliFailed;
  }
  return kCliOk;
}

}  // namespace tecris2nx
