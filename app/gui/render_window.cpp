// Draws the window, navigated to a source folder, into a PNG for the documentation.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <cstdio>

#include "app/gui/drives.h"
#include "app/gui/folder_tree.h"
#include "app/gui/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() < 4 || args.size() > 5) {
    std::fprintf(stderr,
                 "usage: tecris2nx-render-window SOURCE_DIR DEST_DIR OUT.png [PATDAT_DIR]\n"
                 "  With PATDAT_DIR the listed files are converted into DEST_DIR first.\n");
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
  seams.showMessage = [](QWidget*, const tecris2nx::Text& text, int, const tecris2nx::Text&) {
    std::fprintf(stderr, "message: %s\n", QString::fromStdU32String(text).toUtf8().constData());
    return static_cast<int>(tecris2nx::kAnswerYes);
  };
  seams.listDrives = [] { return QStringList{QStringLiteral("/")}; };

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
    QApplication::processEvents();
  }
  if (!window.grab().save(output, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", output.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
