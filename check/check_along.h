#pragma once

#include <optional>

#include "check/checker.h"

namespace tecris2nx {

/// Check mode reading along another consumer of the walk (the conversion, the picture), in the
/// same pass and on the same thread: the walk goes to both, and a check that throws is dropped
/// without touching the other, whose work is worth more than the findings.
class CheckAlong : public SectionConsumer, public ReadObserver {
 public:
  /// `in` is observed from its first byte until Finish.
  CheckAlong(SectionConsumer& main, FieldReader& in, const FileSystem& fs,
             const CheckSettings& settings);
  ~CheckAlong() override;
  CheckAlong(const CheckAlong&) = delete;
  CheckAlong& operator=(const CheckAlong&) = delete;

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

 private:
  /// Runs a step of the check unless it was dropped; drops it when the step throws.
  template <typename Step>
  void Checked(Step step) {
    if (!checking_) return;
    try {
      step();
    } catch (const std::exception&) {
      checking_ = false;
    }
  }

  SectionConsumer& main_;
  FieldReader& in_;
  const CheckSettings settings_;  ///< the checker keeps a reference to it
  FileChecker checker_;
  bool checking_ = true;
};

}  // namespace tecris2nx
