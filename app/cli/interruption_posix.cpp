#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <thread>

#include "app/cli/cli.h"

namespace tecris2nx {
namespace {

/// SIGINT, SIGTERM and SIGHUP are blocked in every thread and taken by one that waits for them,
/// so that no worker is ever stopped in the middle of a write.
class SignalInterruption : public Interruption {
 public:
  SignalInterruption() {
    sigemptyset(&signals_);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals_, signal);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    // A reader that went away (the end of a pipe) makes writes fail rather than kill the run.
    ::signal(SIGPIPE, SIG_IGN);
    std::thread([this] { Watch(); }).detach();
  }

  int Received() override {
    std::lock_guard lock(mutex_);
    return received_;
  }

  void HoldForWriting() override {
    std::lock_guard lock(mutex_);
    held_ = true;
  }

 private:
  void Watch() {
    for (;;) {
      int signal = 0;
      if (sigwait(&signals_, &signal) != 0) continue;
      std::lock_guard lock(mutex_);
      if (!held_) {
        (void)!::write(STDERR_FILENO, kInterruptedLine, std::strlen(kInterruptedLine));
        ::_exit(kCliInterrupted + signal);
      }
      // A second signal changes nothing: the run is already stopping as soon as it can.
      if (received_ == 0) received_ = signal;
    }
  }

  sigset_t signals_;
  std::mutex mutex_;
  bool held_ = false;
  int received_ = 0;
};

}  // namespace

Interruption& HostInterruption() {
  static SignalInterruption interruption;
  return interruption;
}

}  // namespace tecris2nx
