#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"
#include "report/write_report.h"
#include "tecris/path_check.h"

namespace tecris2nx {

/// Texts of 一覧表 (the delivery report of the selected files), shown exactly so.
extern const Text kReportDialogTitle;
extern const Text kReportDatumNote;             ///< under the datum choice
extern const Text kNoReportFilesMessage;        ///< nothing selected
extern const Text kReportFolderMissingMessage;  ///< the dialog's folder left empty
extern const Text kReportFolderIsFileMessage;   ///< the folder names a file
extern const Text kReportStoppedMessage;        ///< message line after a stop
extern const Text kReportNotOpenedMessage;      ///< written, but no browser opened it
extern const Text kStopReportAndExitQuestion;   ///< exit while a report is written
/// The folder offered when none was used before, inside the destination folder.
extern const Text kReportFolderName;
/// The page that opens once the report is written, among its files.
extern const Text kReportPage;

/// The message line while `done` of `total` files are read.
Text ReportProgressLine(std::size_t done, std::size_t total);
/// The message line once the report is written.
Text ReportDoneLine(const Text& folder, const report::ReportOutcome& outcome);
/// The box of a report that could not be written (its reason goes under it).
Text ReportFailedMessage(const Text& folder);
/// The folder text is not a whole path from a root, in the host's words.
Text ReportFolderNotWholeMessage(PathStyle style);

/// The datums as the dialog offers them, in the order of report::Datum.
std::vector<Text> ReportDatumNames();

/// Why a folder typed in the report dialog (trimmed, without trailing separators) cannot take the
/// report; empty when it can. Only looks.
Text ReportFolderProblem(const FileSystem& fs, const Text& folder, PathStyle style);

/// The levels above `folder` that are missing, top down (the folder itself is made when the
/// report is written, so that a stopped report leaves nothing behind).
std::vector<Text> MissingParentFolders(const FileSystem& fs, const Text& folder, PathStyle style);

/// Where the dialog's 参照… opens for the folder typed: the nearest folder at or above it that is
/// there (the one offered usually is not yet); empty when none is.
Text ReportBrowseStart(const FileSystem& fs, const Text& typed, PathStyle style);

/// Writes a delivery report on a thread beside the window, one at a time, and tells the window
/// thread how many files it has read. A stop before the last file is read writes nothing.
class ReportWorker {
 public:
  /// How a report ended: written, stopped (outcome.stopped) or failed, `error` saying why.
  struct Ended {
    report::ReportOutcome outcome;
    bool failed = false;
    Text error;
  };
  /// Window thread: `done` files have been read.
  using Progress = std::function<void(std::size_t done)>;
  /// Window thread: the report is over and its thread gone.
  using Finished = std::function<void(const Ended& ended)>;

  explicit ReportWorker(PostToWindow post) : post_(std::move(post)) {}
  /// Stops a report still going and waits for it.
  ~ReportWorker();
  ReportWorker(const ReportWorker&) = delete;
  ReportWorker& operator=(const ReportWorker&) = delete;

  /// Reads `files` on `workers` threads and writes the report into `folder`.
  void Start(FileSystem* fs, std::vector<Text> files, Text folder, report::ReportSettings settings,
             int workers, Progress progress, Finished finished);
  /// No further file is read; the report is written only when every file had been read already.
  void Stop();

 private:
  struct Shared {
    std::atomic<bool> stopped{false};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> progressPosted{false};
  };
  void Finish(const Ended& ended);

  PostToWindow post_;
  Progress progress_;
  Finished finished_;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tecris2nx
