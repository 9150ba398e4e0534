#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "app/cli/interruption.h"

namespace tecris2nx {
namespace {

/// SIGINT, SIGTERM and SIGHUP are blocked in every thread and taken by one that waits for them,
/// so that no worker is ever stopped in the middle of a write.
class SignalInterruption : public InterruptionState {
 public:
  SignalInterruption() {
    sigemptyset(&signals_);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals_, signal);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    // A reader that went away (the end of a pipe) makes writes fail rather than kill the run.
    ::signal(SIGPIPE, SIG_IGN);
    std::thread([this] { Watch(); }).detach();
  }

 private:
  void Watch() {
    for (;;) {
      int signal = 0;
      if (sigwait(&signals_, &signal) == 0) Take(signal);
    }
  }

  sigset_t signals_;
};

}  // namespace

void EndInterruptedProcess(int signal) {
  (void)!::write(STDERR_FILENO, kInterruptedLine, std::strlen(kInterruptedLine));
  ::_exit(kCliInterrupted + signal);
}

Interruption& HostInterruption() {
  static SignalInterruption interruption;
  return interruption;
}

}  // namespace tecris2nx
