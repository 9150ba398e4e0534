// Times the window converting a folder of TECRIS files: every file selected, Execute, until the
// run is over, on Qt's offscreen platform. Prints the seconds and how many detail lines the list
// got, and how many times the list was filled.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>

#include "app/gui/folder_tree.h"
#include "app/gui/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 4) {
    std::fprintf(stderr, "usage: window_bench SOURCE_DIR DEST_DIR PATDAT_DIR\n");
    return 2;
  }
  const QString source = tecris2nx::CleanFolderPath(args[1]);
  const QString destination = tecris2nx::CleanFolderPath(args[2]);
  const QString patdat = tecris2nx::CleanFolderPath(args[3]);

  tecris2nx::WindowSeams seams = tecris2nx::HostWindowSeams();
  seams.locatePatternFolder = [patdat] { return (patdat + QLatin1Char('/')).toStdU32String(); };
  seams.searchPatternFolder = nullptr;
  seams.settingsFile.clear();
  int boxes = 0;
  seams.showMessage = [&boxes](QWidget*, const tecris2nx::MessageRequest& box) {
    ++boxes;
    std::fprintf(stderr, "message: %s\n", QString::fromStdU32String(box.text).toUtf8().constData());
    return tecris2nx::MessageAnswer::kYes;
  };
  tecris2nx::Form1 window(seams);
  if (!window.Load()) return 1;
  window.findChild<tecris2nx::FolderTree*>(QStringLiteral("Dir1"))->SetPath(destination);
  window.findChild<tecris2nx::FolderTree*>(QStringLiteral("Dir2"))->SetPath(source);
  window.findChild<QListWidget*>(QStringLiteral("List1"))->selectAll();
  window.show();
  QApplication::processEvents();

  QElapsedTimer timer;
  timer.start();
  window.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
  int turns = 0;  // event-loop turns: the window stayed responsive this often
  while (window.Running()) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ++turns;
  }
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  const int lines = window.findChild<QListWidget*>(QStringLiteral("Details"))->count();
  std::printf("%.3f s, %d detail lines, %d event-loop turns, %d boxes\n", seconds, lines, turns,
              boxes);
  return boxes == 0 ? 0 : 1;
}
