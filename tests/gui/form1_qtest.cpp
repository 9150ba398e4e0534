#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/gui/findings_window.h"
#include "app/gui/folder_tree.h"
#include "app/gui/log_preview.h"
#include "app/gui/report_dialog.h"
#include "app/window/report_run.h"
#include "common/file_system.h"
#include "common/pattern_folder.h"
#include "gui_test_support.h"
#include "support/test_paths.h"

namespace tecris2nx {

using testing::FakeDesktop;
using testing::Q;
using testing::WriteCp932;

namespace {

/// A TECRIS file with one section C record; its second field is the job name.
QString SectionCFile(const QString& jobName, const QString& tail = QString()) {
  return "C," + jobName + ",y,1\n1,2,3,1.5,12,28\n" + tail;
}

/// The texts of a list's entries, sorted (the listing order is the file system's).
QStringList SortedEntries(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  texts.sort();
  return texts;
}

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private:
  QString startFolder_;
  std::unique_ptr<QTemporaryDir> temp_;
  QString root_;  ///< clean path of the scratch folder
  FakeDesktop desktop_;
  std::unique_ptr<Form1> window_;

  template <typename T>
  T* Control(const char* name) {
    T* widget = window_->findChild<T*>(QString::fromLatin1(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
  }

  /// A started window whose process folder is `folder`.
  void Start(const QString& folder) {
    QVERIFY(QDir::setCurrent(folder));
    window_ = std::make_unique<Form1>(desktop_.Seams());
    QVERIFY(window_->Load());
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  /// Source folder with three TECRIS files and a destination folder; the window shows both.
  void StartWithThreeFiles() {
    for (const char* id : {"11111111001", "22222222002", "33333333003"}) {
      const QString job = QString::fromLatin1(id);
      WriteCp932(root_, "src/" + job.left(8) + "." + job.right(3), SectionCFile(job));
    }
    QDir(root_).mkpath("out");
    Start(root_);
    Control<FolderTree>("Dir1")->SetPath(root_ + "/out");
    Control<FolderTree>("Dir2")->SetPath(root_ + "/src");
    QCOMPARE(Control<QListWidget>("List1")->count(), 3);
  }

  void Select(const QStringList& names) {
    auto* list = Control<QListWidget>("List1");
    for (int i = 0; i < list->count(); ++i) {
      list->item(i)->setSelected(names.contains(list->item(i)->text()));
    }
  }

  QStringList DetailLines() { return SortedEntries(Control<QListWidget>("Details")); }

  /// Clicks Execute and lets the event loop run until the run is over.
  void Execute() {
    Control<QPushButton>("Command1")->click();
    QTRY_VERIFY(!window_->Running());
  }

  /// Converts one file of src/ into out/ with a started window.
  void ConvertOne(const QString& name, const QString& content) {
    WriteCp932(root_, "src/" + name, content);
    QDir(root_).mkpath("out");
    Start(root_);
    Control<FolderTree>("Dir1")->SetPath(root_ + "/out");
    Control<FolderTree>("Dir2")->SetPath(root_ + "/src");
    Select({name});
    Execute();
  }

 private slots:
  void init() {
    startFolder_ = QDir::currentPath();
    temp_ = std::make_unique<QTemporaryDir>();
    root_ = CleanFolderPath(temp_->path());
    desktop_ = FakeDesktop();
  }

  void cleanup() {
    window_.reset();
    QDir::setCurrent(startFolder_);
    temp_.reset();
    qunsetenv("TECRIS2NX_PATDAT");
  }

  void captions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Form1") << "Form1"
                           << "TECRIS -> Nx 変換プログラム";
    QTest::newRow("Frame1") << "Frame1"
                            << "変換先ﾌｫﾙﾀﾞ名選択";
    QTest::newRow("Frame2") << "Frame2"
                            << "変換元ﾌｧｲﾙ名選択";
    QTest::newRow("Frame3") << "Frame3"
                            << "メッセージ";
    QTest::newRow("Label1") << "Label1"
                            << "変換先ﾌｫﾙﾀﾞ名 ：";
    QTest::newRow("Label2") << "Label2"
                            << "変換元ﾌｧｲﾙ名 ：";
    QTest::newRow("Command1") << "Command1"
                              << "実  行";
    QTest::newRow("Command2") << "Command2"
                              << "終  了";
    QTest::newRow("Command4") << "Command4"
                              << "柱状図";
    QTest::newRow("Command5") << "Command5"
                              << "一覧表";
  }
  void captions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Form1 window(desktop_.Seams());
    QWidget* widget = name == "Form1" ? &window : window.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QString shown;
    if (name == "Form1") shown = widget->windowTitle();
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) shown = frame->title();
    if (auto* label = qobject_cast<QLabel*>(widget)) shown = label->text();
    if (auto* button = qobject_cast<QPushButton*>(widget)) shown = button->text();
    QCOMPARE(shown, caption);
  }

