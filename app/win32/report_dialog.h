#pragma once

#include <functional>
#include <optional>

#include "common/windows_api.h"
#include "app/window/window_view.h"
#include "common/text.h"

namespace tecris2nx::win32 {

/// Control identifiers of the report dialog; 作成 is IDOK and キャンセル IDCANCEL, so that Enter
/// and Esc work as in every dialog.
enum ReportDialogId : int {
  kReportFolderLabel = 201,
  kReportFolder,  ///< the folder, typed
  kReportBrowse,  ///< 参照…: the system's folder dialog
  kReportDatumLabel,
  kReportDatum,  ///< the datum, a drop-down list
  kReportNote,
};

/// The system's folder dialog: the folder chosen, or empty when cancelled.
using FolderChooser = std::function<Text(HWND owner, const Text& title, const Text& start)>;

/// Asks for the report's folder and datum in a modal dialog over `owner`, in the system's message
/// font; none when cancelled. `shown`, when set, is called with the dialog once its controls are
/// filled, before it shows.
std::optional<ReportAnswer> AskReportWithDialog(HWND owner, const ReportQuestion& question,
                                                const FolderChooser& chooseFolder,
                                                const std::function<void(HWND dialog)>& shown);

}  // namespace tecris2nx::win32
