#include "common/temporary_files.h"

#include <charconv>

#include "common/file_system.h"

namespace tecris2nx {
namespace {

/// Reads a number in the given base up to `stop` (or to the end), advancing `text` past both.
bool TakeNumber(std::string_view& text, char stop, int base, std::uint64_t& value) {
  const std::size_t end = stop == '\0' ? text.size() : text.find(stop);
  if (end == std::string_view::npos || end == 0) return false;
  const auto [last, error] = std::from_chars(text.data(), text.data() + end, value, base);
  if (error != std::errc() || last != text.data() + end) return false;
  text.remove_prefix(stop == '\0' ? end : end + 1);
  return true;
}

}  // namespace

std::string OwnerMark(const TemporaryOwner& owner) {
  // Hexadecimal, to keep temporary paths short where Windows limits a path's length.
  const auto hex = [](std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
      text.insert(text.begin(), kDigits[value & 0xF]);
      value >>= 4;
    } while (value != 0 || static_cast<int>(text.size()) < digits);
    return text;
  };
  return hex(owner.machine, 8) + "-" + hex(owner.process, 1) + "-" + hex(owner.started, 1);
}

std::optional<TemporaryOwner> OwnerOfTemporary(std::string_view name) {
  if (!name.ends_with(kTemporarySuffix)) return std::nullopt;
  name.remove_suffix(std::string_view(kTemporarySuffix).size());
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::string_view mark = name.substr(dot + 1);
  if (mark.size() < 12 || mark[8] != '-') return std::nullopt;  // eight digits for the machine
  std::uint64_t machine = 0;
  TemporaryOwner owner;
  if (!TakeNumber(mark, '-', 16, machine) || !TakeNumber(mark, '-', 16, owner.process) ||
      !TakeNumber(mark, '\0', 16, owner.started)) {
    return std::nullopt;
  }
  owner.machine = static_cast<std::uint32_t>(machine);
  return owner;
}

bool IsLeftoverTemporary(std::string_view name, const TemporaryOwner& self,
                         ProcessState (*stateOf)(std::uint64_t)) {
  const std::optional<TemporaryOwner> owner = OwnerOfTemporary(name);
  // Another machine's processes cannot be asked after (a job folder on a file server).
  if (!owner || owner->machine != self.machine) return false;
  if (*owner == self) return false;  // this run's own, perhaps being written on another thread
  const ProcessState state = stateOf(owner->process);
  if (!state.running) return true;
  return state.started && *state.started != owner->started;
}

}  // namespace tecris2nx