  void startUpWithPatternFolder() {
    QDir(root_).mkpath("patdat");
    WriteCp932(root_, "patdat/kishitu.txt", "1,砂\n");
    WriteCp932(root_, "start/12345678.001", SectionCFile("12345678001"));
    WriteCp932(root_, "start/12345678.002", SectionCFile("12345678.002"));
    qputenv("TECRIS2NX_PATDAT", (root_ + "/patdat").toLocal8Bit());
    desktop_.drives = {"/"};

    QVERIFY(QDir::setCurrent(root_ + "/start"));
    WindowSeams seams = desktop_.Seams();
    seams.locatePatternFolder = [] {
      RealFileSystem fs;
      PatternLookupEnv env =
          HostPatternLookupEnv(QCoreApplication::applicationFilePath().toLocal8Bit().constData());
      env.walkDrives = false;
      return LocatePatternFolder(fs, env);
    };
    Form1 window(std::move(seams));
    QVERIFY(window.Load());

    QCOMPARE(Q(window.PatternFolder()), root_ + "/patdat/");
    QVERIFY(desktop_.boxes.empty());
    QVERIFY(desktop_.endStatuses.empty());
    QCOMPARE(window.MessageClearPending(), false);
    // The lists start at the process's folder.
    QCOMPARE(window.findChild<QLineEdit*>("Text1")->text(), root_ + "/start");
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(), root_ + "/start/");
    QCOMPARE(SortedEntries(window.findChild<QListWidget*>("List1")), QStringList{"12345678.001"});
    QCOMPARE(window.findChild<QComboBox*>("Drive2")->currentText(), QStringLiteral("/"));
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(window.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(window.geometry().center().y() - screen.center().y()) <= 1);
  }

  void startUpWithoutPatternFolder() {
    desktop_.patternFolder.clear();
    Form1 window(desktop_.Seams());
    QVERIFY(!window.Load());
    QCOMPARE(desktop_.boxes.size(), std::size_t{1});
    QCOMPARE(Q(desktop_.boxes[0].text), QStringLiteral(" PATDAT の設定がありません."));
    QCOMPARE(desktop_.boxes[0].style, 0);
    QCOMPARE(Q(desktop_.boxes[0].title), QStringLiteral("TECRIS -> Nx 変換プログラム"));
    QCOMPARE(desktop_.endStatuses, std::vector<int>{1});
    // Nothing after the message ran: no drives, no folders.
    QCOMPARE(window.findChild<QComboBox*>("Drive1")->count(), 0);
    QVERIFY(window.findChild<QLineEdit*>("Text2")->text().isEmpty());
  }

