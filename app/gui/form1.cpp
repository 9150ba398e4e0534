#include "app/gui/form1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <set>

#include "app/gui/drives.h"
#include "app/gui/findings_window.h"
#include "app/gui/folder_tree.h"
#include "app/gui/log_preview.h"
#include "app/gui/message_box.h"
#include "app/gui/report_dialog.h"
#include "app/window/pattern_lookup.h"
#include "common/pattern_folder.h"
#include "run/ordered_batch.h"

namespace tecris2nx {
namespace {

QString ToQString(const Text& text) { return QString::fromStdU32String(text); }

/// A path in the host's own form, as the model and the user see it.
Text NativeText(const QString& path) { return QDir::toNativeSeparators(path).toStdU32String(); }

/// A host-form path as the trees hold it ("/" separators).
QString TreePath(const Text& path) { return QDir::fromNativeSeparators(ToQString(path)); }

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

/// The size the window starts with on a screen large enough for it.
constexpr int kStartWidth = 760;
constexpr int kStartHeight = 620;
/// Room left around the window for its frame and title bar.
constexpr int kFrameRoom = 40;

}  // namespace

WindowSeams HostWindowSeams() {
  WindowSeams seams;
  seams.showMessage = ShowMessageBox;
  const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
  // The lookups outlive this call: they keep their file system with them.
  const auto fs = std::make_shared<RealFileSystem>();
  const PatternLookupEnv lookup = HostPatternLookupEnv(program.constData());
  seams.patternPlaces = PatternPlaces(lookup, U'/');
  seams.locatePatternFolder = [fs, quick = QuickPatternLookup(*fs, lookup)] { return quick(); };
  seams.searchPatternFolder = [fs, walk = PatternWalkLookup(*fs, lookup)](
                                  const std::atomic<bool>& cancel,
                                  const std::function<void(const Text&)>& visiting) {
    return walk(cancel, visiting);
  };
  seams.chooseFolder = [](QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start);
  };
  seams.endProgram = [](int status) { QCoreApplication::exit(status); };
  seams.openDocument = [](const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };
  seams.listDrives = HostDriveRoots;
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  if (!config.isEmpty()) seams.settingsFile = config + QStringLiteral("/window.conf");
  return seams;
}

Form1::Form1(WindowSeams seams, QWidget* parent) : QWidget(parent), seams_(std::move(seams)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(ToQString(kProgramTitle));
  setAcceptDrops(true);
  BuildControls();
  resize(kStartWidth, kStartHeight);

  WindowEnvironment env;
  env.fs = &fs_;
  env.workers = seams_.workers > 0 ? seams_.workers : DefaultWorkers();
  // Queued to this window: a task posted after the window is gone is dropped with it.
  env.post = [this](std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
  };
  env.findPatternFolder = seams_.locatePatternFolder;
  env.searchPatternFolder = seams_.searchPatternFolder;
  env.listDrives = [this] {
    const QStringList roots =
        seams_.listDrives ? seams_.listDrives() : QStringList{QDir::rootPath()};
    std::vector<Text> texts;
    for (const QString& root : roots) texts.push_back(NativeText(CleanFolderPath(root)));
    return texts;
  };
  env.folderUsable = [](const Text& folder) { return IsUsableFolder(TreePath(folder)); };
  env.currentFolder = [] { return NativeText(CleanFolderPath(QDir::currentPath())); };
  env.documentsFolder = [this] {
    const QString documents =
        seams_.documentsFolder.isEmpty() ? QDir::homePath() : seams_.documentsFolder;
    return NativeText(CleanFolderPath(documents));
  };
  env.postLater = [this](int milliseconds, std::function<void()> task) {
    QTimer::singleShot(milliseconds, this, std::move(task));
  };
  env.doubleClickMilliseconds = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  env.makeCurrent = [](const Text& folder) { return QDir::setCurrent(TreePath(folder)); };
  env.settingsFile = NativeText(seams_.settingsFile);
  env.patternPlaces = seams_.patternPlaces;
  // Installed (<prefix>/bin beside <prefix>/share/doc), beside the program, a build's own copy.
  const QString program = QCoreApplication::applicationDirPath();
  const QStringList guides =
      !seams_.guideFiles.isEmpty()
          ? seams_.guideFiles
          : QStringList{program + QStringLiteral("/../share/doc/tecris2nx/tecris2nx-guide-ja.html"),
                        program + QStringLiteral("/tecris2nx-guide-ja.html"),
                        program + QStringLiteral("/../../tecris2nx-guide-ja.html")};
  for (const QString& guide : guides) env.guideFiles.push_back(NativeText(QDir::cleanPath(guide)));
  model_ = std::make_unique<WindowModel>(*this, std::move(env));
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
  // Made in this order: the order the keyboard moves through them.
  BuildFolderFrames();
  BuildFolderTexts();
  BuildMessageFrame();
  BuildDetails();
  BuildButtons();
  // Focus must be seen on every control the keyboard reaches.
  setStyleSheet(QStringLiteral(
      "QTreeWidget:focus, QListWidget:focus { border: 2px solid palette(highlight); }"));

  LayOutPanels();
  SetMinimumSizes();
  ConnectEvents();
}

