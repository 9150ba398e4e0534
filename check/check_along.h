#pragma once

#include <memory>
#include <optional>

#include "check/checker.h"

namespace tecris2nx {

/// Check mode reading along another consumer of the walk (the conversion, the picture), in the
/// same pass: the walk goes to both, and a check that throws is dropped without touching the
/// other, whose work is worth more than the findings.
///
/// Beside a large file the check works on a thread of its own: the reader hands it each piece
/// of the file once and each field by its place, in batches, and it checks a read section while
/// the other consumer writes it, so that counting warnings costs the walk's thread little.
class CheckAlong : public SectionConsumer, public ReadObserver {
 public:
  /// `in` is observed from its first byte until Finish; `beside` puts the check on its own
  /// thread.
  CheckAlong(SectionConsumer& main, FieldReader& in, const FileSystem& fs,
             const CheckSettings& settings, bool beside = false);
  ~CheckAlong() override;
  CheckAlong(const CheckAlong&) = delete;
  CheckAlong& operator=(const CheckAlong&) = delete;

  /// Files from this size on are worth a thread of their own for their check.
  static constexpr std::int64_t kBesideFrom = std::int64_t{1} << 20;

  /// The findings once the walk has ended; none when the check was dropped.
  std::optional<FileCheck> Finish(const Text& path);

  void Begin(std::size_t row) override;
  void Problem(const ConversionError& error, std::size_t row) override;
  void Read(const ReadSection& section) override;
  void Stopped(const WalkStop& stop, FieldReader& in) override;
  void Ended(const SectionStore& store) override;
  /// Past the main consumer's error the walk goes on for the check: its findings cover the file.
  bool WantsMore() const override { return main_.WantsMore() || checking_; }
  void Bytes(std::string_view bytes, std::uint64_t offset) override;
  void Field(std::uint64_t start, std::string_view bytes) override;
  void Fields(std::span<const ObservedField> fields) override;
  bool WantsEveryField() const override { return checker_.WantsEveryField(); }

 private:
  template <typename Step>
  void Checked(Step step) {
    if (!checking_) return;
    try {
      step();
    } catch (const std::exception&) {
      checking_ = false;
    }
  }
  /// Waits until the thread has done everything handed to it; the checker is then the caller's.
  void Drain();
  /// Ends the thread: the checker reads on from the reader's place, as inline.
  void Alone();

  class Beside;
  SectionConsumer& main_;
  FieldReader& in_;
  const CheckSettings settings_;  ///< the checker keeps a reference to it
  FileChecker checker_;
  bool checking_ = true;
  std::unique_ptr<Beside> beside_;  ///< the check's thread, when it has one
};

}  // namespace tecris2nx
