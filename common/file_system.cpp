#include "common/file_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "common/error.h"
#include "common/file_system_host.h"
#include "common/system_calls.h"
#include "common/system_error_text.h"
#include "common/temporary_files.h"

namespace fs = std::filesystem;

namespace tecris2nx {

namespace host {

FileSystemError FileProblem(const char32_t* what, const Text& path, const Text& reason) {
  Text message = what;
  message += U": ";
  message += ShownName(path);
  if (!reason.empty()) {
    message += U"（";
    message += reason;
    message += U"）";
  }
  return FileSystemError(message);
}

std::pair<Text, Text> SplitLast(const Text& path) {
#ifdef _WIN32
  const std::size_t cut = path.find_last_of(U"\\/");
#else
  const std::size_t cut = path.find_last_of(U'/');
#endif
  if (cut == Text::npos) return {Text(), path};
  return {cut == 0 ? path.substr(0, 1) : path.substr(0, cut), path.substr(cut + 1)};
}

void RemoveLeftovers(SystemCalls& calls, const Text& folder) {
  try {
    static const TemporaryOwner self = ThisRun();
    std::vector<Text> leftovers;
    std::error_code ec;
    fs::directory_iterator it(NativePath(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      const Text name = FromNativePath(it->path().filename());
      if (IsLeftoverTemporary(ToUtf8(name), self, StateOfProcess)) leftovers.push_back(name);
    }
    if (leftovers.empty()) return;
    OutputFolder out(calls, folder, folder);
    for (const Text& name : leftovers) out.Remove(name);
  } catch (const std::exception&) {
    // A folder that cannot be read or opened keeps its leftovers; the run goes on.
  }
}

}  // namespace host

namespace {

using host::FileProblem;
using host::kCannotWrite;

template <typename Accept>
std::vector<Text> ListEntries(const Text& folder, Accept accept) {
  std::vector<Text> names;
  std::error_code ec;
  fs::directory_iterator it(host::NativePath(folder), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeEc;
    if (accept(*it, typeEc) && !typeEc)
      names.push_back(host::FromNativePath(it->path().filename()));
  }
  return names;
}

/// Sixteen hexadecimal digits no other run or thread is likely to pick: a temporary name that
/// cannot be guessed, so that nothing can be planted there beforehand.
std::string RandomTag() {
  static std::atomic<std::uint64_t> counter{0};
  thread_local std::mt19937_64 engine = [] {
    std::uint64_t seed = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    try {
      std::random_device device;
      seed ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
    } catch (...) {
      // Without a random device the clock, the thread and the counter still differ.
    }
    seed ^= std::hash<std::thread::id>()(std::this_thread::get_id()) * 0x9E3779B97F4A7C15u;
    return std::mt19937_64(seed);
  }();
  const std::uint64_t value = engine() ^ (counter.fetch_add(1) * 0xBF58476D1CE4E5B9u);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string tag(16, '0');
  for (int i = 0; i < 16; ++i) tag[static_cast<std::size_t>(i)] = kDigits[(value >> (4 * i)) & 0xF];
  return tag;
}

/// Tries for a free temporary name before giving up: only names planted on purpose collide.
constexpr int kNameAttempts = 100;

Text PathIn(const Text& folder, const Text& name) {
  Text path = folder;
  if (!path.empty() && path.back() != HostSeparator()) path += HostSeparator();
  path += name;
  return path;
}

/// The error for a rename that failed after others of the same files had succeeded: the user
/// must know which of the files are new.
FileSystemError RenameProblem(const Text& folder, const std::vector<Text>& names,
                              std::size_t failed, const Text& reason) {
  FileSystemError problem = FileProblem(kCannotWrite, PathIn(folder, names[failed]), reason);
  if (failed == 0) return problem;
  Text replaced;
  Text kept;
  for (std::size_t i = 0; i < names.size(); ++i) {
    Text& list = i < failed ? replaced : kept;
    if (!list.empty()) list += U"、";
    list += ShownName(names[i]);
  }
  return FileSystemError(problem.message() + U"。一緒に書き出すファイルのうち " + replaced +
                         U" は新しくなり、" + kept + U" は元のままです");
}

}  // namespace

const char kTemporarySuffix[] = ".tecris2nx-part";

namespace {

class HeldSource : public ByteSource {
 public:
  explicit HeldSource(std::string bytes) : bytes_(std::move(bytes)) {}
  bool ReadMore(std::string& into, std::size_t most) override {
    const std::size_t n = std::min(most, bytes_.size() - given_);
    into.append(bytes_, given_, n);
    given_ += n;
    return n > 0;
  }