/// The two drive and folder choosers; the source's with its file list and selection count.
void Form1::BuildFolderFrames() {
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
  Label4 = Named(new QLabel(Frame2), "Label4");
  Label6 = Named(new QLabel(Frame2), "Label6");
  Label6->setTextFormat(Qt::RichText);
  Label6->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  Label6->setToolTip(QStringLiteral("クリックすると、どのファイルがなぜ一覧にないかを表示します"));
  // Whole at any width: the count and what it means are one sentence.
  Label6->setWordWrap(true);
  Label6->hide();
  frame2Layout->addWidget(List1, 0, 1, 2, 1);
  frame2Layout->addWidget(Label4, 2, 1);
  frame2Layout->addWidget(Label6, 3, 0, 1, 2);
  frame2Layout->setRowStretch(1, 1);
  frame2Layout->setColumnStretch(0, 3);
  frame2Layout->setColumnStretch(1, 2);
}

/// The folder texts: the destination as typed, the source as chosen.
void Form1::BuildFolderTexts() {
  Label1 = Named(new QLabel(QStringLiteral("変換先ﾌｫﾙﾀﾞ名 ："), Picture1), "Label1");
  Text1 = Named(new QLineEdit(Picture1), "Text1");
  Label2 = Named(new QLabel(QStringLiteral("変換元ﾌｧｲﾙ名 ："), Picture1), "Label2");
  Text2 = Named(new QLineEdit(Picture1), "Text2");
  // Text2 shows the folder chosen in Dir2; the files listed are that folder's.
  Text2->setReadOnly(true);
}

/// The message line and the pattern-data line.
void Form1::BuildMessageFrame() {
  Frame3 = Named(new QGroupBox(QStringLiteral("メッセージ"), Picture1), "Frame3");
  Label3 = Named(new QLabel(Frame3), "Label3");
  Label3->setMinimumHeight(Label3->fontMetrics().height() + 6);
  // A longer message (the progress) must not widen the window or lay it out again.
  Label3->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Label5 = Named(new QLabel(Frame3), "Label5");
  Label5->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  Label5->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* frame3Layout = new QVBoxLayout(Frame3);
  frame3Layout->addWidget(Label3);
  frame3Layout->addWidget(Label5);
}

/// The details list of a run.
void Form1::BuildDetails() {
  Details = Named(new QListWidget(Picture1), "Details");
  // Lines can be chosen for copying; a double click or Enter shows a line's file's findings.
  Details->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Details->setUniformItemSizes(true);
  Details->setFont(font());
  Details->viewport()->installEventFilter(this);
  connect(Details, &QListWidget::activated, this,
          [this](const QModelIndex& index) { model_->OnDetailActivated(index.row()); });
  QScrollBar* detailsBar = Details->verticalScrollBar();
  connect(detailsBar, &QScrollBar::rangeChanged, this, [this, detailsBar](int, int maximum) {
    // Follow new lines unless the user has scrolled up to read earlier ones.
    if (followDetails_) detailsBar->setValue(maximum);
  });
  connect(detailsBar, &QScrollBar::valueChanged, this,
          [this, detailsBar](int value) { followDetails_ = value == detailsBar->maximum(); });
  BuildDetailsCopy();
}

