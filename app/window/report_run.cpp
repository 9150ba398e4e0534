#include "app/window/report_run.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "common/error.h"
#include "run/convert_file.h"

namespace tecris2nx {

const Text kReportDialogTitle = U"一覧表の作成";
const Text kReportDatumNote =
    U"ファイルの緯度・経度の測地系です。日本測地系は JGD2000 に変換して位置図と GIS ファイル"
    U"（GeoJSON, KML）に使います。";
const Text kNoReportFilesMessage = U"一覧表にするファイルが選択されていません。";
const Text kReportFolderMissingMessage = U"一覧表を書き出すフォルダを指定してください。";
const Text kReportFolderIsFileMessage =
    U"一覧表のフォルダに同じ名前のファイルがあります。フォルダを指定してください。";
const Text kReportStoppedMessage = U"一覧表の作成を中止しました（何も書き出していません）。";
const Text kReportNotOpenedMessage =
    U"一覧表を開くプログラムがありません。ブラウザで次のファイルを開いてください。";
const Text kStopReportAndExitQuestion = U"一覧表を作成中です。中止して終了しますか？";
const Text kReportFolderName = U"一覧表";
const Text kReportPage = U"report.html";

namespace {

Text Number(std::size_t n) { return DecimalText(static_cast<long long>(n)); }

}  // namespace

Text ReportProgressLine(std::size_t done, std::size_t total) {
  return U"一覧表を作成しています… " + Number(done) + U" / " + Number(total);
}

Text ReportDoneLine(const Text& folder, const report::ReportOutcome& outcome) {
  return U"一覧表を作成しました: " + ShownName(folder) + U"（ファイル " + Number(outcome.files) +
         U" 件、変換できないもの " + Number(outcome.failed) + U" 件）";
}

Text ReportFailedMessage(const Text& folder) {
  return U"一覧表を書き出せませんでした: " + ShownName(folder);
}

Text ReportFolderNotWholeMessage(PathStyle style) {
  return style == PathStyle::kWindows
             ? U"一覧表のフォルダは C:\\ のようなドライブから指定してください。"
             : U"一覧表のフォルダは / から始まる場所で指定してください。";
}

std::vector<Text> ReportDatumNames() {
  std::vector<Text> names;
  for (report::Datum datum :
       {report::Datum::kJgd2011, report::Datum::kJgd2000, report::Datum::kTokyo}) {
    names.emplace_back(report::DatumName(datum));
  }
  return names;
}

Text ReportFolderProblem(const FileSystem& fs, const Text& folder, PathStyle style) {
  if (folder.empty()) return kReportFolderMissingMessage;
  // A relative folder would land wherever the trees last made current.
  if (RootLength(folder, style) == 0) return ReportFolderNotWholeMessage(style);
  if (Text problem = WindowsNameProblem(folder, style); !problem.empty()) return problem;
  if (fs.KindOf(folder) == EntryKind::kFile) return kReportFolderIsFileMessage;
  return Text();
}

std::vector<Text> MissingParentFolders(const FileSystem& fs, const Text& folder, PathStyle style) {
  const char32_t separator = SeparatorOf(style);
  const std::size_t root = RootLength(folder, style);
  std::vector<Text> missing;
  Text level = folder;
  for (;;) {
    const std::size_t cut = level.find_last_of(separator);
    if (cut == Text::npos) break;
    level.erase(cut);
    if (level.size() < root || fs.KindOf(level) != EntryKind::kNone) break;
    missing.push_back(level);
  }
  std::reverse(missing.begin(), missing.end());
  return missing;
}

Text ReportBrowseStart(const FileSystem& fs, const Text& typed, PathStyle style) {
  const char32_t separator = SeparatorOf(style);
  Text folder = TrimBlanks(typed);
  while (!folder.empty() && fs.KindOf(folder) != EntryKind::kFolder) {
    const std::size_t root = RootLength(folder, style);
    const std::size_t cut = folder.find_last_of(separator);
    if (folder.size() <= root || cut == Text::npos) return Text();
    folder.erase(std::max(cut, root));  // up a level; a root keeps its separator
  }
  return folder;
}

ReportWorker::~ReportWorker() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void ReportWorker::Stop() {
  if (shared_) shared_->stopped = true;
}

void ReportWorker::Start(FileSystem* fs, std::vector<Text> files, Text folder,
                         report::ReportSettings settings, int workers, Progress progress,
                         Finished finished) {
  if (thread_.joinable()) thread_.join();  // one at a time: the last one has ended by now
  progress_ = std::move(progress);
  finished_ = std::move(finished);
  shared_ = std::make_shared<Shared>();
  const std::weak_ptr<bool> alive = alive_;
  thread_ = std::thread([this, alive, fs, post = post_, shared = shared_, files = std::move(files),
                         folder = std::move(folder), settings = std::move(settings), workers] {
    report::ReportRun run;
    run.workers = std::max(1, workers);
    run.fileDone = [&](std::size_t index, const report::BoreholeEntry&) {
      shared->done = index + 1;
      // One progress task waits at a time: the window takes the latest count when it runs.
      if (!shared->progressPosted.exchange(true)) {
        post([this, alive, shared] {
          if (alive.expired()) return;
          shared->progressPosted = false;
          progress_(shared->done);
        });
      }
      return !shared->stopped;
    };
    run.stopped = [shared] { return shared->stopped.load(); };
    Ended ended;
    try {
      ended.outcome = report::WriteDeliveryReport(*fs, files, folder, settings, run);
    } catch (const ConversionError& e) {
      ended.failed = true;
      ended.error = e.message();
    } catch (const std::exception& e) {
      ended.failed = true;
      ended.error = UnexpectedErrorText(e.what());
    }
    post([this, alive, ended = std::move(ended)] {
      if (!alive.expired()) Finish(ended);
    });
  });
}

void ReportWorker::Finish(const Ended& ended) {
  if (thread_.joinable()) thread_.join();
  const Finished finished = finished_;
  finished(ended);
}

}  // namespace tecris2nx
