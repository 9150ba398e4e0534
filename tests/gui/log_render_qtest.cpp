#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "app/gui/log_writers.h"
#include "common/error.h"

namespace tecris2nx {

namespace {

const QString kBuild = QStringLiteral(TECRIS2NX_BINARY_DIR);
const QString kSource = QStringLiteral(TECRIS2NX_SOURCE_DIR);

struct Ran {
  int status = -1;
  QString err;
};

/// `tecris2nx log ...` as a user runs it: the command hands PDF and PNG to the program beside it.
Ran RunLog(const QStringList& args) {
  QProcess process;
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

/// Example 006 with its last layer down to 30 m: at 1:50 it takes more than one A4 page.
QString DeepExample(const QTemporaryDir& dir) {
  QFile example(kSource + QStringLiteral("/examples/12345678.006"));
  if (!example.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = example.readAll();
  bytes.replace("B,8,1,10.00,", "B,8,1,30.00,");
  const QString path = dir.filePath(QStringLiteral("12345678.006"));
  QFile deep(path);
  if (!deep.open(QIODevice::WriteOnly) || deep.write(bytes) != bytes.size()) return {};
  return path;
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
    QTest::newRow("1:50 of 30 m breaks onto more pages")
        << QStringList{"--scale", "50", "deep"} << 3 << "A4";
    QTest::newRow("A3 takes 1:50 on one page")
        << QStringList{"--scale", "50", "--paper", "a3"} << 1 << "A3";
  }
  void pdfPages() {
    QFETCH(QStringList, options);
    QFETCH(int, pages);
    QFETCH(QString, paper);
    QTemporaryDir out;
    QTemporaryDir in;
    QString file = kSource + "/examples/12345678.006";
    if (options.removeAll(QStringLiteral("deep")) > 0) file = DeepExample(in);
    const Ran ran =
        RunLog(QStringList{"--format", "pdf"} + options + QStringList{"-o", out.path(), file});
    QCOMPARE(ran.status, 0);
    QVERIFY2(!ran.err.contains("QStandardPaths"), qPrintable(ran.err));
    const QString info = PdfInfo(out.filePath("12345678006.pdf"));
    const QRegularExpressionMatch count =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    QVERIFY2(count.hasMatch(), qPrintable(info));
    QCOMPARE(count.captured(1).toInt(), pages);
    QVERIFY2(info.contains("(" + paper + ")"), qPrintable(info));
    // Nothing left under a temporary name.
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"12345678006.pdf"});
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

QTEST_GUILESS_MAIN(tecris2nx::LogRenderTest)
#include "log_render_qtest.moc"