/// Ctrl+A, Ctrl+C and a context menu on the details list; the model says what is copied.
void Form1::BuildDetailsCopy() {
  auto* copy = new QAction(QStringLiteral("コピー"), Details);
  copy->setObjectName(QStringLiteral("DetailsCopy"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  connect(copy, &QAction::triggered, this, [this] {
    const std::vector<int> rows = ChosenDetails();
    if (rows.empty()) return;
    QApplication::clipboard()->setText(ToQString(model_->DetailsCopyText(rows)));
  });
  auto* copyAll = new QAction(QStringLiteral("すべてコピー"), Details);
  copyAll->setObjectName(QStringLiteral("DetailsCopyAll"));
  connect(copyAll, &QAction::triggered, this,
          [this] { QApplication::clipboard()->setText(ToQString(model_->DetailsCopyText({}))); });
  Details->addAction(copy);
  Details->addAction(copyAll);
  Details->setContextMenuPolicy(Qt::ActionsContextMenu);
}

std::vector<int> Form1::ChosenDetails() const {
  std::vector<int> rows;
  for (const QModelIndex& index : Details->selectionModel()->selectedIndexes()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void Form1::BuildButtons() {
  Command1 = Named(new QPushButton(QStringLiteral("実  行"), Picture1), "Command1");
  Command2 = Named(new QPushButton(QStringLiteral("終  了"), Picture1), "Command2");
  Command3 = Named(new QPushButton(QStringLiteral("中  止"), Picture1), "Command3");
  Command4 = Named(new QPushButton(QStringLiteral("柱状図"), Picture1), "Command4");
  Command4->setToolTip(
      QStringLiteral("選択したファイルの柱状図を表示します（ファイルのダブルクリックでも）"));
  Command5 = Named(new QPushButton(QStringLiteral("一覧表"), Picture1), "Command5");
  Command5->setToolTip(QStringLiteral(
      "選択したファイルの一覧表（一覧、位置図、柱状図の並び）を作成し、ブラウザで開きます"));
  Command1->setToolTip(QStringLiteral("選択したファイルを変換します（Enter, Alt+E）"));
  Command2->setToolTip(QStringLiteral("プログラムを終了します（Alt+X）"));
  Command3->setToolTip(
      QStringLiteral("処理中のファイルが終わったところで中止します（一覧表は書き出しません）"));
  Command3->setCursor(Qt::ArrowCursor);  // clickable while the window shows the busy pointer
  // Stop keeps its place while hidden, away from Execute: a second click on Execute never
  // lands on it.
  QSizePolicy stopPolicy = Command3->sizePolicy();
  stopPolicy.setRetainSizeWhenHidden(true);
  Command3->setSizePolicy(stopPolicy);
  Command3->hide();
  Check1 = Named(new QCheckBox(QStringLiteral("失敗のみ表示"), Picture1), "Check1");
  Check1->setToolTip(QStringLiteral("変換できなかったファイルの行だけを一覧に表示します"));
  for (QPushButton* button : {Command1, Command2, Command3, Command4, Command5}) {
    button->setAutoDefault(true);
  }
}

void Form1::LayOutPanels() {
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
  buttons->addWidget(Check1);
  buttons->addStretch(1);
  buttons->addWidget(Command3);
  buttons->addSpacing(Command1->sizeHint().width() / 2);
  buttons->addWidget(Command5);
  buttons->addWidget(Command4);
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  grid->addLayout(buttons, 5, 0, 1, 4);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(3, 3);
  grid->setRowStretch(0, 3);
  grid->setRowStretch(4, 1);
}

/// Every control's event goes to the model.
void Form1::ConnectEvents() {
  connect(Drive1, &QComboBox::currentIndexChanged, this,
          [this](int index) { model_->OnDriveChosen(Side::kDestination, index); });
  connect(Drive2, &QComboBox::currentIndexChanged, this,
          [this](int index) { model_->OnDriveChosen(Side::kSource, index); });
  for (Side side : {Side::kDestination, Side::kSource}) {
    FolderTree* tree = TreeOf(side);
    connect(tree, &FolderTree::PathChanged, this,
            [this, side, tree] { model_->OnFolderChosen(side, NativeText(tree->Path())); });
    connect(tree, &FolderTree::Reselected, this,
            [this, side, tree] { model_->OnFolderChosen(side, NativeText(tree->Path())); });
  }
  connect(Command1, &QPushButton::clicked, this, [this] { model_->OnExecute(); });
  connect(Command2, &QPushButton::clicked, this, &QWidget::close);
  connect(Command4, &QPushButton::clicked, this, [this] { model_->OnShowBoringLog(); });
  connect(Command5, &QPushButton::clicked, this, [this] { model_->OnReport(); });
  connect(Label6, &QLabel::linkActivated, this, [this] { model_->OnLeftOutActivated(); });
  connect(List1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    model_->OnShowBoringLog(item->text().toStdU32String());
  });
  connect(Command3, &QPushButton::clicked, this, [this] {
    // Once is enough: the run ends after the current file.
    if (model_->OnStop()) Command3->setEnabled(false);
  });
  connect(Check1, &QCheckBox::toggled, this,
          [this](bool only) { model_->OnShowFailuresOnly(only); });
  connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
    model_->OnSelectionChanged(
        static_cast<std::size_t>(List1->selectionModel()->selectedRows().size()));
  });
  for (QLineEdit* text : {Text1, Text2}) {
    connect(text, &QLineEdit::returnPressed, this, [this] { model_->OnExecute(); });
  }
  auto* execute = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_E), this);
  connect(execute, &QShortcut::activated, this, [this] {
    if (Command1->isEnabled()) Command1->click();
  });
  auto* exit = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_X), this);
  connect(exit, &QShortcut::activated, this, &QWidget::close);
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { model_->OnHelp(); });
  auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
  connect(refresh, &QShortcut::activated, this, [this] { model_->OnRefresh(); });
}

