#pragma once

#include <mutex>

#include "app/cli/cli.h"

namespace tecris2nx {

/// What both platforms keep of an interruption; each one's handler feeds it the signals.
class InterruptionState : public Interruption {
 public:
  int Received() override;
  void HoldForWriting() override;

 protected:
  /// Takes a signal from the platform's handler: before HoldForWriting it ends the process at
  /// once (EndInterruptedProcess); after, the first signal is kept for the run to stop at and a
  /// second changes nothing, the run being already on its way to stop.
  void Take(int signal);

 private:
  std::mutex mutex_;
  bool held_ = false;
  int received_ = 0;
};

/// Writes kInterruptedLine on stderr and ends the process with kCliInterrupted + signal, as safely
/// as the platform's handler allows.
[[noreturn]] void EndInterruptedProcess(int signal);

}  // namespace tecris2nx
