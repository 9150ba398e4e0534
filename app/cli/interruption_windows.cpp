#include <cstdio>

#include "common/windows_api.h"
#include "app/cli/interruption.h"

namespace tecris2nx {
namespace {

/// Windows calls the handler on a thread of its own for each console event.
class ConsoleInterruption : public InterruptionState {
 public:
  ConsoleInterruption() { SetConsoleCtrlHandler(&ConsoleInterruption::OnEvent, TRUE); }

  static ConsoleInterruption& Instance();

 private:
  static BOOL WINAPI OnEvent(DWORD event) {
    // The numbers a POSIX shell would report: Ctrl+C as SIGINT, Ctrl+Break as SIGTERM, a closed
    // console, a log-off or a shut-down as SIGHUP.
    const int signal = event == CTRL_C_EVENT ? 2 : event == CTRL_BREAK_EVENT ? 15 : 1;
    Instance().Take(signal);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // Windows ends the process as soon as this returns from the other events: wait for the run to
    // finish its files and end the process itself (the system waits a few seconds at most).
    Sleep(INFINITE);
    return TRUE;
  }
};

ConsoleInterruption& ConsoleInterruption::Instance() {
  static ConsoleInterruption interruption;
  return interruption;
}

}  // namespace

void EndInterruptedProcess(int signal) {
  std::fputs(kInterruptedLine, stderr);
  std::fflush(stderr);
  ExitProcess(static_cast<UINT>(kCliInterrupted + signal));
}

Interruption& HostInterruption() { return ConsoleInterruption::Instance(); }

}  // namespace tecris2nx
