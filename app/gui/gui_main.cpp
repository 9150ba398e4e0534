#include <QApplication>
#include <QLocale>

#include "app/gui/form1.h"
#include "app/gui/message_box.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tecris2nx-gui"));
  tecris2nx::InstallQtTranslations(QLocale());
  tecris2nx::Form1 window(tecris2nx::HostWindowSeams());
  if (!window.Load()) return 1;
  window.show();
  return QApplication::exec();
}
