#include "check/check_along.h"

#include <exception>

namespace tecris2nx {

CheckAlong::CheckAlong(SectionConsumer& main, FieldReader& in, const FileSystem& fs,
                       const CheckSettings& settings)
    : main_(main), in_(in), settings_(settings), checker_(fs, settings_) {
  in_.Observe(this);
}

CheckAlong::~CheckAlong() { in_.Observe(nullptr); }

std::optional<FileCheck> CheckAlong::Finish(const Text& path) {
  // What is left of the file is read here, for the checker alone.
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

void CheckAlong::Read(const ReadSection& section) {
  main_.Read(section);
  Checked([&] { checker_.Read(section); });
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
