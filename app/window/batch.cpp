#include "app/window/batch.h"

#include <exception>
#include <utility>

namespace tecris2nx {

void WindowBatch::Send(Event event) {
  bool postNow = false;
  {
    std::lock_guard lock(mutex_);
    inbox_.push_back(std::move(event));
    postNow = !drainPosted_;
    drainPosted_ = true;
  }
  // One drain per burst: the window takes every event waiting at once.
  if (postNow) post(drain);
}

std::deque<WindowBatch::Event> WindowBatch::Take() {
  std::lock_guard lock(mutex_);
  drainPosted_ = false;
  return std::exchange(inbox_, {});
}

void WindowBatch::Run() {
  // Counted on every run: the details list gives each file's warnings and their places.
  const RunEnvironment env{*fs, patternFolder, style, workers, true};
  const auto finished = [this](std::size_t, const FileReport& report) {
    Send({Event::Kind::kFinished, report, {}});
    return true;  // a file that fails is reported; the others are still converted
  };
  try {
    ConvertFilesInOrder(inputs, outputFolder, env, finished, [this] { return !stopped; });
  } catch (const std::exception& e) {
    Send({Event::Kind::kAborted, {}, UnexpectedErrorText(e.what())});
  }
  Send({Event::Kind::kEnded, {}, {}});
}

}  // namespace tecris2nx
