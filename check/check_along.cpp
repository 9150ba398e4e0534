#include "check/check_along.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tecris2nx {

/// The check's own thread. The reader hands each piece of the file once, as it is loaded, and
/// then each field by its place alone; the thread hands the checker each piece and keeps its
/// bytes until the fields in it have been handed on. Only a handed-over section is shared, and
/// the walk's thread waits for its check before the walk may let it go.
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
    Push({offset, static_cast<std::uint32_t>(bytes.size()), kBytes});
    filling_.bytes.append(bytes);
  }
  void AddField(const ObservedField& field) {
    Push({field.start, static_cast<std::uint32_t>(field.bytes.size()), field.number});
  }
  /// The section is checked on the thread while the caller goes on; Drain before letting it go.
  void AddRead(const ReadSection& section) {
    filling_.section = std::make_unique<ReadSection>(section);
    Push({0, 0, kRead});
    Hand();
  }
  /// The checker hears of a section's start on the thread, in order: the walk need not wait.
  void AddBegin(std::size_t row) { Push({0, static_cast<std::uint32_t>(row), kBegin}); }

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
  // Small: one is written for every field of the file.
  struct Event {
    std::uint64_t offset;
    std::uint32_t size;
    std::int32_t kind;  ///< a field's number in its section, or kBytes, kRead or kBegin
  };
  static constexpr std::int32_t kBytes = -1;
  static constexpr std::int32_t kRead = -2;
  static constexpr std::int32_t kBegin = -3;  ///< the row in `size`
  struct Batch {
    std::vector<Event> events;
    std::string bytes;                     ///< the pieces of its kBytes events, one after another
    std::unique_ptr<ReadSection> section;  ///< of its kRead event, always its last
  };
  // Few enough to keep the memory the batches take small beside the file's own storage.
  static constexpr std::size_t kEventsPerBatch = 16384;
  static constexpr std::size_t kBytesPerBatch = 256 * 1024;
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
      // A batch done with is filled again: its room is already there.
      if (spare_.empty()) {
        filling_ = Batch();
      } else {
        filling_ = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    wake_.notify_one();
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
          std::size_t at = 0;
          for (const Event& e : batch.events) Do(e, batch, at);
        } catch (const std::exception&) {
          dropped_ = true;
        } catch (...) {
          other_ = std::current_exception();
        }
      }
      batch.events.clear();
      batch.bytes.clear();
      batch.section.reset();
      {
        const std::lock_guard lock(mutex_);
        busy_ = false;
        if (spare_.size() < kBatchesQueued) spare_.push_back(std::move(batch));
      }
      done_.notify_all();
    }
  }

  /// `at`: where the next kBytes event's piece begins in the batch's bytes.
  void Do(const Event& e, const Batch& batch, std::size_t& at) {
    switch (e.kind) {
      case kBytes: {
        const std::string_view piece = std::string_view(batch.bytes).substr(at, e.size);
        at += e.size;
        checker_.Bytes(piece, e.offset);
        held_.append(piece);
        break;
      }
      default: {
        // A field. What lies well before it is let go, now and then, so that the bytes held stay
        // few: fields come in the order of the file.
        if (e.offset - heldFrom_ > kBytesPerBatch) {
          held_.erase(0, static_cast<std::size_t>(e.offset - heldFrom_));
          heldFrom_ = e.offset;
        }
        const std::size_t from = static_cast<std::size_t>(e.offset - heldFrom_);
        const ObservedField field{e.offset, std::string_view(held_).substr(from, e.size), e.kind};
        checker_.Fields(std::span(&field, 1));
        break;
      }
      case kRead:
        checker_.Read(*batch.section);
        break;
      case kBegin:
        checker_.Begin(e.size);
        break;
    }
  }

  // Each thread's own members on cache lines of their own: the walk's thread writes filling_
  // for every field, and sharing a line with the other thread's would slow both.
  static constexpr std::size_t kLine = 64;
  FileChecker& checker_;
  alignas(kLine) Batch filling_;  ///< the walk's thread's alone
  // The thread's alone: the bytes handed from heldFrom_ on.
  alignas(kLine) std::string held_;
  std::uint64_t heldFrom_ = 0;
  alignas(kLine) std::mutex mutex_;
  std::condition_variable wake_;  ///< a batch was queued, or the thread is to end
  std::condition_variable room_;  ///< the queue has room
  std::condition_variable done_;  ///< the thread finished a batch
  std::deque<Batch> queue_;
  std::vector<Batch> spare_;  ///< batches done with, to be filled again
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
  }
  // Bytes in whole loads rather than field by field: the checker finds places by offset.
  in_.ObserveLoads(true);
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
  Drain();
  beside_.reset();
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
  if (beside_ && checking_) return beside_->AddBegin(row);
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
  // Even a section kept to the end of the walk is waited for: the walk's storage goes when the
  // walk ends, by an error too, and the check must not outlive it.
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

void CheckAlong::Fields(std::span<const ObservedField> fields) {
  if (!checking_) return;
  if (beside_) {
    for (const ObservedField& field : fields) beside_->AddField(field);
    return;
  }
  Checked([&] { checker_.Fields(fields); });
}

void CheckAlong::Field(std::uint64_t start, std::string_view bytes) {
  if (!checking_) return;
  if (beside_) return beside_->AddField({start, bytes, in_.SectionFieldCount()});
  Checked([&] { checker_.Field(start, bytes); });
}

}  // namespace tecris2nx
