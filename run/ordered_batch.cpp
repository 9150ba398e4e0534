#include "run/ordered_batch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "common/text.h"

namespace tecris2nx {
namespace {

/// Thrown inside a worker whose file will never be written because the batch has stopped.
struct BatchStopped {};

/// A held file's key: its folder and its name, cut at the last separator of either kind, so that
/// a file written as one of a folder's files is found again by its whole path.
std::pair<Text, Text> HeldKey(const Text& path) {
  const std::size_t cut = path.find_last_of(U"/\\");
  if (cut == Text::npos) return {Text(), path};
  return {path.substr(0, cut), path.substr(cut + 1)};
}

/// A file system whose changes are held back, in order, until the file's turn; reads see them.
/// Once the file's turn has come, changes go straight through after those held back. Files
/// written together stay together: they reach the real file system as one set of files.
class HeldBackFileSystem : public FileSystem {
 public:
  HeldBackFileSystem(FileSystem& real, const std::atomic<bool>& stopped)
      : real_(real), stopped_(stopped) {}

  EntryKind KindOf(const Text& path) const override {
    std::lock_guard lock(mutex_);
    if (files_.count(HeldKey(path)) != 0) return EntryKind::kFile;
    if (folders_.count(path) != 0) return EntryKind::kFolder;
    return real_.KindOf(path);
  }

  void MakeFolder(const Text& path) override {
    std::lock_guard lock(mutex_);
    if (stopped_) throw BatchStopped();
    if (through_) {
      WriteHeldLocked();
      real_.MakeFolder(path);
      return;
    }
    changes_.push_back({Change::kFolder, path, {}});
    folders_.insert(path);
  }

  std::string ReadAll(const Text& path) const override {
    std::lock_guard lock(mutex_);
    if (const std::string* held = HeldLocked(path)) return *held;
    return real_.ReadAll(path);
  }

  std::string ReadBack(const Text& path) const override {
    std::lock_guard lock(mutex_);
    if (const std::string* held = HeldLocked(path)) return *held;
    return real_.ReadBack(path);
  }

  std::unique_ptr<ByteSource> OpenReadBack(const Text& path) const override {
    {
      std::lock_guard lock(mutex_);
      if (HeldLocked(path) == nullptr) return real_.OpenReadBack(path);
    }
    return FileSystem::OpenReadBack(path);  // the held bytes, through ReadBack
  }

  std::unique_ptr<ByteSource> OpenForReading(const Text& path) const override {
    {
      std::lock_guard lock(mutex_);
      if (HeldLocked(path) == nullptr) return real_.OpenForReading(path);
    }
    return FileSystem::OpenForReading(path);  // the held bytes, through ReadAll
  }

  void WriteAll(const Text& path, std::string_view bytes) override {
    const auto [folder, name] = HeldKey(path);
    std::lock_guard lock(mutex_);
    if (stopped_) throw BatchStopped();
    if (through_) {
      WriteHeldLocked();
      real_.WriteAll(path, bytes);
      return;
    }
    changes_.push_back({Change::kFile, path, {{name, std::string(bytes)}}});
    files_[{folder, name}] = {changes_.size() - 1, 0};
  }

  void WriteFiles(const Text& folder, const NamedFiles& files) override { Write(folder, files); }
  void WriteGivenFiles(const Text& folder, NamedFiles&& files) override {
    Write(folder, std::move(files));
  }

  std::int64_t FileSize(const Text& path) const override {
    std::lock_guard lock(mutex_);
    if (const std::string* held = HeldLocked(path)) return static_cast<std::int64_t>(held->size());
    return real_.FileSize(path);
  }

  // A file's conversion lists nothing and changes no drive: these go to the real file system.
  std::vector<Text> ListFiles(const Text& folder) const override { return real_.ListFiles(folder); }
  std::vector<Text> ListFolders(const Text& folder) const override {
    return real_.ListFolders(folder);
  }
  bool MakeDriveCurrent(char32_t letter) override { return real_.MakeDriveCurrent(letter); }

  /// The file's turn has come: further changes go straight through.
  void WriteThrough() {
    std::lock_guard lock(mutex_);
    through_ = true;
  }

  /// Makes the changes held back, in order; the first that fails ends it and is rethrown.
  void WriteHeld() {
    std::lock_guard lock(mutex_);
    WriteHeldLocked();
  }

 private:
  /// A folder made, one file written by its path, or files written together into a folder.
  struct Change {
    enum Kind { kFolder, kFile, kFiles } kind;
    Text path;         ///< the folder made, the file written, or the folder written into
    NamedFiles files;  ///< one file for kFile
  };