 private:
  std::string bytes_;
  std::size_t given_ = 0;
};

}  // namespace

std::unique_ptr<ByteSource> HeldBytes(std::string bytes) {
  return std::make_unique<HeldSource>(std::move(bytes));
}

RealFileSystem::RealFileSystem() : calls_(HostSystemCalls()) {}

RealFileSystem::RealFileSystem(SystemCalls& calls) : calls_(calls) {}

std::string RealFileSystem::ReadAll(const Text& path) const {
  std::string bytes;
  const std::unique_ptr<ByteSource> source = OpenForReading(path);
  while (source->ReadMore(bytes, 1 << 16)) {
  }
  return bytes;
}

void RealFileSystem::WriteAll(const Text& path, std::string_view bytes) {
  const auto [folder, name] = host::SplitLast(path);
  WriteFiles(folder, NamedFiles{{name, std::string(bytes)}});
}

namespace {

/// Every file is written completely under a new temporary name first; only when all of them
/// are, each is renamed over its final name. A failure before that removes the temporaries and
/// leaves every old file as it was.
class StagedFiles : public FileSet {
 public:
  StagedFiles(SystemCalls& calls, Text folder) : calls_(calls), folder_(std::move(folder)) {}
  ~StagedFiles() override { Discard(); }

  void Begin(const Text& name) override {
    if (!out_) out_.emplace(calls_, folder_, PathIn(folder_, name));
    Text reason;
    if (!CloseOpen(reason)) Fail(names_.back(), reason);
    names_.push_back(name);
    // The run is named in each temporary name, so that a later run can tell whether it still
    // writes it or was killed before it could remove it.
    static const std::string mark = OwnerMark(ThisRun());
    Text temporary;
    auto created = host::OutputFolder::Created::kTaken;
    for (int attempt = 0; attempt < kNameAttempts && created == host::OutputFolder::Created::kTaken;
         ++attempt) {
      temporary = name + FromUtf8("." + RandomTag() + "." + mark + kTemporarySuffix);
      created = out_->Create(temporary, reason);
    }
    if (created != host::OutputFolder::Created::kYes) Fail(name, reason);
    temporaries_.push_back(temporary);
    open_ = true;
  }

  void Append(std::string_view bytes) override {
    // After a failure the set has removed its files: nothing may be written into it.
    if (!open_) throw std::logic_error("FileSet: no file is open to append to");
    Text reason;
    if (!out_->Write(bytes, reason)) Fail(names_.back(), reason);
  }

  void Commit() override {
    if (!out_) return;
    Text reason;
    if (!CloseOpen(reason)) Fail(names_.back(), reason);
    if (names_.size() > 1) {
      // A folder under a final name would refuse its rename after others were done: refuse first.
      for (const Text& name : names_) {
        if (out_->IsFolder(name)) Fail(name, SystemErrorText(EISDIR));
      }
    }
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (!out_->Replace(temporaries_[i], names_[i], reason)) {
        temporaries_.erase(temporaries_.begin(),
                           temporaries_.begin() + static_cast<std::ptrdiff_t>(i));
        Discard();
        throw RenameProblem(folder_, names_, i, reason);
      }
    }
    // The folder stays open for the next files: opening it again would cost two calls a set.
    names_.clear();
    temporaries_.clear();
  }

