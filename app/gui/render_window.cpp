// Draws the window, navigated to a source folder, into a PNG for the documentation.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <cstdio>

#include "app/gui/drives.h"
#include "app/gui/folder_tree.h"
#include "app/gui/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = QApplication::arguments();
  QString findingsOutput;
  if (args.size() > 2 && args[1] == QStringLiteral("--findings")) {
    findingsOutput = QFileInfo(args[2]).absoluteFilePath();
    args.remove(1, 2);
  }
  const bool midRun = args.size() > 1 && args[1] == QStringLiteral("--mid-run");
  if (midRun) args.removeAt(1);
  if (args.size() < 4 || args.size() > 5 || (midRun && args.size() != 5)) {
    std::fprintf(stderr,
                 "usage: tecris2nx-render-window [--findings FINDINGS.png] [--mid-run] SOURCE_DIR "
                 "DEST_DIR OUT.png [PATDAT_DIR]\n"
                 "  With PATDAT_DIR the listed files are converted into DEST_DIR first;\n"
                 "  with --mid-run the picture is taken while they are being converted;\n"
                 "  with --findings the first file's findings window is drawn as well.\n");
    return 2;
  }
  const QString source = tecris2nx::CleanFolderPath(args[1]);
  const QString destination = tecris2nx::CleanFolderPath(args[2]);
  // The window moves the process folder around: fix every path before it starts.
  const QString output = QFileInfo(args[3]).absoluteFilePath();
  const QString patdat = args.size() == 5 ? tecris2nx::CleanFolderPath(args[4]) : QString();

  tecris2nx::WindowSeams seams = tecris2nx::HostWindowSeams();
  seams.locatePatternFolder = [patdat, source] {
    // Without pattern data nothing is converted, so any folder lets the window start.
    const QString folder = patdat.isEmpty() ? source : patdat;
    return QDir::toNativeSeparators(folder + QLatin1Char('/')).toStdU32String();
  };
  seams.searchPatternFolder = nullptr;
  seams.settingsFile.clear();
  seams.showMessage = [](QWidget*, const tecris2nx::MessageRequest& box) {
    std::fprintf(stderr, "message: %s\n", QString::fromStdU32String(box.text).toUtf8().constData());
    return tecris2nx::MessageAnswer::kYes;
  };
  if (midRun) seams.workers = 1;  // slow enough to be caught at work

  QDir().mkpath(destination);
  tecris2nx::Form1 window(seams);
  if (!window.Load()) return 1;
  window.findChild<tecris2nx::FolderTree*>(QStringLiteral("Dir1"))->SetPath(destination);
  window.findChild<tecris2nx::FolderTree*>(QStringLiteral("Dir2"))->SetPath(source);
  auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
  list->selectAll();
  window.show();
  QApplication::processEvents();
  if (!patdat.isEmpty()) {
    window.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    const auto* line = window.findChild<QLabel*>(QStringLiteral("Label3"));
    QElapsedTimer waited;
    waited.start();
    // Mid-run: until the line shows a count. Otherwise: until the run is over.
    while ((midRun ? !line->text().contains(QLatin1String(" / ")) : window.Running()) &&
           waited.elapsed() < 120000) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
  }
  const bool saved = window.grab().save(output, "PNG");
  if (!findingsOutput.isEmpty() && !window.Running()) {
    // As a double click on the details would: the first line that has findings opens them.
    for (int row = 0; row < 1000; ++row) {
      window.Model().OnDetailActivated(row);
      QApplication::processEvents();
      auto* findings = window.findChild<QDialog*>(QStringLiteral("Findings"));
      if (findings && findings->isVisible()) {
        QApplication::processEvents();
        if (!findings->grab().save(findingsOutput, "PNG")) return 1;
        break;
      }
    }
  }
  if (window.Running()) {
    window.Model().OnStop();
    while (window.Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (!saved) {
    std::fprintf(stderr, "cannot write %s\n", output.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
