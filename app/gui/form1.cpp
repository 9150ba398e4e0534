#include "app/gui/form1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <exception>

#include "app/gui/drives.h"
#include "app/gui/folder_tree.h"
#include "app/gui/message_box.h"
#include "tecris/tecris_files.h"
#include "common/pattern_folder.h"
#include "run/conversion_run.h"
#include "run/ordered_batch.h"

namespace tecris2nx {
namespace {

QString ToQString(const Text& text) { return QString::fromStdU32String(text); }

/// A folder path in the host's own form, as the run and the user see it.
Text NativeText(const QString& path) { return QDir::toNativeSeparators(path).toStdU32String(); }

/// The part of a path after its last separator.
Text FileNameOf(const Text& path) {
  const std::size_t cut = path.find_last_of(HostSeparator());
  return cut == Text::npos ? path : path.substr(cut + 1);
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

WindowSeams HostWindowSeams() {
  WindowSeams seams;
  seams.showMessage = ShowMessageBox;
  seams.locatePatternFolder = [] {
    RealFileSystem fs;
    const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    PatternLookupEnv env = HostPatternLookupEnv(program.constData());
    // The walk can take long: let the desktop repaint meanwhile.
    env.yieldToEvents = [] { QCoreApplication::processEvents(); };
    return LocatePatternFolder(fs, env);
  };
  seams.endProgram = [](int status) { QCoreApplication::exit(status); };
  seams.listDrives = HostDriveRoots;
  return seams;
}

Form1::Form1(WindowSeams seams, QWidget* parent) : QWidget(parent), seams_(std::move(seams)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(ToQString(kProgramTitle));
  BuildControls();
  resize(760, 580);
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  Picture1 = Named(new QFrame(this), "Picture1");
  // Plain moves (no button held) reach the background only when it asks for them.
  Picture1->setMouseTracking(true);
  Picture1->installEventFilter(this);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(Picture1);

  Frame1 = Named(new QGroupBox(QStringLiteral("変換先ﾌｫﾙﾀﾞ名選択"), Picture1), "Frame1");
  Drive1 = Named(new QComboBox(Frame1), "Drive1");
  Dir1 = Named(new FolderTree(Frame1), "Dir1");
  auto* frame1Layout = new QVBoxLayout(Frame1);
  frame1Layout->addWidget(Drive1);
  frame1Layout->addWidget(Dir1, 1);

  Frame2 = Named(new QGroupBox(QStringLiteral("変換元ﾌｧｲﾙ名選択"), Picture1), "Frame2");
  Drive2 = Named(new QComboBox(Frame2), "Drive2");
  Dir2 = Named(new FolderTree(Frame2), "Dir2");
  List1 = Named(new QListWidget(Frame2), "List1");
  List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto* frame2Layout = new QGridLayout(Frame2);
  frame2Layout->addWidget(Drive2, 0, 0);
  frame2Layout->addWidget(Dir2, 1, 0);
  frame2Layout->addWidget(List1, 0, 1, 2, 1);
  frame2Layout->setRowStretch(1, 1);

  Label1 = Named(new QLabel(QStringLiteral("変換先ﾌｫﾙﾀﾞ名 ："), Picture1), "Label1");
  Text1 = Named(new QLineEdit(Picture1), "Text1");
  Label2 = Named(new QLabel(QStringLiteral("変換元ﾌｧｲﾙ名 ："), Picture1), "Label2");
  Text2 = Named(new QLineEdit(Picture1), "Text2");

  Frame3 = Named(new QGroupBox(QStringLiteral("メッセージ"), Picture1), "Frame3");
  Label3 = Named(new QLabel(Frame3), "Label3");
  Label3->setMinimumHeight(Label3->fontMetrics().height() + 6);
  auto* frame3Layout = new QVBoxLayout(Frame3);
  frame3Layout->addWidget(Label3);

  Details = Named(new QListWidget(Picture1), "Details");
  Details->setSelectionMode(QAbstractItemView::NoSelection);
  Details->setFocusPolicy(Qt::NoFocus);
  Details->setToolTip(QStringLiteral("変換したファイルと書き出したファイル"));

  Command1 = Named(new QPushButton(QStringLiteral("実  行"), Picture1), "Command1");
  Command2 = Named(new QPushButton(QStringLiteral("終  了"), Picture1), "Command2");

  auto* grid = new QGridLayout(Picture1);
  grid->addWidget(Frame1, 0, 0, 1, 2);
  grid->addWidget(Frame2, 0, 2, 1, 2);
  grid->addWidget(Label1, 1, 0);
  grid->addWidget(Text1, 1, 1, 1, 3);
  grid->addWidget(Label2, 2, 0);
  grid->addWidget(Text2, 2, 1, 1, 3);
  grid->addWidget(Frame3, 3, 0, 1, 4);
  grid->addWidget(Details, 4, 0, 1, 4);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  grid->addLayout(buttons, 5, 0, 1, 4);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(3, 3);
  grid->setRowStretch(0, 3);
  grid->setRowStretch(4, 1);

  connect(Drive1, &QComboBox::currentIndexChanged, this,
          [this] { OnDriveChange(Drive1, Dir1, drive1Index_); });
  connect(Drive2, &QComboBox::currentIndexChanged, this,
          [this] { OnDriveChange(Drive2, Dir2, drive2Index_); });
  connect(Dir1, &FolderTree::PathChanged, this, &Form1::OnDir1Change);
  connect(Dir2, &FolderTree::PathChanged, this, &Form1::OnDir2Change);
  connect(Command1, &QPushButton::clicked, this, &Form1::OnCommand1Click);
  connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

bool Form1::Load() {
  Centre();

  try {
    patternFolder_ = seams_.locatePatternFolder ? seams_.locatePatternFolder() : Text();
  } catch (const std::exception&) {
    patternFolder_.clear();  // a lookup that fails has found nothing
  }
  if (patternFolder_.empty()) {
    ShowMessage(kNoPatternFolderMessage, kStyleOkOnly, Text());
    if (seams_.endProgram) seams_.endProgram(1);
    return false;
  }

  messageClearPending_ = 0;

  drives_ = seams_.listDrives ? seams_.listDrives() : QStringList{QStringLiteral("/")};
  if (drives_.isEmpty()) drives_.append(QDir::rootPath());
  for (QString& root : drives_) root = CleanFolderPath(root);  // the trees' own form
  const QString start = CleanFolderPath(QDir::currentPath());
  const int startIndex = std::max(0, DriveIndexOf(drives_, start));
  if (IsAtOrBelow(drives_[startIndex], start)) lastFolderOnDrive_[drives_[startIndex]] = start;
  for (QComboBox* drive : {Drive1, Drive2}) {
    const QSignalBlocker blocker(drive);
    drive->clear();
    for (const QString& root : drives_) drive->addItem(QDir::toNativeSeparators(root), root);
    drive->setCurrentIndex(startIndex);
  }
  drive1Index_ = drive2Index_ = startIndex;

  OnDriveChange(Drive1, Dir1, drive1Index_);
  OnDriveChange(Drive2, Dir2, drive2Index_);
  OnDir1Change();
  OnDir2Change();
  return true;
}

void Form1::Centre() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

QString Form1::FolderOnDrive(const QString& root) const {
  return lastFolderOnDrive_.value(root, root);
}

void Form1::OnDriveChange(QComboBox* drive, FolderTree* dir, int& lastGoodIndex) {
  const int index = drive->currentIndex();
  if (index < 0 || index >= drives_.size()) return;
  const QString root = drives_[index];
  const QString folder = FolderOnDrive(root);
  // A folder remembered on the drive may be gone since; the root is the next best place.
  const bool opened =
      dir->SetLocation(root, folder) || (folder != root && dir->SetLocation(root, root));
  if (!opened) {
    // The drive cannot be used: the list goes back to the drive still shown in the tree.
    const QSignalBlocker blocker(drive);
    drive->setCurrentIndex(lastGoodIndex);
    return;
  }
  lastGoodIndex = index;
  QDir::setCurrent(dir->Path());
}

void Form1::OnDir1Change() {
  const QString path = Dir1->Path();
  if (path.isEmpty()) return;
  Text1->setText(ToQString(NativeText(path)));
  QDir::setCurrent(path);
  lastFolderOnDrive_[Dir1->Root()] = path;
}

void Form1::OnDir2Change() {
  const QString path = Dir2->Path();
  if (path.isEmpty()) return;
  QDir::setCurrent(path);
  lastFolderOnDrive_[Dir2->Root()] = path;
  List1->clear();
  Text folder = NativeText(path);
  Text shown = folder;
  if (shown.back() != HostSeparator()) shown += HostSeparator();
  Text2->setText(ToQString(shown));
  std::vector<Text> names;
  try {
    names = ListTecrisFiles(fs_, folder);
  } catch (const std::exception&) {
    // A folder that cannot be listed simply offers no files.
  }
  for (const Text& name : names) List1->addItem(ToQString(name));
}

void Form1::OnCommand1Click() {
  if (running_) return;
  running_ = true;
  Details->clear();
  try {
    const RunEnvironment env{fs_, patternFolder_, HostPathStyle(), DefaultWorkers()};
    ConversionRun(*this, env);
  } catch (const std::exception& e) {
    ShowMessage(U"予期しないエラーが発生しました（" + FromUtf8(e.what()) + U"）。",
                kStyleOkExclamation, Text());
    SetMessageLine(Text());
  }
  if (busy_) SetBusy(false);
  // Show job folders the run may have made; Text1 keeps what the user typed.
  Dir1->SetPath(Dir1->Path());
  Dir2->SetPath(Dir2->Path());
  running_ = false;
}

void Form1::OnPicture1MouseMove() {
  if (messageClearPending_ != 1) return;
  Label3->setText(QString());
  messageClearPending_ = 0;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Picture1 && event->type() == QEvent::MouseMove) OnPicture1MouseMove();
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted() && seams_.endProgram) seams_.endProgram(0);
}

Text Form1::DestinationText() const { return Text1->text().toStdU32String(); }

Text Form1::SourceText() const { return Text2->text().toStdU32String(); }

std::vector<Text> Form1::SelectedNames() const {
  std::vector<Text> names;
  for (int row = 0; row < List1->count(); ++row) {
    const QListWidgetItem* item = List1->item(row);
    if (item->isSelected()) names.push_back(item->text().toStdU32String());
  }
  return names;
}

void Form1::SetMessageLine(const Text& text) {
  Label3->setText(ToQString(text));
  // The run keeps the event loop waiting; paint now so the busy text is seen.
  if (Label3->isVisible()) Label3->repaint();
}

void Form1::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void Form1::FocusDestination() {
  Text1->setFocus(Qt::OtherFocusReason);
  Text1->selectAll();
}

int Form1::ShowMessage(const Text& text, int style, const Text& title) {
  const Text shownTitle = title.empty() ? kProgramTitle : title;
  if (seams_.showMessage) return seams_.showMessage(this, text, style, shownTitle);
  return ShowMessageBox(this, text, style, shownTitle);
}

void Form1::SetMessageClearPending() { messageClearPending_ = 1; }

void Form1::FileConverted(const FileReport& report) {
  Text line = FileNameOf(report.inputPath) + U" -> " + report.jobFolder + U":";
  if (report.written.empty()) line += U" （書き出したファイルなし）";
  for (const Text& name : report.written) line += U" " + name;
  AddDetail(ToQString(line));
  if (report.stoppedEarly) {
    AddDetail(ToQString(U"  マーカー \"" + report.stoppedAtMarker +
                        U"\" は順序外または不明のため、そこから先は変換していません。"));
  }
}

void Form1::FileFailed(const Text& inputPath, const Text& message) {
  QString text = ToQString(FileNameOf(inputPath) + U": " + message);
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  AddDetail(text);
}

void Form1::AddDetail(const QString& line) {
  Details->addItem(line);
  Details->scrollToBottom();
}

}  // namespace tecris2nx
