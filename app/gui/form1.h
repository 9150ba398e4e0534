#pragma once

#include <QHash>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/file_system.h"
#include "common/text.h"
#include "run/front_end.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tecris2nx {

class FolderTree;

/// What the window takes from its surroundings; tests replace each one.
struct WindowSeams {
  /// A modal message box (title already filled in); returns kAnswerOk, kAnswerYes or kAnswerNo.
  std::function<int(QWidget* parent, const Text& text, int style, const Text& title)> showMessage;
  /// The pattern-data folder ending with the separator, or empty when there is none.
  std::function<Text()> locatePatternFolder;
  /// Ends the program with this exit status.
  std::function<void(int status)> endProgram;
  /// Roots of the drives for the drive lists, "/" separators.
  std::function<QStringList()> listDrives;
};

/// The real message box, the host's pattern-data lookup, the end of the event loop and the
/// host's drives. Needs the QApplication.
WindowSeams HostWindowSeams();

/// The program's one window: destination and source choice, Execute, Exit and the messages.
class Form1 : public QWidget, public RunFrontEnd {
  Q_OBJECT

 public:
  explicit Form1(WindowSeams seams, QWidget* parent = nullptr);
  ~Form1() override;

  /// Start-up: centres the window, finds the pattern data and fills the lists. False when the
  /// program has to end (no pattern data; the user has been told and endProgram called).
  bool Load();

  const Text& PatternFolder() const { return patternFolder_; }
  std::int16_t MessageClearPending() const { return messageClearPending_; }

  // The conversion run's view of the window.
  Text DestinationText() const override;
  Text SourceText() const override;
  std::vector<Text> SelectedNames() const override;
  void SetMessageLine(const Text& text) override;
  void SetBusy(bool busy) override;
  void FocusDestination() override;
  int ShowMessage(const Text& text, int style, const Text& title) override;
  void SetMessageClearPending() override;
  void FileConverted(const FileReport& report) override;
  void FileFailed(const Text& inputPath, const Text& message) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void Centre();
  void OnDriveChange(QComboBox* drive, FolderTree* dir, int& lastGoodIndex);
  void OnDir1Change();
  void OnDir2Change();
  void OnCommand1Click();
  void OnPicture1MouseMove();
  /// The folder a drive opens at: the current folder when it is on that drive, else the last
  /// folder visited there, else its root.
  QString FolderOnDrive(const QString& root) const;
  void AddDetail(const QString& line);

  WindowSeams seams_;
  RealFileSystem fs_;
  Text patternFolder_;
  std::int16_t messageClearPending_ = 0;
  bool busy_ = false;
  bool running_ = false;
  QStringList drives_;
  QHash<QString, QString> lastFolderOnDrive_;
  int drive1Index_ = 0;
  int drive2Index_ = 0;

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
  QListWidget* Details = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
};

}  // namespace tecris2nx
