#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "app/gui/log_painter.h"
#include "app/gui/log_preview.h"
#include "app/gui/log_writers.h"
#include "common/error.h"
#include "common/file_system.h"
#include "run/boring_log_file.h"

namespace tecris2nx {

namespace {

const QString kBuild = QStringLiteral(TECRIS2NX_BINARY_DIR);
const QString kSource = QStringLiteral(TECRIS2NX_SOURCE_DIR);

struct Ran {
  int status = -1;
  QString err;
};

/// `tecris2nx log ...` as a user runs it: the command hands PDF and PNG to the program beside it.
/// `environment` is added to the test's own ("NAME=value").
Ran RunLog(const QStringList& args, const QStringList& environment = {}) {
  QProcess process;
  QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
  for (const QString& each : environment) {
    variables.insert(each.section(QLatin1Char('='), 0, 0), each.section(QLatin1Char('='), 1));
  }
  process.setProcessEnvironment(variables);
  process.start(kBuild + QStringLiteral("/tecris2nx"),
                QStringList{QStringLiteral("log"), QStringLiteral("--patdat"),
                            kSource + QStringLiteral("/examples/sample-patdat")} +
                    args);
  if (!process.waitForFinished(60000)) return {};
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

QString PdfInfo(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdfinfo"), {path});
  process.waitForFinished(30000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

std::shared_ptr<const boringlog::Borehole> Example() {
  RealFileSystem fs;
  return std::make_shared<const boringlog::Borehole>(
      ReadBoreholeFile(fs, (kSource + "/examples/12345678.006").toStdU32String(),
                       (kSource + "/examples/sample-patdat/").toStdU32String(), U"2024-01-01"));
}

}  // namespace

class LogRenderTest : public QObject {
  Q_OBJECT

 private slots:
  void pdfPages_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("paper");
    QTest::newRow("1:100 fits one A4 page") << QStringList{} << 1 << "A4";
    QTest::newRow("1:50 breaks onto a second page") << QStringList{"--scale", "50"} << 2 << "A4";
    QTest::newRow("A3 takes 1:50 on one page")
        << QStringList{"--scale", "50", "--paper", "a3"} << 1 << "A3";
  }
  void pdfPages() {
    QFETCH(QStringList, options);
    QFETCH(int, pages);
    QFETCH(QString, paper);
    QTemporaryDir out;
    // One layer of sand 12 m deep.
    const QString hole = out.filePath("12345678.001");
    QFile file(hole);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("B,12345678001,x\r\n1\r\nB,1,1,12.0,0,\x8d\xbb,H,\r\n");
    file.close();
    const Ran ran = RunLog(QStringList{"--format", "pdf"} + options +
                           QStringList{"-o", out.filePath("logs"), hole});
    QCOMPARE(ran.status, 0);
    QVERIFY2(!ran.err.contains("QStandardPaths"), qPrintable(ran.err));
    const QString info = PdfInfo(out.filePath("logs/12345678001.pdf"));
    const QRegularExpressionMatch count =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    QVERIFY2(count.hasMatch(), qPrintable(info));
    QCOMPARE(count.captured(1).toInt(), pages);
    QVERIFY2(info.contains("(" + paper + ")"), qPrintable(info));
    // Nothing left under a temporary name.
    QCOMPARE(QDir(out.filePath("logs")).entryList(QDir::Files), QStringList{"12345678001.pdf"});
  }

  // The report's PDF: the same Qt painting, every part on landscape A4 pages.
  void reportPdf() {
    QTemporaryDir out;
    QProcess process;
    QStringList args{
        QStringLiteral("report"),   QStringLiteral("--format"),          QStringLiteral("PDF"),
        QStringLiteral("--patdat"), kSource + "/examples/sample-patdat", QStringLiteral("-o"),
        out.filePath("report")};
    for (const QString& name : QDir(kSource + "/examples/delivery").entryList(QDir::Files)) {
      args << kSource + "/examples/delivery/" + name;
    }
    process.start(kBuild + QStringLiteral("/tecris2nx"), args);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    const QString info = PdfInfo(out.filePath("report/report.pdf"));
    // The index, the map, one page of logs, the two tables of N-values and the findings.
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+6\\b")), qPrintable(info));
    QVERIFY2(info.contains("842 x 595 pts (A4)"), qPrintable(info));
    QCOMPARE(QDir(out.filePath("report")).entryList(QDir::Files),
             (QStringList{"boreholes.geojson", "boreholes.kml", "index.csv", "report.html",
                          "report.pdf"}));
  }

  void pdfEmbedsTheJapaneseFont() {
    QTemporaryDir out;
    QCOMPARE(
        RunLog({"--format", "pdf", "-o", out.path(), kSource + "/examples/12345678.006"}).status,
        0);
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {out.filePath("12345678006.pdf")});
    fonts.waitForFinished(30000);
    const QString listed = QString::fromUtf8(fonts.readAllStandardOutput());
    QVERIFY2(QRegularExpression(QStringLiteral("IPAGothic\\s.*\\syes\\s")).match(listed).hasMatch(),
             qPrintable(listed));
  }

  void png_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("width");
    QTest::newRow("300 dpi by default: A4's 210 mm") << QStringList{} << 2481;
    QTest::newRow("150 dpi") << QStringList{"--dpi", "150"} << 1241;
    QTest::newRow("A3's 297 mm") << QStringList{"--paper", "a3"} << 3508;
  }
  void png() {
    QFETCH(QStringList, options);
    QFETCH(int, width);
    QTemporaryDir out;
    QCOMPARE(RunLog(QStringList{"--format", "png"} + options +
                    QStringList{"-o", out.path(), kSource + "/examples/12345678.006"})
                 .status,
             0);
    const QImage image(out.filePath("12345678006.png"));
    QCOMPARE(image.width(), width);
    QVERIFY(image.height() > width / 2);
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2) {
      for (int x = 0; x < image.width(); x += 2) dark += qGray(image.pixel(x, y)) < 128;
    }
    // Lines, patterns and texts: far more than a frame, far less than a filled page.
    QVERIFY2(dark > image.width() * 4 && dark < image.width() * image.height() / 8,
             qPrintable(QString::number(dark)));
  }