  /// The files of WriteFiles, copied only when held.
  template <typename Files>
  void Write(const Text& folder, Files&& files) {
    std::lock_guard lock(mutex_);
    if (stopped_) throw BatchStopped();
    if (through_) {
      WriteHeldLocked();
      WriteRealFiles(folder, files);
      return;
    }
    changes_.push_back({Change::kFiles, folder, std::forward<Files>(files)});
    const NamedFiles& held = changes_.back().files;
    for (std::size_t i = 0; i < held.size(); ++i) {
      files_[{folder, held[i].first}] = {changes_.size() - 1, i};
    }
  }

  /// Writes files together, as the real WriteFiles does, through one set for all of a folder's
  /// groups: the folder is opened once for the file's conversion, not once a group.
  void WriteRealFiles(const Text& folder, const NamedFiles& files) {
    if (!realFiles_ || realFolder_ != folder) {
      realFiles_ = real_.BeginFiles(folder);
      realFolder_ = folder;
    }
    try {
      CommitFiles(*realFiles_, files);
    } catch (...) {
      realFiles_.reset();  // the set is done with: what it began is removed
      throw;
    }
  }

  const std::string* HeldLocked(const Text& path) const {
    const auto it = files_.find(HeldKey(path));
    if (it == files_.end()) return nullptr;
    return &changes_[it->second.first].files[it->second.second].second;
  }

  void WriteHeldLocked() {
    std::vector<Change> changes;
    changes.swap(changes_);
    files_.clear();
    folders_.clear();
    for (const Change& change : changes) {
      switch (change.kind) {
        case Change::kFolder:
          real_.MakeFolder(change.path);
          break;
        case Change::kFile:
          real_.WriteAll(change.path, change.files[0].second);
          break;
        case Change::kFiles:
          WriteRealFiles(change.path, change.files);
          break;
      }
    }
  }

  FileSystem& real_;
  const std::atomic<bool>& stopped_;
  mutable std::mutex mutex_;
  bool through_ = false;
  std::vector<Change> changes_;
  /// The latest change of each file held back: which change, which of its files.
  std::map<std::pair<Text, Text>, std::pair<std::size_t, std::size_t>> files_;
  std::set<Text> folders_;
  std::unique_ptr<FileSet> realFiles_;  ///< the real set of the folder written into last
  Text realFolder_;
};

/// Files converted one after another on the calling thread: nothing is held back.
class DirectTurn : public FileTurn {
 public:
  explicit DirectTurn(FileSystem& fs) : fs_(fs) {}
  FileSystem& fs() override { return fs_; }
  void ClaimJob(const Text&) override {}

 private:
  FileSystem& fs_;
};

void ConvertOneByOne(std::size_t count, FileSystem& fs,
                     const std::function<void(std::size_t, FileTurn&)>& convert,
                     const std::function<bool(std::size_t, std::exception_ptr)>& finished) {
  DirectTurn turn(fs);
  for (std::size_t i = 0; i < count; ++i) {
    std::exception_ptr error;
    try {
      convert(i, turn);
    } catch (...) {
      error = std::current_exception();
    }
    if (!finished(i, error)) return;
  }
}

class Batch {
 public:
  Batch(std::size_t count, int workers, FileSystem& fs,
        const std::function<void(std::size_t, FileTurn&)>& convert)
      : slots_(count), workers_(static_cast<std::size_t>(workers)), fs_(fs), convert_(convert) {}

  /// Takes files in index order and converts them until none is left or the batch stops.
  void Work() {
    for (;;) {
      std::size_t index = 0;
      {
        std::unique_lock lock(mutex_);
        // Files converted ahead hold their output until their turn: keep that to a few each.
        window_.wait(lock, [&] {
          return stopped_ || next_ >= slots_.size() || next_ < written_ + 2 * workers_;
        });
        if (stopped_ || next_ >= slots_.size()) return;
        index = next_++;
        slots_[index].fs = std::make_unique<HeldBackFileSystem>(fs_, stopped_);
      }
      reporter_.notify_one();
      Turn turn(*this, index);
      std::exception_ptr error;
      try {
        convert_(index, turn);
      } catch (const BatchStopped&) {
        // Never to be written: nothing to report.
      } catch (...) {
        error = std::current_exception();
      }
      {
        std::lock_guard lock(mutex_);
        slots_[index].error = error;
        slots_[index].jobKnown = true;  // a file that claimed no job keeps no one waiting
        slots_[index].done = true;
      }
      reporter_.notify_one();
      jobs_.notify_all();
    }
  }

