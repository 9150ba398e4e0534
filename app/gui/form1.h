#pragma once

#include <QStringList>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/window/window_model.h"
#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tecris2nx {

class FindingsWindow;
class FolderTree;
class LogPreview;

/// What the window takes from its surroundings; tests replace each one.
struct WindowSeams {
  /// A modal message box over the window; returns how the user closed it.
  std::function<MessageAnswer(QWidget* parent, const MessageRequest& box)> showMessage;
  /// The pattern-data folder from the quick places, ending with the separator, or empty.
  std::function<Text()> locatePatternFolder;
  /// The walk of the local drives for the pattern data (on a worker thread, telling `visiting`
  /// each folder and returning early once `cancel` is set); unset: no walk.
  PatternSearch::Walk searchPatternFolder;
  /// The folder dialog: the folder chosen, or empty when cancelled.
  std::function<QString(QWidget* parent, const QString& title, const QString& start)> chooseFolder;
  /// Where both sides start when nothing is remembered; empty: the home folder.
  QString documentsFolder;
  /// Opens a document with the desktop's program for it; unset: nothing opens.
  std::function<bool(const QString& path)> openDocument;
  /// Where the user guide may be, in order; empty: installed, beside the program, in the build.
  QStringList guideFiles;
  /// Where the pattern data is looked for, for the box that says there is none.
  std::vector<Text> patternPlaces;
  /// Ends the program with this exit status.
  std::function<void(int status)> endProgram;
  /// Roots of the drives for the drive lists, "/" separators.
  std::function<QStringList()> listDrives;
  /// The settings file; empty: nothing is remembered.
  QString settingsFile;
  /// The report dialog: what the user chose, none when cancelled. Unset: ReportDialog.
  std::function<std::optional<ReportAnswer>(QWidget* parent, const ReportQuestion& question)>
      askReport;
  /// Files converted at once; 0: one per core.
  int workers = 0;
};

/// The real message box, the host's pattern-data lookup and walk, the end of the event loop, the
/// host's drives and the settings file in the user's configuration folder. Needs the
/// QApplication.
WindowSeams HostWindowSeams();

/// The program's one window: the controls of the window model, laid out, its events forwarded.
class Form1 : public QWidget, public WindowView {
  Q_OBJECT

 public:
  explicit Form1(WindowSeams seams, QWidget* parent = nullptr);
  ~Form1() override;

  /// Start-up (see WindowModel::Start). False when the program has to end.
  bool Load();

  const Text& PatternFolder() const { return model_->PatternFolder(); }
  bool MessageClearPending() const { return model_->MessageClearPending(); }
  bool Running() const { return model_->Running(); }
  WindowModel& Model() { return *model_; }

  /// The findings window, once a line's findings have been shown; else null.
  FindingsWindow* Findings() const { return findings_; }
  /// The boring-log preview, once one has been shown.
  LogPreview* Preview() const { return preview_; }

  // What the model shows.
  WindowGeometry AvailableArea() const override;
  WindowGeometry MinimumSize() const override;
  WindowGeometry StartSize() const override;
  void PlaceWindow(const WindowGeometry& geometry) override;
  WindowGeometry CurrentGeometry() const override;
  void SetDrives(Side side, const std::vector<Text>& roots, int current) override;
  void SelectDrive(Side side, int index) override;
  void ShowFolder(Side side, const Text& root, const Text& folder) override;
  void SetFolderText(Side side, const Text& text) override;
  Text DestinationText() const override;
  void SetFiles(const std::vector<Text>& names, const std::vector<Text>& selected) override;
  std::vector<Text> SelectedFiles() const override;
  void SetSelectionCount(const Text& text) override;
  void SetLeftOutLine(const Text& text) override;
  void SetPatternFolderLine(const Text& text) override;
  void SetMessageLine(const Text& text) override;
  void ClearDetails() override;
  void AppendDetails(const std::vector<DetailLine>& lines) override;
  void SetBusy(bool busy) override;
  void SetRunning(bool running) override;
  void SetSearching(bool searching) override;
  void FocusDestination() override;
  void ShowMessage(const MessageRequest& box, std::function<void(MessageAnswer)> answered) override;
  void WithdrawMessage() override;
  void ShowFindings(const FindingsTable& table) override;
  void ShowBoringLog(std::shared_ptr<const boringlog::Borehole> hole) override;
  void SetBoringLogBusy(const Text& text) override;
  void ChooseFolder(const Text& title, const Text& start,
                    std::function<void(const Text& chosen)> chosen) override;
  void AskReport(const ReportQuestion& question,
                 std::function<void(std::optional<ReportAnswer>)> answered) override;
  bool OpenDocument(const Text& path) override;
  void EndProgram(int status) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void BuildFolderFrames();
  void BuildFolderTexts();
  void BuildMessageFrame();
  void BuildDetails();
  void BuildButtons();
  void BuildDetailsCopy();
  /// Rows of the details list that are selected, in order.
  std::vector<int> ChosenDetails() const;
  void LayOutPanels();
  void ConnectEvents();
  void SetMinimumSizes();
  QComboBox* DriveOf(Side side) const;
  FolderTree* TreeOf(Side side) const;

  WindowSeams seams_;
  RealFileSystem fs_;
  std::unique_ptr<WindowModel> model_;
  std::vector<Text> driveRoots_;
  bool followDetails_ = true;  ///< the details list shows its last line

  QFrame* Picture1 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QComboBox* Drive1 = nullptr;
  FolderTree* Dir1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QComboBox* Drive2 = nullptr;
  FolderTree* Dir2 = nullptr;
  QListWidget* List1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Text2 = nullptr;
  QGroupBox* Frame3 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;  ///< how many files are selected
  QLabel* Label5 = nullptr;  ///< the pattern-data folder in use
  QLabel* Label6 = nullptr;  ///< files left out of List1; a link that shows them
  QListWidget* Details = nullptr;
  QCheckBox* Check1 = nullptr;  ///< 失敗のみ表示
  FindingsWindow* findings_ = nullptr;
  LogPreview* preview_ = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;  ///< 中止: stops a run or the pattern-data search
  QPushButton* Command4 = nullptr;  ///< 柱状図: the selected file's boring log
  QPushButton* Command5 = nullptr;  ///< 一覧表: the report of the selected files
};

}  // namespace tecris2nx
