#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/window/window_view.h"
#include "common/text.h"

namespace tecris2nx {

/// The walk of the drives for the pattern data, on a thread beside the window. What it tells the
/// window comes on the window thread: the folder it is in, and at its end the folder found.
class PatternSearch {
 public:
  /// The walk itself (WindowEnvironment::searchPatternFolder).
  using Walk = std::function<Text(const std::atomic<bool>& cancel,
                                  const std::function<void(const Text& folder)>& visiting)>;

  explicit PatternSearch(PostToWindow post) : post_(std::move(post)) {}
  /// Cancels a walk still going and waits for it.
  ~PatternSearch();
  PatternSearch(const PatternSearch&) = delete;
  PatternSearch& operator=(const PatternSearch&) = delete;

  /// Starts the walk. `visiting` hears the folder being searched, once per `interval` at most;
  /// `found` hears the folder found, empty when none was, the walk failed or it was cancelled.
  /// Nothing is heard once this object is gone.
  void Start(Walk walk, std::chrono::milliseconds interval,
             std::function<void(const Text& folder)> visiting,
             std::function<void(const Text& folder)> found);
  /// The walk ends early, as if it had found nothing.
  void Cancel();

 private:
  PostToWindow post_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  std::thread thread_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tecris2nx
