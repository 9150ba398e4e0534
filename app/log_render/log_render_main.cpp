// tecris2nx-log-render: `tecris2nx log --format pdf|png` and `tecris2nx report --format pdf`
// become this program, which draws with Qt on the offscreen platform, so that `tecris2nx` itself
// links no toolkit.
#include <QGuiApplication>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "app/cli/log_command.h"
#include "app/cli/report_command.h"
#include "app/gui/log_writers.h"
#include "common/file_system.h"
#include "common/pattern_folder.h"

namespace {

/// Qt's own notes (a missing run-time folder, font lookups) are not the user's business here;
/// what goes wrong with a file is reported by the command as its message.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) {
    std::cerr << "tecris2nx: " << message.toStdString() << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  qInstallMessageHandler(QuietMessages);
  tecris2nx::Interruption& interruption = tecris2nx::HostInterruption();
  std::vector<std::string> args(argv + 1, argv + argc);
  // Drawing needs no display, whatever the session asks for: another platform would open a
  // connection to one, and abort without it.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  tecris2nx::RealFileSystem fs;
  tecris2nx::CliEnvironment env{fs, tecris2nx::HostPatternLookupEnv(argc > 0 ? argv[0] : ""),
                                &interruption};
  if (!args.empty() && args[0] == tecris2nx::kReportRenderArgument) {
    args.erase(args.begin());
    return tecris2nx::RunReportCommand(args, std::cout, std::cerr, env,
                                       tecris2nx::ReportPdfPainter());
  }
  tecris2nx::QtLogRenderer renderer;
  return tecris2nx::RunLogCommand(args, std::cout, std::cerr, env, &renderer);
}
