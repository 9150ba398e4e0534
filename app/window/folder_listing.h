#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"
#include "tecris/tecris_files.h"

namespace tecris2nx {

/// Lists a folder's TECRIS files on a thread beside the window, one listing at a time: the names
/// reach the window thread as they are accepted, a few times a second at most.
class FolderListing {
 public:
  /// The names accepted since the last call, the files left out since then, and whether the
  /// listing has ended; window thread.
  using Arrived =
      std::function<void(std::vector<Text> names, std::vector<LeftOutFile> leftOut, bool done)>;

  /// `interval`: how often a long listing hands over names; `wait`: how long Start waits for a
  /// short listing to end.
  FolderListing(FileSystem* fs, PostToWindow post, std::chrono::milliseconds interval,
                std::chrono::milliseconds wait)
      : fs_(fs), post_(std::move(post)), interval_(interval), wait_(wait) {}
  ~FolderListing() { Stop(); }
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  /// Ends the listing under way and lists `folder`. A short listing is waited for and handed over
  /// whole before this returns, so the list does not flicker; a long one leaves the window usable
  /// meanwhile. `arrived` is called at least once (with no names for an empty folder); after its
  /// first names, only with more or at the end.
  void Start(const Text& folder, Arrived arrived);
  /// Ends the listing under way, if any, and waits for its thread (it stops at the next file).
  void Stop();

 private:
  struct Inbox;
  /// Hands over the names the listing accepted since the last look.
  void Take();

  FileSystem* fs_;
  PostToWindow post_;
  std::chrono::milliseconds interval_;
  std::chrono::milliseconds wait_;
  std::shared_ptr<Inbox> inbox_;
  Arrived arrived_;
  bool handedOver_ = false;  ///< the listing has handed over some names
  bool endTold_ = false;     ///< `arrived` has been told that the listing ended
  std::thread thread_;
  std::chrono::steady_clock::time_point lastHandedOver_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tecris2nx
