#include "app/window/folder_listing.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

#include "tecris/tecris_files.h"

namespace tecris2nx {

/// What a listing hands the window thread.
struct FolderListing::Inbox {
  std::atomic<bool> cancel{false};
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Text> names;  ///< accepted, not yet handed over
  std::vector<LeftOutFile> leftOut;
  bool done = false;
  bool takePosted = false;
};

void FolderListing::Start(const Text& folder, Arrived arrived) {
  Stop();
  auto inbox = std::make_shared<Inbox>();
  inbox_ = inbox;
  arrived_ = std::move(arrived);
  handedOver_ = false;
  endTold_ = false;
  const std::weak_ptr<bool> alive = alive_;
  thread_ = std::thread([this, inbox, alive, fs = fs_, folder, post = post_] {
    const auto send = [&](const std::function<void(Inbox&)>& change) {
      bool postNow = false;
      {
        std::lock_guard lock(inbox->mutex);
        change(*inbox);
        postNow = !inbox->takePosted;
        inbox->takePosted = true;
      }
      inbox->changed.notify_all();
      // One look per burst; a listing the window no longer waits for posts nothing.
      if (postNow && !inbox->cancel) {
        post([this, inbox, alive] {
          if (!alive.expired() && inbox_ == inbox) Take();
        });
      }
    };
    try {
      ListTecrisFiles(
          *fs, folder,
          [&](const Text& name) { send([&](Inbox& in) { in.names.push_back(name); }); },
          [&] { return !inbox->cancel; },
          [&](const LeftOutFile& file) { send([&](Inbox& in) { in.leftOut.push_back(file); }); });
    } catch (const std::exception&) {
      // A folder that cannot be listed simply offers no files.
    }
    send([](Inbox& in) { in.done = true; });
  });
  {
    std::unique_lock lock(inbox->mutex);
    inbox->changed.wait_for(lock, wait_, [&] { return inbox->done; });
  }
  Take();
}

void FolderListing::Stop() {
  if (!inbox_) return;
  inbox_->cancel = true;
  if (thread_.joinable()) thread_.join();
}

void FolderListing::Take() {
  Inbox& inbox = *inbox_;
  std::vector<Text> names;
  std::vector<LeftOutFile> leftOut;
  bool done = false;
  const auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard lock(inbox.mutex);
    inbox.takePosted = false;
    // A long list is handed over a few times a second, not once per name.
    if (!inbox.done && handedOver_ && now - lastHandedOver_ < interval_) return;
    names = std::exchange(inbox.names, {});
    leftOut = std::exchange(inbox.leftOut, {});
    done = inbox.done;
  }
  lastHandedOver_ = now;
  if (done && thread_.joinable()) thread_.join();
  // Nothing new: said once more only for the end, which a list held back waits for.
  if (names.empty() && leftOut.empty() && (done ? endTold_ : handedOver_)) return;
  handedOver_ = handedOver_ || !names.empty();
  endTold_ = endTold_ || done;
  arrived_(std::move(names), std::move(leftOut), done);
}

}  // namespace tecris2nx
