#include <QApplication>

#include "app/gui/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tecris2nx-gui"));
  tecris2nx::Form1 window(tecris2nx::HostWindowSeams());
  if (!window.Load()) return 1;
  window.show();
  return QApplication::exec();
}
