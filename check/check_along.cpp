#include "check/check_along.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tecris2nx {

/// The check's own thread. The reader hands each piece of the file once, as it is loaded, and
/// then each field by its place alone; the thread keeps the bytes it has not walked past yet and
/// hands the checker the bytes up to each field, then the field, as reading inline does. Only a
/// handed-over section is shared, and the walk's thread waits for its check before the walk may
/// let it go.
class CheckAlong::Beside {
 public:
  explicit Beside(FileChecker& checker) : checker_(checker), thread_([this] { Run(); }) {}

  ~Beside() {
    {
      const std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  Beside(const Beside&) = delete;
  Beside& operator=(const Beside&) = delete;

  void AddBytes(std::string_view bytes, std::uint64_t offset) {
    if (filling_.bytes.size() + bytes.size() > kBytesPerBatch) Hand();
    Push({kBytes, static_cast<std::uint32_t>(filling_.bytes.size()),
          static_cast<std::uint32_t>(bytes.size()), offset, nullptr});
    filling_.bytes.append(bytes);
  }
  void AddField(std::uint64_t start, std::size_t size) {
    Push({kField, 0, static_cast<std::uint32_t>(size), start, nullptr});
  }
  /// The section is checked on the thread while the caller goes on; Drain before letting it go.
  void AddRead(const ReadSection& section) {
    Push({kRead, 0, 0, 0, &section});
    Hand();
  }
  /// The checker is handed the bytes up to `offset` and forgets those beyond.
  void AddWalkTo(std::uint64_t offset) { Push({kWalkTo, 0, 0, offset, nullptr}); }

  /// Waits until everything handed over is done. True when the check threw and was dropped; any
  /// other exception from it is thrown here.
  bool Drain() {
    Hand();
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return queue_.empty() && !busy_; });
    if (other_) std::rethrow_exception(std::exchange(other_, nullptr));
    return dropped_;
  }

 private:
  enum Kind : std::uint8_t { kBytes, kField, kRead, kWalkTo };
  struct Event {
    Kind kind;
    std::uint32_t at;  ///< where its bytes begin in the batch's bytes
    std::uint32_t size;
    std::uint64_t offset;
    const ReadSection* section;
  };
  struct Batch {
    std::vector<Event> events;
    std::string bytes;
  };
  // Few enough to keep the memory the batches take small beside the file's own storage.
  static constexpr std::size_t kEventsPerBatch = 4096;
  static constexpr std::size_t kBytesPerBatch = 64 * 1024;
  static constexpr std::size_t kBatchesQueued = 4;

  void Push(const Event& event) {
    filling_.events.push_back(event);
    if (filling_.events.size() >= kEventsPerBatch) Hand();
  }

  void Hand() {
    if (filling_.events.empty()) return;
    {
      std::unique_lock lock(mutex_);
      room_.wait(lock, [&] { return queue_.size() < kBatchesQueued; });
      queue_.push_back(std::move(filling_));
    }
    wake_.notify_one();
    filling_ = Batch();
    filling_.events.reserve(kEventsPerBatch);
  }

