#include "app/window/pattern_search.h"

#include <exception>
#include <utility>

namespace tecris2nx {

PatternSearch::~PatternSearch() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

void PatternSearch::Cancel() {
  if (cancel_) *cancel_ = true;
}

void PatternSearch::Start(Walk walk, std::chrono::milliseconds interval,
                          std::function<void(const Text& folder)> visiting,
                          std::function<void(const Text& folder)> found) {
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  const std::weak_ptr<bool> alive = alive_;
  thread_ = std::thread([this, cancel = cancel_, walk = std::move(walk), interval, post = post_,
                         alive, visiting = std::move(visiting), found = std::move(found)] {
    auto lastShown = std::chrono::steady_clock::time_point();
    const auto visit = [&](const Text& folder) {
      const auto now = std::chrono::steady_clock::now();
      if (now - lastShown < interval) return;
      lastShown = now;
      post([alive, visiting, folder] {
        if (!alive.expired()) visiting(folder);
      });
    };
    Text folder;
    try {
      folder = walk(*cancel, visit);
    } catch (const std::exception&) {
      folder.clear();  // a walk that fails has found nothing
    }
    if (*cancel) folder.clear();
    post([this, alive, found, folder] {
      if (alive.expired()) return;
      if (thread_.joinable()) thread_.join();
      found(folder);
    });
  });
}

}  // namespace tecris2nx
