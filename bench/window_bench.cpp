// Times the window converting a folder of TECRIS files: every file selected, Execute, until the
// run is over, on Qt's offscreen platform. Prints the seconds and how many detail lines the list
// got, and how many times the list was filled.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
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
  // The window's own event loop, idle between events as in the program; a timer looks every
  // 10 ms whether the run is over and counts how often the loop got to it (responsiveness).
  int turns = 0;
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    ++turns;
    if (!window.Running()) loop.quit();
  });
  poll.start(10);
  loop.exec();
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  const int lines = window.findChild<QListWidget*>(QStringLiteral("Details"))->count();
  std::printf("%.3f s, %d detail lines, %d timer turns, %d boxes\n", seconds, lines, turns, boxes);
  return boxes == 0 ? 0 : 1;
}
