#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"
#include "log/borehole.h"

namespace tecris2nx {

/// Reads the boring logs the window asks for on a thread beside it (a file of 10,000 layers takes
/// a noticeable moment), one at a time. Asked again while one is read, the last file asked for is
/// read next; those asked for in between are never read.
class BoringLogReader {
 public:
  /// Window thread: a reading starts.
  using Started = std::function<void()>;
  /// Window thread: the last file asked for was read (`hole`) or could not be (`error`); `name`
  /// is the name it was asked for by.
  using Read = std::function<void(const Text& name, std::shared_ptr<const boringlog::Borehole> hole,
                                  const Text& error)>;

  BoringLogReader(FileSystem* fs, PostToWindow post, Started started, Read read)
      : fs_(fs), post_(std::move(post)), started_(std::move(started)), read_(std::move(read)) {}
  /// Waits for a reading still going: it cannot be stopped half-way, and takes well under a second.
  ~BoringLogReader();
  BoringLogReader(const BoringLogReader&) = delete;
  BoringLogReader& operator=(const BoringLogReader&) = delete;

  /// Asks for the file at `path`, known as `name`, with the pattern data of `patternFolder`. The
  /// file being read is not asked for twice.
  void Ask(const Text& name, const Text& path, const Text& patternFolder);

 private:
  struct Request {
    Text name;
    Text path;
    Text patternFolder;
  };
  void Start(Request request);
  void Finish(std::shared_ptr<const boringlog::Borehole> hole, const Text& error);

  FileSystem* fs_;
  PostToWindow post_;
  Started started_;
  Read read_;
  std::thread thread_;
  Text reading_;  ///< the name of the file being read
  Request next_;  ///< asked for while another was read; no name: none
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tecris2nx