 private:
  bool CloseOpen(Text& reason) {
    if (!open_) return true;
    open_ = false;
    return out_->Close(reason);
  }
  /// Closes the open file and removes the temporaries not yet renamed; the set is then done.
  void Discard() {
    if (!out_) return;
    Text ignored;
    CloseOpen(ignored);
    for (const Text& temporary : temporaries_) out_->Remove(temporary);
    temporaries_.clear();
    out_.reset();
  }
  /// Discards the set and throws the error of writing `name`.
  [[noreturn]] void Fail(const Text& name, const Text& reason) {
    Discard();
    throw FileProblem(kCannotWrite, PathIn(folder_, name), reason);
  }

  SystemCalls& calls_;
  const Text folder_;
  std::optional<host::OutputFolder> out_;  ///< opened with the first file
  std::vector<Text> temporaries_;
  bool open_ = false;  ///< the file begun last is open
};

/// Holds the files' bytes until Commit hands them to WriteFiles.
class HeldFiles : public FileSet {
 public:
  HeldFiles(FileSystem& fs, Text folder) : fs_(fs), folder_(std::move(folder)) {}
  void Begin(const Text& name) override {
    names_.push_back(name);
    files_.emplace_back(name, std::string());
  }
  void Append(std::string_view bytes) override {
    if (files_.empty()) throw std::logic_error("FileSet: no file is open to append to");
    files_.back().second += bytes;
  }
  void Commit() override {
    NamedFiles files;
    files.swap(files_);
    names_.clear();
    fs_.WriteGivenFiles(folder_, std::move(files));
  }

 private:
  FileSystem& fs_;
  const Text folder_;
  NamedFiles files_;
};

}  // namespace

void RealFileSystem::WriteFiles(const Text& folder, const NamedFiles& files) {
  if (files.empty()) return;
  StagedFiles set(calls_, folder);
  CommitFiles(set, files);
}

std::unique_ptr<FileSet> RealFileSystem::BeginFiles(const Text& folder) {
  return std::make_unique<StagedFiles>(calls_, folder);
}

std::int64_t RealFileSystem::FileSize(const Text& path) const {
  std::error_code ec;
  const fs::path native = host::NativePath(path);
  if (!fs::is_regular_file(native, ec)) return 0;
  const auto size = fs::file_size(native, ec);
  return ec ? 0 : static_cast<std::int64_t>(size);
}

std::vector<Text> RealFileSystem::ListFiles(const Text& folder) const {
  std::vector<Text> names = ListEntries(
      folder,
      [](const fs::directory_entry& e, std::error_code& ec) { return e.is_regular_file(ec); });
  // By name, as NTFS lists them: most other file systems list files in hash or creation order,
  // which would scatter a survey's files across the list.
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<Text> RealFileSystem::ListFolders(const Text& folder) const {
  return ListEntries(folder, [](const fs::directory_entry& e, std::error_code& ec) {
    return e.is_directory(ec) && !e.is_symlink(ec);
  });
}

std::unique_ptr<ByteSource> FileSystem::OpenForReading(const Text& path) const {
  return HeldBytes(ReadAll(path));
}

std::string FileSystem::ReadBack(const Text& path) const { return ReadAll(path); }

std::unique_ptr<ByteSource> FileSystem::OpenReadBack(const Text& path) const {
  return HeldBytes(ReadBack(path));
}

void FileSystem::WriteFiles(const Text& folder, const NamedFiles& files) {
  for (const auto& [name, bytes] : files) WriteAll(PathIn(folder, name), bytes);
}

void CommitFiles(FileSet& set, const NamedFiles& files) {
  for (const auto& [name, bytes] : files) {
    set.Begin(name);
    set.Append(bytes);
  }
  set.Commit();
}

void FileSystem::WriteGivenFiles(const Text& folder, NamedFiles&& files) {
  WriteFiles(folder, files);
}

std::unique_ptr<FileSet> FileSystem::BeginFiles(const Text& folder) {
  return std::make_unique<HeldFiles>(*this, folder);
}

SystemCalls& HostSystemCalls() {
  static SystemCalls calls;
  return calls;
}

}  // namespace tecris2nx