  void dir2NavigationListsOnlyTecrisFiles() {
    const QString src = root_ + "/src";
    WriteCp932(root_, "src/12345678.001", SectionCFile("12345678001"));
    WriteCp932(root_, "src/12345678.002", SectionCFile("12345678.002"));  // field 2 is the name
    WriteCp932(root_, "src/12345678.003", SectionCFile("12345678009"));   // other digits
    WriteCp932(root_, "src/12345678.004", "C\n");                         // one field only
    WriteCp932(root_, "src/12345678.005", SectionCFile("12345678005"));
    WriteCp932(root_, "src/1234567.0012", SectionCFile("12345670012"));
    WriteCp932(root_, "src/12345678.01", SectionCFile("1234567801"));
    WriteCp932(root_, "src/1234567A.001", SectionCFile("1234567A001"));
    WriteCp932(root_, "src/sub/87654321.001", SectionCFile("87654321001"));
    Start(root_);

    auto* dir2 = Control<FolderTree>("Dir2");
    QVERIFY(dir2->SetPath(src));
    QCOMPARE(Control<QLineEdit>("Text2")->text(), src + "/");
    QCOMPARE(SortedEntries(Control<QListWidget>("List1")),
             (QStringList{"12345678.001", "12345678.005"}));
    QCOMPARE(QDir::currentPath(), src);

    // A click on a sub-folder in the tree moves there and lists its files instead.
    const auto sub = dir2->findItems("sub", Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(sub.size(), 1);
    QTest::mouseClick(dir2->viewport(), Qt::LeftButton, {}, dir2->visualItemRect(sub[0]).center());
    QTRY_COMPARE(Control<QLineEdit>("Text2")->text(), src + "/sub/");
    QCOMPARE(SortedEntries(Control<QListWidget>("List1")), QStringList{"87654321.001"});
  }

  void rootShowsOneSeparator() {
    Start(root_);
    QVERIFY(Control<FolderTree>("Dir2")->SetPath("/"));
    QCOMPARE(Control<QLineEdit>("Text2")->text(), QStringLiteral("/"));
    QVERIFY(Control<FolderTree>("Dir1")->SetPath("/"));
    QCOMPARE(Control<QLineEdit>("Text1")->text(), QStringLiteral("/"));
  }

  void drives() {
    QDir(root_).mkpath("drive/inner");
    desktop_.drives = {"/", root_ + "/drive", root_ + "/gone"};
    Start(root_);
    auto* drive2 = Control<QComboBox>("Drive2");
    auto* dir2 = Control<FolderTree>("Dir2");

    drive2->setCurrentIndex(1);
    QCOMPARE(dir2->Path(), root_ + "/drive");
    QCOMPARE(Control<QLineEdit>("Text2")->text(), root_ + "/drive/");
    QVERIFY(dir2->SetPath(root_ + "/drive/inner"));

    // A drive that cannot be used: the selection goes back, and nothing is said.
    drive2->setCurrentIndex(2);
    QCOMPARE(drive2->currentIndex(), 1);
    QCOMPARE(dir2->Path(), root_ + "/drive/inner");
    QVERIFY(desktop_.boxes.empty());

    // Back on a drive, the tree opens at the folder last used there.
    drive2->setCurrentIndex(0);
    QCOMPARE(dir2->Root(), QStringLiteral("/"));
    drive2->setCurrentIndex(1);
    QCOMPARE(dir2->Path(), root_ + "/drive/inner");

    // The destination side works the same way and fills Text1 without a separator.
    Control<QComboBox>("Drive1")->setCurrentIndex(1);
    QCOMPARE(Control<QLineEdit>("Text1")->text(), root_ + "/drive/inner");
  }

  void executeConvertsSelectedFiles() {
    StartWithThreeFiles();
    Select({"11111111.001", "33333333.003"});
    Execute();

    QVERIFY(desktop_.boxes.empty());
    QCOMPARE(Control<QLabel>("Label3")->text(), QStringLiteral("変換が正常に終了しました。"));
    QCOMPARE(window_->MessageClearPending(), true);
    QVERIFY(QFile::exists(root_ + "/out/11111111001/X5.txt"));
    QVERIFY(QFile::exists(root_ + "/out/33333333003/X5.txt"));
    QVERIFY(!QFileInfo::exists(root_ + "/out/22222222002"));
    QCOMPARE(DetailLines(), (QStringList{"  警告なし", "  警告なし",
                                         "11111111.001 -> " + root_ + "/out/11111111001: X5.txt",
                                         "33333333.003 -> " + root_ + "/out/33333333003: X5.txt"}));
    QCOMPARE(window_->cursor().shape(), Qt::ArrowCursor);
    // The list is filled again after the run and keeps the rows chosen, apart as they are.
    QStringList selected;
    for (const QListWidgetItem* item : Control<QListWidget>("List1")->selectedItems()) {
      selected << item->text();
    }
    selected.sort();
    QCOMPARE(selected, (QStringList{"11111111.001", "33333333.003"}));
    // The new job folders show in the destination tree.
    QCOMPARE(Control<FolderTree>("Dir1")
                 ->findItems("11111111001", Qt::MatchExactly | Qt::MatchRecursive)
                 .size(),
             1);
  }

  // The box's answer reaches the model (whose tables cover Yes and No).
  void missingDestinationAsked() {
    StartWithThreeFiles();
    Select({"22222222.002"});
    Control<QLineEdit>("Text1")->setText(root_ + "/new/sub");
    desktop_.answers = {6};
    Execute();

    QCOMPARE(desktop_.boxes.size(), std::size_t{1});
    QCOMPARE(Q(desktop_.boxes[0].text), QStringLiteral("フォルダがありません。新規作成しますか？"));
    QCOMPARE(desktop_.boxes[0].style, 36);
    QCOMPARE(Q(desktop_.boxes[0].title), QStringLiteral("TECRIS -> Nx 変換プログラム"));
    QVERIFY(QFile::exists(root_ + "/new/sub/22222222002/X5.txt"));
    QCOMPARE(Control<QLabel>("Label3")->text(), QStringLiteral("変換が正常に終了しました。"));
  }

  void nothingSelected() {
    StartWithThreeFiles();
    Select({});
    bool busyDuringBox = false;
    desktop_.onBox = [&](const FakeDesktop::Box&) {
      busyDuringBox = window_->cursor().shape() == Qt::WaitCursor;
    };
    Execute();
    QCOMPARE(desktop_.boxes.size(), std::size_t{1});
    QCOMPARE(Q(desktop_.boxes[0].text), QStringLiteral("変換元ファイルが選択されていません。"));
    QCOMPARE(desktop_.boxes[0].style, 0);
    QVERIFY(busyDuringBox);
    QCOMPARE(window_->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(Control<QLabel>("Label3")->text().isEmpty());
    QCOMPARE(window_->MessageClearPending(), false);
  }

  void badDestinationFocusesText1() {
    StartWithThreeFiles();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    Control<QPushButton>("Command1")->setFocus();
    auto* text1 = Control<QLineEdit>("Text1");
    text1->setText("relative/out");
    Select({"11111111.001"});
    Execute();

    QVERIFY(!desktop_.boxes.empty());
    const FakeDesktop::Box& last = desktop_.boxes.back();
    QCOMPARE(Q(last.text), QStringLiteral("指定されたパスは正しくありません。"));
    QCOMPARE(last.style, 48);
    QCOMPARE(Q(last.title), QStringLiteral("relative/out"));
    QVERIFY(text1->hasFocus());
    QCOMPARE(text1->selectedText(), QStringLiteral("relative/out"));
    QVERIFY(Control<QLabel>("Label3")->text().isEmpty());
  }

  void aFileGoneIsReportedAndTheRunGoesOn() {
    StartWithThreeFiles();
    Select({"11111111.001", "22222222.002", "33333333.003"});
    QVERIFY(QFile::remove(root_ + "/src/22222222.002"));
    Execute();

    const QString summary = QStringLiteral(
        "3 ファイル中 2 ファイルを変換しました。1 "
        "ファイルは変換できませんでした（一覧をご覧ください）。");
    QCOMPARE(desktop_.boxes.size(), std::size_t{1});
    QCOMPARE(Q(desktop_.boxes[0].text), summary);
    QVERIFY(QFile::exists(root_ + "/out/11111111001/X5.txt"));
    QVERIFY(QFile::exists(root_ + "/out/33333333003/X5.txt"));
    QCOMPARE(Control<QLabel>("Label3")->text(), summary);
    auto* details = Control<QListWidget>("Details");
    QCOMPARE(
        details->item(2)->text(),
        QStringLiteral("× 22222222.002: 指定されたﾌｧｲﾙは正しくありません（ファイルがありません）"));
    QVERIFY(details->item(2)->foreground() != details->item(0)->foreground());
    // Only the failures, then all again.
    Control<QCheckBox>("Check1")->click();
    QCOMPARE(details->count(), 1);
    Control<QCheckBox>("Check1")->click();
    QCOMPARE(details->count(), 5);
  }

  // A double click or Enter on a details line reaches the model, which shows the findings.
  void detailLinesShowTheirFindings() {
    ConvertOne("22222222.002", "C,22222222002,y,1\n1,2,3,12a,12,28\n");
    auto* details = Control<QListWidget>("Details");
    QCOMPARE(details->count(), 2);  // the file's line and its count
    // Through the window system, as a real double click: press, release, press, double click.
    const QPoint at = details->visualItemRect(details->item(1)).center();
    QTest::mouseDClick(window_->windowHandle(), Qt::LeftButton, {},
                       details->viewport()->mapTo(window_.get(), at));
    FindingsWindow* findings = window_->Findings();
    QVERIFY(findings);
    QVERIFY(findings->isVisible());
    QCOMPARE(findings->windowTitle(), QStringLiteral("22222222.002 の指摘 1 件"));
    auto* table = findings->findChild<QTableWidget*>("FindingsTable");
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(
        table->item(0, 6)->text(),
        QStringLiteral("値 \"12a\" は一部だけが数値として読まれます（12 として扱われます）。"));
    // Copied as a table: the headings, then the row, each with the file's name.
    const QString copied = QStringLiteral(
        "ファイル\t行\t列\t重要度\tコード\tセクション\t記録\t内容\t件数\n"
        "22222222.002\t2\t7\t警告\tT301\tC\t1\t"
        "値 \"12a\" は一部だけが数値として読まれます（12 として扱われます）。\t1\n");
    auto* copy = findings->findChild<QPushButton*>("FindingsCopy");
    copy->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    // Ctrl+C copies whichever control of the window has the focus.
    QGuiApplication::clipboard()->clear();
    copy->setFocus();
    QTest::keyClick(copy, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    findings->close();
    details->setFocus();
    details->setCurrentRow(0);
    QTest::keyClick(details, Qt::Key_Return);
    QVERIFY(window_->Findings()->isVisible());
    QVERIFY(desktop_.boxes.empty());
  }

  // The details list: several lines chosen, Ctrl+A, Ctrl+C and a context menu; each copied line
  // names its file.
  void detailsCopyNamesEachLinesFile() {
    ConvertOne("22222222.002", "C,22222222002,y,1\n1,2,3,12a,12,28\n");
    auto* details = Control<QListWidget>("Details");
    QCOMPARE(details->count(), 2);
    details->setFocus();
    details->clearSelection();
    details->item(1)->setSelected(true);
    QTest::keyClick(details, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("22222222.002: 警告 1 件（ダブルクリックで箇所を表示します）\n"));
    QTest::keyClick(details, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(details->selectedItems().size(), 2);
    QTest::keyClick(details, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')), 2);
    QCOMPARE(details->contextMenuPolicy(), Qt::ActionsContextMenu);
    QStringList menu;
    for (const QAction* action : details->actions()) menu << action->text();
    QCOMPARE(menu, (QStringList{QStringLiteral("コピー"), QStringLiteral("すべてコピー")}));
    details->clearSelection();
    details->actions().at(1)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text().count(QStringLiteral("22222222.002")), 2);
  }

  // Files named like TECRIS files that the list leaves out: counted under it, shown on a click.
  void leftOutFilesShowFromTheLineUnderTheList() {
    WriteCp932(root_, "src/11111111.001", SectionCFile("11111111001"));
    WriteCp932(root_, "src/20003001.001", QStringLiteral("A,200"));
    QDir(root_).mkpath("out");
    Start(root_);
    Control<FolderTree>("Dir2")->SetPath(root_ + "/src");
    auto* line = Control<QLabel>("Label6");
    QVERIFY(line->isVisible());
    QVERIFY(line->text().contains(
        QStringLiteral("1 ファイルは TECRIS ファイルとして読めないため一覧にありません")));
    emit line->linkActivated(QStringLiteral("left-out"));
    QVERIFY(window_->Findings());
    QCOMPARE(window_->Findings()->windowTitle(), QStringLiteral("一覧にないファイル 1 件"));
    QDir(root_).mkpath("empty");
    Control<FolderTree>("Dir2")->SetPath(root_ + "/empty");
    QVERIFY(!line->isVisible());
  }

  void boringLogOpensFromTheButtonAndADoubleClick() {
    StartWithThreeFiles();
    Select({"22222222.002"});
    Control<QPushButton>("Command4")->click();
    LogPreview* preview = window_->Preview();
    QVERIFY(preview);
    QVERIFY(preview->isVisible());
    // Read beside the window; the preview says so until the log arrives.
    QTRY_VERIFY_WITH_TIMEOUT(preview->PageCount() == 1, 10000);
    QVERIFY(preview->BusyText().isEmpty());
    QCOMPARE(preview->windowTitle(), QStringLiteral("柱状図 - 22222222.002"));
    QCOMPARE(preview->PageCount(), 1);
    QCOMPARE(preview->findChild<QLabel*>("LogPageLabel")->text(), QStringLiteral("1 / 1"));
    QVERIFY(!preview->findChild<QPushButton*>("LogNext")->isEnabled());
    preview->findChild<QPushButton*>("LogZoomIn")->click();
    QCOMPARE(preview->Zoom(), 125);
    QCOMPARE(preview->findChild<QWidget*>("LogCanvas")->width(),
             qRound(210 * 1.25 * preview->logicalDpiX() / 25.4) + 1);
    // Each format it saves is that format's file.
    QVERIFY(preview->FileBytes("pdf").rfind("%PDF", 0) == 0);
    QVERIFY(preview->FileBytes("png").rfind("\x89PNG", 0) == 0);
    QVERIFY(preview->FileBytes("svg").rfind("<?xml", 0) == 0);

    auto* list = Control<QListWidget>("List1");
    QListWidgetItem* item = list->findItems("33333333.003", Qt::MatchExactly).front();
    // Through the window system, as a real double click.
    QTest::mouseDClick(window_->windowHandle(), Qt::LeftButton, {},
                       list->viewport()->mapTo(window_.get(), list->visualItemRect(item).center()));
    QCOMPARE(window_->Preview(), preview);  // the one preview shows the other file
    QTRY_COMPARE_WITH_TIMEOUT(preview->windowTitle(), QStringLiteral("柱状図 - 33333333.003"),
                              10000);
    QVERIFY(desktop_.boxes.empty());
  }

  void boringLogPrintsEveryPage() {
    QDir(root_).mkpath("src");
    {
      // Example 006 down to 30 m: at 1:50 it takes more than one page.
      QFile example(QString::fromUtf8(tecris2nx::testing::SourceDir()) + "/examples/12345678.006");
      QVERIFY(example.open(QIODevice::ReadOnly));
      QByteArray bytes = example.readAll();
      bytes.replace("B,8,1,10.00,", "B,8,1,30.00,");
      QFile deep(root_ + "/src/12345678.006");
      QVERIFY(deep.open(QIODevice::WriteOnly));
      QCOMPARE(deep.write(bytes), bytes.size());
    }
    QDir(root_).mkpath("out");
    Start(root_);
    Control<FolderTree>("Dir2")->SetPath(root_ + "/src");
    QTRY_COMPARE(Control<QListWidget>("List1")->count(), 1);
    Select({"12345678.006"});
    Control<QPushButton>("Command4")->click();
    LogPreview* preview = window_->Preview();
    QVERIFY(preview);
    QTRY_VERIFY_WITH_TIMEOUT(preview->PageCount() > 0, 10000);
    preview->findChild<QComboBox*>("LogScale")->setCurrentIndex(0);  // 1:50: the 30 m take three
    QCOMPARE(preview->PageCount(), 3);
    // The print dialog's printer, set to a PDF file instead of a device.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = root_ + "/printed.pdf";
    printer.setOutputFileName(pdf);
    QVERIFY(preview->PrintTo(printer));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished(30000));
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("(A4)")), qPrintable(text));
  }

  // A pointer move over the background reaches the model, which clears a finished run's message
  // (and, as its tests show, no other).
  void mouseOverBackgroundClearsFinishedMessage() {
    StartWithThreeFiles();
    Select({"11111111.001"});
    Execute();
    QCOMPARE(window_->MessageClearPending(), true);
    // The message stays until the mouse moves over the background.
    QCoreApplication::processEvents();
    QVERIFY(!Control<QLabel>("Label3")->text().isEmpty());

    auto* picture = Control<QWidget>("Picture1");
    QList<QPoint> bare;  // points of the background not covered by a control
    for (int y = picture->height() / 2; y < picture->height() && bare.size() < 2; ++y) {
      for (int x = 0; x < picture->width() && bare.size() < 2; x += 3) {
        if (!picture->childAt(x, y)) bare << QPoint(x, y);
      }
    }
    QCOMPARE(bare.size(), 2);
    // Through the window system, as a real pointer: the move reaches the background only when it
    // asks for plain moves.
    for (const QPoint& p : bare)
      QTest::mouseMove(window_->windowHandle(), picture->mapTo(window_.get(), p));
    QTRY_COMPARE(Control<QLabel>("Label3")->text(), QString());
    QCOMPARE(window_->MessageClearPending(), false);
  }

  // The run's results come from the worker through the event loop; a box's own event loop
  // delivers them, so the message line tells the truth behind the box.
  void workerResultsReachTheWindowBehindABox() {
    StartWithThreeFiles();
    Select({"11111111.001", "22222222.002", "33333333.003"});
    QString lineDuringBox;
    bool runningDuringBox = true;
    desktop_.onBox = [&](const FakeDesktop::Box&) {
      QTest::qWait(300);  // the worker has long finished: its events came in meanwhile
      runningDuringBox = window_->Running();
      lineDuringBox = Control<QLabel>("Label3")->text();
    };
    Control<QPushButton>("Command1")->click();
    window_->close();  // asks whether to stop; answered No
    QTRY_VERIFY(!window_->Running());
    QCOMPARE(desktop_.boxes.size(), std::size_t{1});
    QVERIFY(!runningDuringBox);
    QCOMPARE(lineDuringBox, QStringLiteral("変換が正常に終了しました。"));
    QVERIFY(Control<QPushButton>("Command1")->isEnabled());
    QVERIFY(!Control<QPushButton>("Command3")->isVisible());
    QVERIFY(desktop_.endStatuses.empty());
  }

  // F1 reaches the model, which opens the guide from its first place.
  void f1OpensTheGuide() {
    WriteCp932(root_, "guide.html", "<html></html>");
    QStringList opened;
    WindowSeams seams = desktop_.Seams();
    seams.guideFiles = {root_ + "/none.html", root_ + "/guide.html"};
    seams.openDocument = [&opened](const QString& path) {
      opened << path;
      return true;
    };
    QVERIFY(QDir::setCurrent(root_));
    window_ = std::make_unique<Form1>(std::move(seams));
    QVERIFY(window_->Load());
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QTest::keyClick(window_.get(), Qt::Key_F1);
    QCOMPARE(opened, QStringList{root_ + "/guide.html"});
    QVERIFY(desktop_.boxes.empty());
  }

  // 一覧表 reaches the model: its dialog is asked, the selected files' report written beside the
  // window and its page opened; the button is back once it is over.
  void reportFromTheButton() {
    StartWithThreeFiles();
    Select({"11111111.001", "33333333.003"});
    desktop_.reportAnswer = ReportAnswer{(root_ + "/rep").toStdU32String(), 0};
    Control<QPushButton>("Command5")->click();
    QTRY_VERIFY(!window_->Running());
    QCOMPARE(desktop_.reportQuestions.size(), std::size_t{1});
    QCOMPARE(desktop_.opened, QStringList{root_ + "/rep/report.html"});
    QCOMPARE(Control<QLabel>("Label3")->text(),
             "一覧表を作成しました: " + root_ + "/rep（ファイル 2 件、変換できないもの 0 件）");
    QVERIFY(Control<QPushButton>("Command5")->isEnabled());
  }

  // The dialog shows the model's folder and datum; 参照… opens at the nearest folder there is and
  // replaces the folder; it answers both.
  void reportDialogAnswersWhatWasChosen() {
    QStringList starts;
    ReportDialog dialog(
        {U"一覧表の作成",
         (root_ + "/none/rep").toStdU32String(),
         {U"A", U"B", U"C"},
         2,
         U"note",
         [](const Text& typed) {
           return ReportBrowseStart(RealFileSystem(), typed, HostPathStyle());
         }},
        [&](QWidget*, const QString&, const QString& start) {
          starts << start;
          return root_ + "/picked";
        },
        nullptr);
    QCOMPARE(dialog.findChild<QLineEdit*>("ReportFolder")->text(), root_ + "/none/rep");
    QCOMPARE(dialog.findChild<QComboBox*>("ReportDatum")->currentText(), QStringLiteral("C"));
    dialog.findChild<QPushButton*>("ReportBrowse")->click();
    QCOMPARE(starts, QStringList{root_});
    dialog.findChild<QComboBox*>("ReportDatum")->setCurrentIndex(1);
    QCOMPARE(Q(dialog.Answer().folder), root_ + "/picked");
    QCOMPARE(dialog.Answer().datum, 1);
  }

  void layoutMinimums() {
    const QString longMount = root_ + "/" + QString(60, QLatin1Char('m'));
    QDir().mkpath(longMount);
    desktop_.drives = {"/", longMount};
    WriteCp932(root_, "src/12345678.001", SectionCFile("12345678001"));
    Start(root_);
    Control<FolderTree>("Dir2")->SetPath(root_ + "/src");
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // The window and its minimum fit the screen's available area, on it.
    QVERIFY(window_->minimumWidth() <= area.width());
    QVERIFY(window_->minimumHeight() <= area.height());
    QVERIFY(area.contains(window_->frameGeometry()));
    // At its smallest the file list still shows a whole name.
    window_->resize(window_->minimumSize());
    QTRY_COMPARE(window_->size(), window_->minimumSize());
    auto* list = Control<QListWidget>("List1");
    const int name = list->fontMetrics().horizontalAdvance(QStringLiteral("12345678.001"));
    QVERIFY2(list->viewport()->width() >= name,
             qPrintable(QString("%1 < %2").arg(list->viewport()->width()).arg(name)));
    // A long mount path does not widen its drive list.
    const int path = Control<QComboBox>("Drive2")->fontMetrics().horizontalAdvance(longMount);
    QVERIFY(Control<QComboBox>("Drive2")->minimumSizeHint().width() < path / 2);
  }

  void exitEndsTheProgram() {
    Start(root_);
    Control<QPushButton>("Command2")->click();
    QVERIFY(!window_->isVisible());
    QCOMPARE(desktop_.endStatuses, std::vector<int>{0});
  }
};

}  // namespace tecris2nx

QTEST_MAIN(tecris2nx::Form1Test)
#include "form1_qtest.moc"