  void pngTooTallIsRefusedNotCut() {
    boringlog::Page sheet;
    sheet.width = 210;
    sheet.height = 3000;  // 30 m at 1:100 and 300 dpi: 35,434 pixels
    QVERIFY_THROWS_EXCEPTION(ConversionError, LogPng(sheet, 300));
    // Larger than Qt's readers take by default, but a whole, valid picture.
    QImageReader::setAllocationLimit(0);
    QCOMPARE(QImage::fromData(QByteArray::fromStdString(LogPng(sheet, 200))).height(), 23623);
  }

  // Drawn offscreen whatever platform the session names, and the same bytes again whenever
  // SOURCE_DATE_EPOCH is set, its date the PDF's own.
  void pdfAnywhereAndReproducible_data() {
    QTest::addColumn<QStringList>("environment");
    QTest::newRow("a display's platform, no display") << QStringList{"QT_QPA_PLATFORM=xcb"};
    QTest::newRow("a platform Qt lacks") << QStringList{"QT_QPA_PLATFORM=nonesuch"};
    QTest::newRow("another time zone") << QStringList{"TZ=Asia/Tokyo"};
  }
  void pdfAnywhereAndReproducible() {
    QFETCH(QStringList, environment);
    QTemporaryDir out;
    const QStringList epoch{"SOURCE_DATE_EPOCH=1700049600"};
    const QStringList args{"--format", "pdf", "-o", out.path(), kSource + "/examples/12345678.006"};
    const Ran first = RunLog(args, epoch + environment);
    QCOMPARE(first.status, 0);
    QVERIFY2(first.err.isEmpty(), qPrintable(first.err));
    QFile file(out.filePath("12345678006.pdf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    QVERIFY(PdfInfo(file.fileName()).contains("Wed Nov 15 12:00:00 2023 UTC"));
    QTest::qSleep(1100);  // a clock's date would differ now
    QCOMPARE(RunLog(args, epoch + environment).status, 0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == bytes);
  }

  // What the SVG shows as U+FFFD, the painter draws as U+FFFD.
  void unprintableCharactersAsTheSvgShowsThem() {
    const auto paint = [](const Text& text) {
      boringlog::Page page{40, 10, {boringlog::Label{{2, 6}, text, 4, boringlog::Anchor::kStart}}};
      QImage image(160, 40, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      PaintLogPage(painter, page, 4);
      painter.end();
      return image;
    };
    const QImage shown = paint(U"砂\uFFFD礫\uFFFD");
    QVERIFY(shown != paint(U"砂礫"));
    for (const Text& text : {Text(U"砂\x01礫\x1F"), Text(U"砂\t礫\uFFFF")}) {
      QVERIFY(paint(text) == shown);
    }
  }

  // A log that could not be read closes the preview, whether it was open or closed when the log
  // was asked for, instead of showing the earlier file's again.
  void aFailedLogShowsNoEarlierOne_data() {
    QTest::addColumn<bool>("closedFirst");
    QTest::newRow("preview open") << false;
    QTest::newRow("preview closed") << true;
  }
  void aFailedLogShowsNoEarlierOne() {
    QFETCH(bool, closedFirst);
    LogPreview preview(nullptr);
    preview.Show(Example());
    QVERIFY(preview.isVisible());
    if (closedFirst) preview.close();
    preview.SetBusy(QStringLiteral("柱状図を作成しています…"));
    QVERIFY(preview.isVisible());
    preview.SetBusy(QString());
    QVERIFY(!preview.isVisible());
  }

  // Saving says so in the window, and the save dialog speaks Japanese as the window does.
  void savingSaysSoInJapanese() {
    QTemporaryDir out;
    LogPreview preview(nullptr);
    preview.Show(Example());
    QCOMPARE(preview.SavedText(), QString());
    QVERIFY(preview.SaveAs(out.filePath("柱状図"), QStringLiteral("SVG (*.svg)")));
    QVERIFY(QFile::exists(out.filePath("柱状図.svg")));
    QCOMPARE(preview.SavedText(), QStringLiteral("保存しました: 柱状図.svg"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Cancel") == "Cancel" &&
                 QCoreApplication::translate("QPlatformTheme", "Cancel") == "Cancel",
             false);
  }

  // A PDF or print of thousands of pages is drawn only when the user says so.
  void asksBeforeManyPages() {
    QTemporaryDir out;
    QFile file(out.filePath("12345678.001"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("B,12345678001,x\r\n1\r\nB,1,1,4000.0,0,\x8d\xbb,H,\r\n");
    file.close();
    RealFileSystem fs;
    LogPreview preview(nullptr);
    QStringList asked;
    preview.SetConfirm([&](const QString& question) {
      asked << question;
      return false;
    });
    preview.Show(Example());
    QVERIFY(preview.ManyPagesConfirmed(QStringLiteral("印刷")));
    preview.Show(std::make_shared<const boringlog::Borehole>(
        ReadBoreholeFile(fs, file.fileName().toStdU32String(),
                         (kSource + "/examples/sample-patdat/").toStdU32String(), U"2024-01-01")));
    QVERIFY(preview.PageCount() > kManyLogPages);
    QVERIFY(!preview.ManyPagesConfirmed(QStringLiteral("印刷")));
    QCOMPARE(
        asked,
        QStringList{QStringLiteral("%1 ページあります。印刷しますか？").arg(preview.PageCount())});
  }

  void aBadFileGetsNoPicture() {
    QTemporaryDir out;
    const QString bad = out.filePath("12345678.009");
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("C,12345678009,y,1\r\n1,2,3,21E408.8,12,28\r\n");
    file.close();
    const Ran ran = RunLog({"--format", "png", "-o", out.filePath("logs"), bad});
    QCOMPARE(ran.status, 1);
    QVERIFY2(ran.err.contains("21E408.8"), qPrintable(ran.err));
    QVERIFY(QDir(out.filePath("logs")).entryList(QDir::Files).isEmpty());
  }
};

}  // namespace tecris2nx

QTEST_MAIN(tecris2nx::LogRenderTest)
#include "log_render_qtest.moc"