void Form1::SetMinimumSizes() {
  // The file list always shows whole names, with room for its scroll bar.
  const QFontMetrics metrics = List1->fontMetrics();
  List1->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("12345678.001")) +
                         List1->verticalScrollBar()->sizeHint().width() + 2 * List1->frameWidth() +
                         12);
  // A drive list is as wide as its column allows, never as wide as its longest mount path.
  for (QComboBox* drive : {Drive1, Drive2}) {
    drive->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    drive->setMinimumContentsLength(6);
    drive->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  }
  for (FolderTree* tree : {Dir1, Dir2}) tree->setMinimumSize(80, 60);
  Details->setMinimumHeight(metrics.height() * 3);
}

QComboBox* Form1::DriveOf(Side side) const { return side == Side::kDestination ? Drive1 : Drive2; }

FolderTree* Form1::TreeOf(Side side) const { return side == Side::kDestination ? Dir1 : Dir2; }

bool Form1::Load() { return model_->Start(); }

WindowGeometry Form1::AvailableArea() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {0, 0, kStartWidth, kStartHeight};
  const QRect area = screen->availableGeometry();
  // The frame and title bar lie outside the window's own size; the room keeps the centre.
  return {area.x() + kFrameRoom / 4, area.y() + kFrameRoom / 2,
          std::max(1, area.width() - kFrameRoom / 2), std::max(1, area.height() - kFrameRoom)};
}

WindowGeometry Form1::MinimumSize() const {
  const QSize minimum = minimumSizeHint();
  return {0, 0, minimum.width(), minimum.height()};
}

