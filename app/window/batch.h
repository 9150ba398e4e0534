#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"
#include "run/convert_file.h"

namespace tecris2nx {

/// One run's batch on a worker thread, and the queue of what it tells the window thread.
class WindowBatch {
 public:
  /// What the worker tells the window, in file order.
  struct Event {
    enum class Kind {
      kFinished,  ///< a file was converted or failed (report.outcome says which)
      kAborted,   ///< the batch ended on an error no file explains (problem)
      kEnded,     ///< the last event of the batch
    } kind;
    FileReport report;
    Text problem;
  };

  std::vector<Text> inputs;
  Text outputFolder;
  Text patternFolder;
  FileSystem* fs = nullptr;
  PathStyle style = PathStyle::kPosix;
  int workers = 1;
  PostToWindow post;
  std::function<void()> drain;  ///< posted to the window thread when events arrive
  /// Set by the window: no further file starts, those started finish.
  std::atomic<bool> stopped{false};

  /// Converts every input, past the ones that fail; runs on the worker thread.
  void Run();
  /// The events that arrived since the last call; window thread.
  std::deque<Event> Take();

 private:
  void Send(Event event);

  std::mutex mutex_;
  std::deque<Event> inbox_;
  bool drainPosted_ = false;
};

}  // namespace tecris2nx
