#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/file_system.h"
#include "common/file_system_host.h"
#include "common/system_calls.h"
#include "common/system_error_text.h"
#include "common/temporary_files.h"

namespace fs = std::filesystem;

namespace tecris2nx {

namespace {

/// Closes a descriptor at scope end.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

/// Opens a folder for descriptor-relative work; never through a symbolic link at its last level.
int OpenFolder(const Text& folder) {
  const std::string native = folder.empty() ? std::string(".") : NativeNameBytes(folder);
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat info {};
  // Linux says "not a folder" for a link here; the message should say it is a link.
  if (fd < 0 && errno == ENOTDIR && ::lstat(native.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    errno = ELOOP;
  }
  return fd;
}

}  // namespace

namespace host {

fs::path NativePath(const Text& path) { return fs::path(NativeNameBytes(path)); }

Text FromNativePath(const fs::path& name) { return FromNativeName(name.native()); }

OutputFolder::OutputFolder(SystemCalls& calls, const Text& folder, const Text& firstFile)
    : calls_(calls), folder_(OpenFolder(folder)) {
  if (folder_ < 0) throw FileProblem(kCannotWrite, firstFile, SystemErrorText(errno));
}

OutputFolder::~OutputFolder() {
  if (file_ >= 0) calls_.Close(file_);
  ::close(folder_);
}

OutputFolder::Created OutputFolder::Create(const Text& name, Text& reason) {
  // Created new, never through a link or onto anything already there; the mode is an ordinary
  // file's (0666 less the umask), as the output file had before.
  file_ = calls_.OpenAt(folder_, NativeNameBytes(name).c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (file_ >= 0) return Created::kYes;
  const int error = errno;
  reason = SystemErrorText(error);
  return error == EEXIST ? Created::kTaken : Created::kFailed;
}

bool OutputFolder::Write(std::string_view bytes, Text& reason) {
  // Written in as few calls as the system takes, without a stream.
  for (std::size_t done = 0; done < bytes.size();) {
    const long n = calls_.Write(file_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      reason = SystemErrorText(n < 0 ? errno : ENOSPC);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool OutputFolder::Close(Text& reason) {
  const int result = calls_.Close(file_);
  file_ = -1;
  if (result != 0) reason = SystemErrorText(errno);
  return result == 0;
}

bool OutputFolder::IsFolder(const Text& name) const {
  struct stat info {};
  return ::fstatat(folder_, NativeNameBytes(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(info.st_mode);
}

bool OutputFolder::Replace(const Text& from, const Text& to, Text& reason) {
  if (calls_.RenameAt(folder_, NativeNameBytes(from).c_str(), NativeNameBytes(to).c_str()) == 0) {
    return true;
  }
  reason = SystemErrorText(errno);
  return false;
}

void OutputFolder::Remove(const Text& name) {
  calls_.UnlinkAt(folder_, NativeNameBytes(name).c_str());
}

}  // namespace host

namespace {

using host::FileProblem;
using host::kCannotOpen;

/// A file read piece by piece straight from its descriptor, without a stream's buffer and its
/// questions to the system.
class FileSource : public ByteSource {
 public:
  FileSource(int file, Text path, std::uint64_t size)
      : file_(file), path_(std::move(path)), size_(size) {}
  ~FileSource() override { ::close(file_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool ReadMore(std::string& into, std::size_t most) override {
    // Read into a buffer of our own and add what came: growing `into` by `most` first would
    // clear that many bytes, for a file that is mostly far shorter.
    char buffer[1 << 16];
    std::size_t got = 0;
    while (got < most) {
      const std::size_t want = std::min(most - got, sizeof(buffer));
      const std::size_t n = ReadSome(buffer, want);
      into.append(buffer, n);
      got += n;
      if (n < want) break;
    }
    return got > 0;
  }
  /// The file's size when it was opened.
  std::uint64_t Size() const { return size_; }

 private:
  std::size_t ReadSome(char* buffer, std::size_t want) {
    int error = 0;
    for (;;) {
      const ssize_t n = ::read(file_, buffer, want);
      if (n >= 0) return static_cast<std::size_t>(n);
      error = errno;
      if (error != EINTR) break;
    }
    throw FileProblem(U"ファイルを読めません", path_, SystemErrorText(error));
  }

  int file_;
  Text path_;
  std::uint64_t size_;
};

/// Opens a regular file for reading, relative to a folder's descriptor; a pipe or device is
/// refused without waiting for it.
std::unique_ptr<FileSource> OpenRegular(int folder, const std::string& name, int flags,
                                        const Text& path) {
  // Opened without waiting (a pipe would block) and then asked what it is: one call each, where
  // looking first would cost more calls per file than the reading does.
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | flags);
  if (fd < 0) throw FileProblem(kCannotOpen, path, SystemErrorText(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const bool folder = S_ISDIR(info.st_mode);
    ::close(fd);
    throw FileProblem(kCannotOpen, path,
                      folder ? U"フォルダです" : U"通常のファイルではありません");
  }
  return std::make_unique<FileSource>(fd, path, static_cast<std::uint64_t>(info.st_size));
}

}  // namespace

EntryKind RealFileSystem::KindOf(const Text& path) const {
  std::error_code ec;
  const auto status = fs::status(host::NativePath(path), ec);
  if (ec) return EntryKind::kNone;
  if (fs::is_directory(status)) return EntryKind::kFolder;
  if (fs::exists(status)) return EntryKind::kFile;
  return EntryKind::kNone;
}

void RealFileSystem::MakeFolder(const Text& path) {
  // Created without looking first: when two runs create it at the same moment, both succeed.
  const std::string native = NativeNameBytes(path);
  if (::mkdir(native.c_str(), 0777) == 0) return;
  const int error = errno;
  struct stat info {};
  if (error == EEXIST && ::lstat(native.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      // A job folder used before: what killed runs left in it goes now.
      host::RemoveLeftovers(calls_, path);
      return;
    }
    throw FileProblem(host::kCannotMakeFolder, path,
                      S_ISLNK(info.st_mode) ? host::kLinkThere : host::kFileThere);
  }
  throw FileProblem(host::kCannotMakeFolder, path, SystemErrorText(error));
}

std::unique_ptr<ByteSource> RealFileSystem::OpenForReading(const Text& path) const {
  return OpenRegular(AT_FDCWD, NativeNameBytes(path), 0, path);
}

namespace {

/// A file the converter wrote itself, opened where neither it nor its folder is a link.
std::unique_ptr<FileSource> OpenWritten(const Text& path) {
  const auto [folder, name] = host::SplitLast(path);
  const Descriptor dir{OpenFolder(folder)};
  if (dir.fd < 0) throw FileProblem(kCannotOpen, path, SystemErrorText(errno));
  return OpenRegular(dir.fd, NativeNameBytes(name), O_NOFOLLOW, path);
}

}  // namespace

std::unique_ptr<ByteSource> RealFileSystem::OpenReadBack(const Text& path) const {
  return OpenWritten(path);
}

std::string RealFileSystem::ReadBack(const Text& path) const {
  const std::unique_ptr<FileSource> source = OpenWritten(path);
  // Room for the whole file at once: growing by doubling would copy it over and over and take
  // fresh memory each time.
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(source->Size(), 1U << 30)) + 1);
  while (source->ReadMore(bytes, 1 << 16)) {
  }
  return bytes;
}

bool RealFileSystem::MakeDriveCurrent(char32_t letter) { return letter == U'/'; }

char32_t HostSeparator() { return U'/'; }

namespace {

/// The start of a process in clock ticks after boot (field 22 of /proc/PID/stat), when readable.
std::optional<std::uint64_t> StartOfProcess(std::uint64_t process) {
  std::ifstream file("/proc/" + std::to_string(process) + "/stat");
  std::string line;
  if (!std::getline(file, line)) return std::nullopt;
  // The command name in field 2 may hold blanks and brackets: count from its closing one.
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  for (int i = 3; i <= 22; ++i) {
    if (!(fields >> field)) return std::nullopt;
  }
  std::uint64_t ticks = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    ticks = ticks * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return ticks;
}

}  // namespace

TemporaryOwner ThisRun() {
  char name[256] = {};
  ::gethostname(name, sizeof(name) - 1);
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const char* c = name; *c != '\0'; ++c) {
    hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
  }
  const auto process = static_cast<std::uint64_t>(::getpid());
  return {hash, process, StartOfProcess(process).value_or(0)};
}

ProcessState StateOfProcess(std::uint64_t process) {
  const auto id = static_cast<pid_t>(process);
  // Ids that name no single process (0, -1, beyond pid_t) are never running programs.
  if (process == 0 || static_cast<std::uint64_t>(id) != process || id < 0) return {};
  if (::kill(id, 0) != 0 && errno == ESRCH) return {};
  return {true, StartOfProcess(process)};
}

int SystemCalls::OpenAt(int folder, const char* name, int flags, unsigned mode) {
  return ::openat(folder, name, flags, static_cast<mode_t>(mode));
}

long SystemCalls::Write(int file, const char* bytes, std::size_t size) {
  return static_cast<long>(::write(file, bytes, size));
}

int SystemCalls::Close(int file) { return ::close(file); }

int SystemCalls::RenameAt(int folder, const char* from, const char* to) {
  return ::renameat(folder, from, folder, to);
}

int SystemCalls::UnlinkAt(int folder, const char* name) { return ::unlinkat(folder, name, 0); }

}  // namespace tecris2nx