WindowGeometry Form1::StartSize() const { return {0, 0, kStartWidth, kStartHeight}; }

void Form1::PlaceWindow(const WindowGeometry& geometry) {
  // The layout's own minimum may not fit a small or highly scaled screen: the screen wins.
  setMinimumSize(minimumSizeHint().boundedTo(QSize(geometry.width, geometry.height)));
  resize(geometry.width, geometry.height);
  move(geometry.x, geometry.y);
}

WindowGeometry Form1::CurrentGeometry() const { return {pos().x(), pos().y(), width(), height()}; }

void Form1::SetDrives(Side side, const std::vector<Text>& roots, int current) {
  QComboBox* drive = DriveOf(side);
  const QSignalBlocker blocker(drive);
  drive->clear();
  for (const Text& root : roots) drive->addItem(ToQString(root));
  drive->setCurrentIndex(current);
}

void Form1::SelectDrive(Side side, int index) {
  QComboBox* drive = DriveOf(side);
  const QSignalBlocker blocker(drive);
  drive->setCurrentIndex(index);
}

void Form1::ShowFolder(Side side, const Text& root, const Text& folder) {
  FolderTree* tree = TreeOf(side);
  const QSignalBlocker blocker(tree);
  tree->SetLocation(TreePath(root), TreePath(folder));
}

void Form1::SetFolderText(Side side, const Text& text) {
  (side == Side::kDestination ? Text1 : Text2)->setText(ToQString(text));
}

Text Form1::DestinationText() const { return Text1->text().toStdU32String(); }

void Form1::SetFiles(const std::vector<Text>& names, const std::vector<Text>& selected) {
  List1->clear();
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(names.size()));
  for (const Text& name : names) texts.append(ToQString(name));
  List1->addItems(texts);
  // One selection for every chosen row: selecting item by item lays the whole list out again for
  // each, which after a run over thousands of files took longer than the run.
  const std::set<Text> chosen(selected.begin(), selected.end());
  QItemSelection selection;
  const QAbstractItemModel* model = List1->model();
  const int count = static_cast<int>(names.size());
  for (int row = 0; row < count; ++row) {
    if (chosen.count(names[static_cast<std::size_t>(row)]) == 0) continue;
    int last = row;  // rows chosen together become one range
    while (last + 1 < count && chosen.count(names[static_cast<std::size_t>(last + 1)]) != 0) ++last;
    selection.append(QItemSelectionRange(model->index(row, 0), model->index(last, 0)));
    row = last;
  }
  List1->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

std::vector<Text> Form1::SelectedFiles() const {
  std::vector<Text> names;
  for (int row = 0; row < List1->count(); ++row) {
    const QListWidgetItem* item = List1->item(row);
    if (item->isSelected()) names.push_back(item->text().toStdU32String());
  }
  return names;
}

void Form1::SetSelectionCount(const Text& text) { Label4->setText(ToQString(text)); }

void Form1::SetLeftOutLine(const Text& text) {
  // A link: the mouse and the keyboard (Tab, Enter) both reach it.
  Label6->setText(
      text.empty()
          ? QString()
          : QStringLiteral("<a href=\"left-out\">%1</a>").arg(ToQString(text).toHtmlEscaped()));
  Label6->setVisible(!text.empty());
}

void Form1::SetPatternFolderLine(const Text& text) {
  Label5->setText(ToQString(text));
  Label5->setToolTip(Label5->text());
}

void Form1::SetMessageLine(const Text& text) { Label3->setText(ToQString(text)); }

void Form1::ClearDetails() { Details->clear(); }

