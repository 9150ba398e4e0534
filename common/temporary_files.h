#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tecris2nx {

/// Which run wrote a temporary output file, carried in its name: the machine (a hash of its
/// name), the process id, and the process's start time, which tells a reused id apart.
struct TemporaryOwner {
  std::uint32_t machine = 0;
  std::uint64_t process = 0;
  std::uint64_t started = 0;
  bool operator==(const TemporaryOwner&) const = default;
};

/// What the system says of a process id on this machine.
struct ProcessState {
  bool running = false;
  /// The start time of the process running under that id, when the system tells it.
  std::optional<std::uint64_t> started;
};

/// This process, as its temporary files name it.
TemporaryOwner ThisRun();
/// What runs under the process id now.
ProcessState StateOfProcess(std::uint64_t process);

/// The part of a temporary file's name that names its run ("<machine>-<process>-<started>",
/// each in hexadecimal digits, the machine in eight).
std::string OwnerMark(const TemporaryOwner& owner);
/// The run a temporary file's name gives, or none for a name without a mark (not a temporary
/// file, or one written before names carried their run).
std::optional<TemporaryOwner> OwnerOfTemporary(std::string_view name);

/// True when a file of this name is a temporary file of a run that has ended: written on this
/// machine by a process that is no longer running, or whose id now belongs to a process started
/// at another time. A file whose run cannot be told apart from a live one is never a leftover:
/// another run may still be writing it.
bool IsLeftoverTemporary(std::string_view name, const TemporaryOwner& self,
                         ProcessState (*stateOf)(std::uint64_t));

}  // namespace tecris2nx