  void Run() {
    for (;;) {
      Batch batch;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return quit_ || !queue_.empty(); });
        if (quit_) return;
        batch = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
      }
      room_.notify_one();
      // Once dropped, the rest is only taken off the queue.
      if (!dropped_ && !other_) {
        try {
          for (const Event& e : batch.events) Do(e, batch.bytes);
        } catch (const std::exception&) {
          dropped_ = true;
        } catch (...) {
          other_ = std::current_exception();
        }
      }
      {
        const std::lock_guard lock(mutex_);
        busy_ = false;
      }
      done_.notify_all();
    }
  }

  void Do(const Event& e, const std::string& bytes) {
    switch (e.kind) {
      case kBytes:
        held_.append(bytes, e.at, e.size);
        break;
      case kField: {
        WalkTo(e.offset);
        const std::size_t at = static_cast<std::size_t>(e.offset - heldFrom_);
        checker_.Field(e.offset, std::string_view(held_).substr(at, e.size));
        break;
      }
      case kRead:
        checker_.Read(*e.section);
        break;
      case kWalkTo:
        WalkTo(e.offset);
        held_.resize(std::min(held_.size(), static_cast<std::size_t>(e.offset - heldFrom_)));
        break;
    }
  }

  void WalkTo(std::uint64_t offset) {
    const std::uint64_t end = std::min<std::uint64_t>(offset, heldFrom_ + held_.size());
    if (end <= walked_) return;
    const auto from = static_cast<std::size_t>(walked_ - heldFrom_);
    checker_.Bytes(std::string_view(held_).substr(from, static_cast<std::size_t>(end - walked_)),
                   walked_);
    walked_ = end;
    // What lies well behind is let go, now and then, so that the bytes held stay few.
    if (walked_ - heldFrom_ > kBytesPerBatch) {
      held_.erase(0, static_cast<std::size_t>(walked_ - heldFrom_));
      heldFrom_ = walked_;
    }
  }

  FileChecker& checker_;
  Batch filling_;  ///< the walk's thread's alone
  // The thread's alone: the bytes handed from heldFrom_ on, walked up to walked_.
  std::string held_;
  std::uint64_t heldFrom_ = 0;
  std::uint64_t walked_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;  ///< a batch was queued, or the thread is to end
  std::condition_variable room_;  ///< the queue has room
  std::condition_variable done_;  ///< the thread finished a batch
  std::deque<Batch> queue_;
  bool busy_ = false;
  bool quit_ = false;
  // Written by the thread while busy; read by the walk's thread after Drain has seen it idle.
  bool dropped_ = false;
  std::exception_ptr other_;
  std::thread thread_;  ///< last: it starts once everything above is ready
};

CheckAlong::CheckAlong(SectionConsumer& main, FieldReader& in, const FileSystem& fs,
                       const CheckSettings& settings, bool beside)
    : main_(main), in_(in), settings_(settings), checker_(fs, settings_) {
  in_.Observe(this);
  if (beside && std::thread::hardware_concurrency() > 1) {
    beside_ = std::make_unique<Beside>(checker_);
    in_.ObserveLoads(true);
  }
}

CheckAlong::~CheckAlong() {
  in_.ObserveLoads(false);
  in_.Observe(nullptr);
}

void CheckAlong::Drain() {
  if (beside_ && beside_->Drain()) checking_ = false;
}

void CheckAlong::Alone() {
  if (!beside_) return;
  beside_->AddWalkTo(in_.Position());
  Drain();
  beside_.reset();
  in_.ObserveLoads(false);
}

std::optional<FileCheck> CheckAlong::Finish(const Text& path) {
  // What is left of the file is read here, for the checker alone.
  Alone();
  std::optional<FileCheck> check;
  Checked([&] { check = checker_.Finish(in_, path); });
  in_.Observe(nullptr);
  if (!checking_) check.reset();
  return check;
}

void CheckAlong::Begin(std::size_t row) {
  main_.Begin(row);
  Drain();
  Checked([&] { checker_.Begin(row); });
}

void CheckAlong::Problem(const ConversionError& error, std::size_t row) {
  main_.Problem(error, row);
  Drain();
  Checked([&] { checker_.Problem(error, row); });
}

void CheckAlong::Read(const ReadSection& section) {
  if (!beside_ || !checking_) {
    main_.Read(section);
    Checked([&] { checker_.Read(section); });
    return;
  }
  beside_->AddRead(section);
  try {
    main_.Read(section);
  } catch (...) {
    Drain();  // the section is let go once this returns
    throw;
  }
  Drain();
}

void CheckAlong::Stopped(const WalkStop& stop, FieldReader& in) {
  main_.Stopped(stop, in);
  // The checker reads on from here itself: what it reads comes back to it directly.
  Alone();
  Checked([&] { checker_.Stopped(stop, in); });
}

void CheckAlong::Ended(const SectionStore& store) {
  main_.Ended(store);
  Drain();
  Checked([&] { checker_.Ended(store); });
}

void CheckAlong::Bytes(std::string_view bytes, std::uint64_t offset) {
  if (!checking_) return;
  if (beside_) return beside_->AddBytes(bytes, offset);
  Checked([&] { checker_.Bytes(bytes, offset); });
}

void CheckAlong::Field(std::uint64_t start, std::string_view bytes) {
  if (!checking_) return;
  if (beside_) return beside_->AddField(start, bytes.size());
  Checked([&] { checker_.Field(start, bytes); });
}

}  // namespace tecris2nx