void Form1::AppendDetails(const std::vector<DetailLine>& lines) {
  // Item by item would lay the list out for each; the failed lines are coloured afterwards.
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(lines.size()));
  for (const DetailLine& line : lines) texts.append(ToQString(line.text));
  const int first = Details->count();
  Details->addItems(texts);
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    const DetailLine& line = lines[static_cast<std::size_t>(i)];
    if (line.warning) {
      Details->item(first + i)->setForeground(QColor(0x8a, 0x4b, 0x00));
    } else if (line.failed) {
      Details->item(first + i)->setForeground(QColor(0xb0, 0x00, 0x00));
    }
  }
  // No scrollToBottom here: it lays the whole list out at once, which over a long run costs more
  // than the conversion. The list follows its end when its own layout has grown the scroll bar.
}

void Form1::SetBusy(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void Form1::SetRunning(bool running) {
  // The keyboard goes to Stop during a run and back to Execute after it, never nowhere.
  const bool stopHadFocus = Command3->hasFocus();
  Command1->setEnabled(!running);
  Command5->setEnabled(!running);
  Command3->setEnabled(running);
  Command3->setVisible(running);
  if (running) Command3->setFocus(Qt::OtherFocusReason);
  if (!running && stopHadFocus) Command1->setFocus(Qt::OtherFocusReason);
}

void Form1::SetSearching(bool searching) {
  Command1->setEnabled(!searching);
  Command5->setEnabled(!searching);
  Command3->setEnabled(searching);
  Command3->setVisible(searching);
}

void Form1::FocusDestination() {
  Text1->setFocus(Qt::OtherFocusReason);
  Text1->selectAll();
}

void Form1::ShowMessage(const MessageRequest& box, std::function<void(MessageAnswer)> answered) {
  const MessageAnswer answer =
      seams_.showMessage ? seams_.showMessage(this, box) : ShowMessageBox(this, box);
  answered(answer);
}

void Form1::WithdrawMessage() {
  // Only a box of this window's: closed as Esc closes it, which answers No.
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (box && box->parentWidget() == this) box->reject();
}

void Form1::ShowFindings(const FindingsTable& table) {
  if (!findings_) findings_ = new FindingsWindow(this);
  findings_->Show(table);
}

void Form1::ShowBoringLog(std::shared_ptr<const boringlog::Borehole> hole) {
  if (!preview_) preview_ = new LogPreview(this);
  preview_->Show(std::move(hole));
}

void Form1::SetBoringLogBusy(const Text& text) {
  if (!preview_ && text.empty()) return;
  if (!preview_) preview_ = new LogPreview(this);
  preview_->SetBusy(ToQString(text));
}

void Form1::ChooseFolder(const Text& title, const Text& start,
                         std::function<void(const Text& chosen)> chosen) {
  const QString folder = seams_.chooseFolder
                             ? seams_.chooseFolder(this, ToQString(title), TreePath(start))
                             : QString();
  chosen(folder.isEmpty() ? Text() : NativeText(CleanFolderPath(folder)));
}

void Form1::AskReport(const ReportQuestion& question,
                      std::function<void(std::optional<ReportAnswer>)> answered) {
  answered(seams_.askReport ? seams_.askReport(this, question)
                            : AskReportWithDialog(this, question, seams_.chooseFolder));
}

bool Form1::OpenDocument(const Text& path) {
  return seams_.openDocument && seams_.openDocument(TreePath(path));
}

void Form1::EndProgram(int status) {
  if (seams_.endProgram) seams_.endProgram(status);
  hide();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Picture1 && event->type() == QEvent::MouseMove) model_->OnBackgroundMouseMove();
  if (Details && watched == Details->viewport() && event->type() == QEvent::ToolTip) {
    // A line longer than the list shows whole under the pointer.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QListWidgetItem* item = Details->itemAt(help->pos());
    if (item) {
      QToolTip::showText(help->globalPos(), item->text(), Details->viewport());
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  if (model_->OnCloseRequested()) {
    event->accept();
  } else {
    event->ignore();  // the model asks first, or ends the program once the run has stopped
  }
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  if (!event->mimeData()->hasUrls()) return;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) return;
  }
  event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
  std::vector<Text> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(NativeText(CleanFolderPath(url.toLocalFile())));
  }
  event->acceptProposedAction();
  model_->OnDrop(paths);
}

}  // namespace tecris2nx
