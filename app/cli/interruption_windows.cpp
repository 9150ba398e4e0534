#include <cstdio>
#include <mutex>

#include "common/windows_api.h"
#include "app/cli/cli.h"

namespace tecris2nx {
namespace {

/// Windows calls the handler on a thread of its own for each console event.
class ConsoleInterruption : public Interruption {
 public:
  ConsoleInterruption() { SetConsoleCtrlHandler(&ConsoleInterruption::OnEvent, TRUE); }

  static ConsoleInterruption& Instance();

  int Received() override {
    std::lock_guard lock(mutex_);
    return received_;
  }

  void HoldForWriting() override {
    std::lock_guard lock(mutex_);
    held_ = true;
  }

 private:
  static BOOL WINAPI OnEvent(DWORD event) {
    // The numbers a POSIX shell would report: Ctrl+C as SIGINT, Ctrl+Break as SIGTERM, a closed
    // console, a log-off or a shut-down as SIGHUP.
    const int signal = event == CTRL_C_EVENT ? 2 : event == CTRL_BREAK_EVENT ? 15 : 1;
    ConsoleInterruption& self = Instance();
    {
      std::lock_guard lock(self.mutex_);
      if (!self.held_) {
        std::fputs(kInterruptedLine, stderr);
        std::fflush(stderr);
        ExitProcess(static_cast<UINT>(kCliInterrupted + signal));
      }
      if (self.received_ == 0) self.received_ = signal;
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // Windows ends the process as soon as this returns from the other events: wait for the run to
    // finish its files and end the process itself (the system waits a few seconds at most).
    Sleep(INFINITE);
    return TRUE;
  }

  std::mutex mutex_;
  bool held_ = false;
  int received_ = 0;
};

ConsoleInterruption& ConsoleInterruption::Instance() {
  static ConsoleInterruption interruption;
  return interruption;
}

}  // namespace

Interruption& HostInterruption() { return ConsoleInterruption::Instance(); }

}  // namespace tecris2nx
