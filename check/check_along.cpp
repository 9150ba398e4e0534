#include "check/check_along.h"

#include <exception>
#include <thread>

namespace tecris2nx {

CheckAlong::CheckAlong(SectionConsumer& main, FieldReader& in, const FileSystem& fs,
                       const CheckSettings& settings)
    : main_(main), in_(in), settings_(settings), checker_(fs, settings_) {
  in_.Observe(this);
}

CheckAlong::~CheckAlong() { in_.Observe(nullptr); }

std::optional<FileCheck> CheckAlong::Finish(const Text& path) {
  std::optional<FileCheck> check;
  Checked([&] { check = checker_.Finish(in_, path); });
  in_.Observe(nullptr);
  if (!checking_) check.reset();
  return check;
}

void CheckAlong::Begin(std::size_t row) {
  main_.Begin(row);
  Checked([&] { checker_.Begin(row); });
}

void CheckAlong::Problem(const ConversionError& error, std::size_t row) {
  main_.Problem(error, row);
  Checked([&] { checker_.Problem(error, row); });
}

namespace {

/// A section this large is checked on a thread of its own while the other consumer works on it:
/// below it, starting the thread costs more than it saves.
constexpr std::int64_t kCellsWorthAThread = 20000;

bool WorthAThread(const ReadSection& section) {
  if (!section.handler.records || std::thread::hardware_concurrency() < 2) return false;
  const RecordTable& table = *section.handler.records(section.data);
  return std::int64_t{table.count()} * table.values() >= kCellsWorthAThread;
}

}  // namespace

void CheckAlong::Read(const ReadSection& section) {
  if (!checking_ || !WorthAThread(section)) {
    main_.Read(section);
    Checked([&] { checker_.Read(section); });
    return;
  }
  // Both only read the section's storage; the checker writes to its own state alone.
  bool dropped = false;
  std::exception_ptr other;
  std::thread check([&] {
    try {
      checker_.Read(section);
    } catch (const std::exception&) {
      dropped = true;
    } catch (...) {
      other = std::current_exception();
    }
  });
  try {
    main_.Read(section);
  } catch (...) {
    check.join();
    throw;
  }
  check.join();
  if (dropped) checking_ = false;
  if (other) std::rethrow_exception(other);
}

void CheckAlong::Stopped(const WalkStop& stop, FieldReader& in) {
  main_.Stopped(stop, in);
  Checked([&] { checker_.Stopped(stop, in); });
}

void CheckAlong::Ended(const SectionStore& store) {
  main_.Ended(store);
  Checked([&] { checker_.Ended(store); });
}

void CheckAlong::Bytes(std::string_view bytes, std::uint64_t offset) {
  Checked([&] { checker_.Bytes(bytes, offset); });
}

void CheckAlong::Field(std::uint64_t start, std::string_view bytes) {
  Checked([&] { checker_.Field(start, bytes); });
}

}  // namespace tecris2nx
