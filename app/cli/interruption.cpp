#include "app/cli/interruption.h"

namespace tecris2nx {

int InterruptionState::Received() {
  std::lock_guard lock(mutex_);
  return received_;
}

void InterruptionState::HoldForWriting() {
  std::lock_guard lock(mutex_);
  held_ = true;
}

void InterruptionState::Take(int signal) {
  std::lock_guard lock(mutex_);
  // Under the lock: HoldForWriting cannot come between the look and the end.
  if (!held_) EndInterruptedProcess(signal);
  if (received_ == 0) received_ = signal;
}

}  // namespace tecris2nx