  /// Writes each file in turn and reports it; returns what `finished` threw, if anything.
  std::exception_ptr WriteInOrder(
      const std::function<bool(std::size_t, std::exception_ptr)>& finished) {
    std::exception_ptr thrown;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      Slot& slot = slots_[i];
      HeldBackFileSystem* fs = nullptr;
      {
        std::unique_lock lock(mutex_);
        reporter_.wait(lock, [&] { return slot.fs != nullptr; });
        fs = slot.fs.get();
      }
      fs->WriteThrough();
      {
        std::unique_lock lock(mutex_);
        reporter_.wait(lock, [&] { return slot.done; });
      }
      // What was held back came before anything the conversion threw later.
      std::exception_ptr error = slot.error;
      try {
        fs->WriteHeld();
      } catch (...) {
        error = std::current_exception();
      }
      bool go = false;
      try {
        go = finished(i, error);
      } catch (...) {
        thrown = std::current_exception();
      }
      {
        std::lock_guard lock(mutex_);
        written_ = i + 1;
        slot.fs.reset();
      }
      window_.notify_all();
      jobs_.notify_all();
      if (!go) break;
    }
    Stop();
    return thrown;
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    reporter_.notify_all();
    window_.notify_all();
    jobs_.notify_all();
  }

 private:
  struct Slot {
    std::unique_ptr<HeldBackFileSystem> fs;
    Text jobName;
    bool jobKnown = false;
    bool done = false;
    std::exception_ptr error;
  };

  class Turn : public FileTurn {
   public:
    Turn(Batch& batch, std::size_t index) : batch_(batch), index_(index) {}
    FileSystem& fs() override { return *batch_.slots_[index_].fs; }
    void ClaimJob(const Text& jobName) override { batch_.ClaimJob(index_, jobName); }

   private:
    Batch& batch_;
    std::size_t index_;
  };

  void ClaimJob(std::size_t index, const Text& jobName) {
    std::unique_lock lock(mutex_);
    slots_[index].jobName = jobName;
    slots_[index].jobKnown = true;
    jobs_.notify_all();
    if (jobName.empty()) return;
    jobs_.wait(lock, [&] {
      if (stopped_) return true;
      for (std::size_t j = written_; j < index; ++j) {
        if (!slots_[j].jobKnown || SameJob(slots_[j].jobName, jobName)) return false;
      }
      return true;
    });
    if (stopped_) throw BatchStopped();
  }

  std::mutex mutex_;
  // One condition per kind of waiter, so that a change wakes only the threads it concerns.
  std::condition_variable reporter_;  ///< the calling thread: a file taken or done
  std::condition_variable window_;    ///< workers waiting for room to convert ahead
  std::condition_variable jobs_;      ///< workers waiting for an earlier file of their job
  std::vector<Slot> slots_;
  std::size_t next_ = 0;     ///< the next file to start
  std::size_t written_ = 0;  ///< files written and reported
  std::atomic<bool> stopped_{false};
  std::size_t workers_;
  FileSystem& fs_;
  const std::function<void(std::size_t, FileTurn&)>& convert_;
};

}  // namespace

bool SameJob(const Text& a, const Text& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char32_t x, char32_t y) { return FoldedLetter(x) == FoldedLetter(y); });
}

int DefaultWorkers() {
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cores, 1u, 8u));
}

void ConvertInOrder(std::size_t count, int workers, FileSystem& fs,
                    const std::function<void(std::size_t, FileTurn&)>& convert,
                    const std::function<bool(std::size_t, std::exception_ptr)>& finished) {
  workers = static_cast<int>(
      std::min<std::size_t>(static_cast<std::size_t>(std::max(workers, 1)), count));
  if (workers <= 1) return ConvertOneByOne(count, fs, convert, finished);

  Batch batch(count, workers, fs, convert);
  std::vector<std::thread> threads;
  for (int i = 0; i < workers; ++i) {
    try {
      threads.emplace_back([&batch] { batch.Work(); });
    } catch (const std::system_error&) {
      break;  // the system gives no more threads: work with those there are
    }
  }
  if (threads.empty()) return ConvertOneByOne(count, fs, convert, finished);
  std::exception_ptr thrown;
  try {
    thrown = batch.WriteInOrder(finished);
  } catch (...) {
    thrown = std::current_exception();
    batch.Stop();
  }
  for (std::thread& thread : threads) thread.join();
  if (thrown) std::rethrow_exception(thrown);
}

}  // namespace tecris2nx
