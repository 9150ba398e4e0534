#include "common/file_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <system_error>
#include <thread>

#include "common/error.h"
#include "common/system_calls.h"
#include "common/system_error_text.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32
#include <direct.h>

#include "common/windows_api.h"
#include "common/wide_text.h"
#endif

namespace fs = std::filesystem;

namespace tecris2nx {
namespace {

fs::path NativePath(const Text& path) {
#ifdef _WIN32
  return fs::path(ToWide(path));
#else
  return fs::path(NativeNameBytes(path));
#endif
}

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

constexpr const char32_t* kCannotWrite = U"ファイルに書き込めません";
constexpr const char32_t* kCannotOpen = U"ファイルを開けません";
constexpr const char32_t* kCannotMakeFolder = U"フォルダを作成できません";
constexpr const char32_t* kLinkThere = U"シンボリックリンクがあります。リンク先には書き込みません";
constexpr const char32_t* kFileThere = U"同じ名前のファイルがあります";

#ifdef _WIN32
std::FILE* OpenNative(const fs::path& path) { return _wfopen(path.c_str(), L"rb"); }
#endif

template <typename Accept>
std::vector<Text> ListEntries(const Text& folder, Accept accept) {
  std::vector<Text> names;
  std::error_code ec;
  fs::directory_iterator it(NativePath(folder), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeEc;
    if (accept(*it, typeEc) && !typeEc) {
#ifdef _WIN32
      names.push_back(FromWide(it->path().filename().native()));
#else
      names.push_back(FromNativeName(it->path().filename().native()));
#endif
    }
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

/// The folder part and the name of a path, cut at its last separator.
std::pair<Text, Text> SplitLast(const Text& path) {
#ifdef _WIN32
  const std::size_t cut = path.find_last_of(U"\\/");
#else
  const std::size_t cut = path.find_last_of(U'/');
#endif
  if (cut == Text::npos) return {Text(), path};
  return {cut == 0 ? path.substr(0, 1) : path.substr(0, cut), path.substr(cut + 1)};
}

Text PathIn(const Text& folder, const Text& name) {
  Text path = folder;
  if (!path.empty() && path.back() != HostSeparator()) path += HostSeparator();
  path += name;
  return path;
}

/// The error for a rename that failed after others of the same files had succeeded: the user
/// must know which of the files are new.
FileSystemError RenameProblem(const Text& folder, const NamedFiles& files, std::size_t failed,
                              const Text& reason) {
  FileSystemError problem = FileProblem(kCannotWrite, PathIn(folder, files[failed].first), reason);
  if (failed == 0) return problem;
  Text replaced;
  Text kept;
  for (std::size_t i = 0; i < files.size(); ++i) {
    Text& list = i < failed ? replaced : kept;
    if (!list.empty()) list += U"、";
    list += ShownName(files[i].first);
  }
  return FileSystemError(problem.message() + U"。一緒に書き出すファイルのうち " + replaced +
                         U" は新しくなり、" + kept + U" は元のままです");
}

#ifndef _WIN32
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
#endif

}  // namespace

const char kTemporarySuffix[] = ".tecris2nx-part";

RealFileSystem::RealFileSystem() : calls_(HostSystemCalls()) {}

RealFileSystem::RealFileSystem(SystemCalls& calls) : calls_(calls) {}

EntryKind RealFileSystem::KindOf(const Text& path) const {
#ifdef _WIN32
  // Asked directly: the C runtime's stat behind std::filesystem fails on "C:" and on folders
  // written with a trailing "\", which are folders all the same.
  const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
  if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::kNone;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kFolder : EntryKind::kFile;
#else
  std::error_code ec;
  const auto status = fs::status(NativePath(path), ec);
  if (ec) return EntryKind::kNone;
  if (fs::is_directory(status)) return EntryKind::kFolder;
  if (fs::exists(status)) return EntryKind::kFile;
  return EntryKind::kNone;
#endif
}

void RealFileSystem::MakeFolder(const Text& path) {
  // Created without looking first: when two runs create it at the same moment, both succeed.
#ifdef _WIN32
  const std::wstring native = ToWide(path);
  if (CreateDirectoryW(native.c_str(), nullptr)) return;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw FileProblem(kCannotMakeFolder, path, kLinkThere);
      }
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
      throw FileProblem(kCannotMakeFolder, path, kFileThere);
    }
  }
  throw FileProblem(kCannotMakeFolder, path, WindowsErrorText(error));
#else
  const std::string native = NativeNameBytes(path);
  if (::mkdir(native.c_str(), 0777) == 0) return;
  const int error = errno;
  struct stat info {};
  if (error == EEXIST && ::lstat(native.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return;
    throw FileProblem(kCannotMakeFolder, path, S_ISLNK(info.st_mode) ? kLinkThere : kFileThere);
  }
  throw FileProblem(kCannotMakeFolder, path, SystemErrorText(error));
#endif
}

std::string RealFileSystem::ReadAll(const Text& path) const {
  std::string bytes;
  const std::unique_ptr<ByteSource> source = OpenForReading(path);
  while (source->ReadMore(bytes, 1 << 16)) {
  }
  return bytes;
}

void RealFileSystem::WriteAll(const Text& path, std::string_view bytes) {
  const auto [folder, name] = SplitLast(path);
  WriteFiles(folder, NamedFiles{{name, std::string(bytes)}});
}

void RealFileSystem::WriteFiles(const Text& folder, const NamedFiles& files) {
  if (files.empty()) return;
    // Every file is written completely under a new temporary name first; only when all of them
    // are, each is renamed over its final name. A failure before that removes the temporaries and
    // leaves every old file as it was.
#ifdef _WIN32
  const std::wstring base = ToWide(folder) + L"\\";
  const DWORD attributes = GetFileAttributesW(ToWide(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    throw FileProblem(kCannotWrite, PathIn(folder, files[0].first),
                      WindowsErrorText(GetLastError()));
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    throw FileProblem(kCannotWrite, PathIn(folder, files[0].first),
                      (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0
                          ? WindowsErrorText(ERROR_DIRECTORY)
                          : Text(kLinkThere));
  }
  std::vector<std::wstring> temporaries;
  const auto removeFrom = [&](std::size_t first) {
    for (std::size_t i = first; i < temporaries.size(); ++i) calls_.Remove(temporaries[i].c_str());
  };
  for (const auto& [name, bytes] : files) {
    const std::wstring target = base + ToWide(name);
    std::wstring temporary;
    void* file = nullptr;
    DWORD error = 0;
    for (int attempt = 0; attempt < kNameAttempts && file == nullptr; ++attempt) {
      const std::string tag = "." + RandomTag() + kTemporarySuffix;
      temporary = target + std::wstring(tag.begin(), tag.end());
      file = calls_.CreateNew(temporary.c_str());
      error = file == nullptr ? GetLastError() : 0;
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    if (file == nullptr) {
      removeFrom(0);
      throw FileProblem(kCannotWrite, PathIn(folder, name), WindowsErrorText(error));
    }
    temporaries.push_back(temporary);
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
      const std::size_t piece = std::min<std::size_t>(bytes.size() - done, 1u << 30);
      written = calls_.Write(file, bytes.data() + done, static_cast<unsigned long>(piece));
      done += piece;
    }
    error = written ? 0 : GetLastError();
    if (!calls_.Close(file) && written) {
      written = false;
      error = GetLastError();
    }
    if (!written) {
      removeFrom(0);
      throw FileProblem(kCannotWrite, PathIn(folder, name), WindowsErrorText(error));
    }
  }
  if (files.size() > 1) {
    // A folder under a final name would refuse its rename after others were done: refuse first.
    for (const auto& [name, bytes] : files) {
      const DWORD kind = GetFileAttributesW((base + ToWide(name)).c_str());
      if (kind != INVALID_FILE_ATTRIBUTES && (kind & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        removeFrom(0);
        throw FileProblem(kCannotWrite, PathIn(folder, name), SystemErrorText(EISDIR));
      }
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::wstring target = base + ToWide(files[i].first);
    // Virus scanners and indexers hold a new file for a moment: a refused rename is tried again.
    DWORD error = 0;
    for (unsigned attempt = 0;; ++attempt) {
      if (calls_.Replace(temporaries[i].c_str(), target.c_str())) break;
      error = GetLastError();
      const bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                        error == ERROR_LOCK_VIOLATION;
      if (!held || attempt >= 4) break;
      calls_.Pause(50u << attempt);
      error = 0;
    }
    if (error != 0) {
      removeFrom(i);
      throw RenameProblem(folder, files, i, WindowsErrorText(error));
    }
  }
#else
  const Descriptor dir{OpenFolder(folder)};
  if (dir.fd < 0) {
    throw FileProblem(kCannotWrite, PathIn(folder, files[0].first), SystemErrorText(errno));
  }
  std::vector<std::string> temporaries;
  const auto removeFrom = [&](std::size_t first) {
    for (std::size_t i = first; i < temporaries.size(); ++i) {
      calls_.UnlinkAt(dir.fd, temporaries[i].c_str());
    }
  };
  for (const auto& [name, bytes] : files) {
    const std::string target = NativeNameBytes(name);
    std::string temporary;
    int file = -1;
    int error = 0;
    // Created new, never through a link or onto anything already there; the mode is an ordinary
    // file's (0666 less the umask), as the output file had before.
    for (int attempt = 0; attempt < kNameAttempts && file < 0; ++attempt) {
      temporary = target + "." + RandomTag() + kTemporarySuffix;
      file = calls_.OpenAt(dir.fd, temporary.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      error = file < 0 ? errno : 0;
      if (error != EEXIST) break;
    }
    if (file < 0) {
      removeFrom(0);
      throw FileProblem(kCannotWrite, PathIn(folder, name), SystemErrorText(error));
    }
    temporaries.push_back(temporary);
    // The bytes are all here: written in as few calls as the system takes, without a stream.
    for (std::size_t done = 0; done < bytes.size() && error == 0;) {
      const long n = calls_.Write(file, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = n < 0 ? errno : ENOSPC;
      } else {
        done += static_cast<std::size_t>(n);
      }
    }
    if (calls_.Close(file) != 0 && error == 0) error = errno;
    if (error != 0) {
      removeFrom(0);
      throw FileProblem(kCannotWrite, PathIn(folder, name), SystemErrorText(error));
    }
  }
  if (files.size() > 1) {
    // A folder under a final name would refuse its rename after others were done: refuse first.
    for (const auto& [name, bytes] : files) {
      struct stat info {};
      if (::fstatat(dir.fd, NativeNameBytes(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISDIR(info.st_mode)) {
        removeFrom(0);
        throw FileProblem(kCannotWrite, PathIn(folder, name), SystemErrorText(EISDIR));
      }
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (calls_.RenameAt(dir.fd, temporaries[i].c_str(), NativeNameBytes(files[i].first).c_str()) !=
        0) {
      const int error = errno;
      removeFrom(i);
      throw RenameProblem(folder, files, i, SystemErrorText(error));
    }
  }
#endif
}

std::int64_t RealFileSystem::FileSize(const Text& path) const {
  std::error_code ec;
  const fs::path native = NativePath(path);
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

bool RealFileSystem::MakeDriveCurrent(char32_t letter) {
#ifdef _WIN32
  if (letter >= U'a' && letter <= U'z') letter = letter - U'a' + U'A';
  if (letter < U'A' || letter > U'Z') return false;
  return _chdrive(static_cast<int>(letter - U'A' + 1)) == 0;
#else
  return letter == U'/';
#endif
}

char32_t HostSeparator() {
#ifdef _WIN32
  return U'\\';
#else
  return U'/';
#endif
}

namespace {

/// Bytes already in memory, handed out in one piece.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {}
  bool ReadMore(std::string& into, std::size_t) override {
    if (done_) return false;
    into += bytes_;
    bytes_.clear();
    done_ = true;
    return true;
  }

 private:
  std::string bytes_;
  bool done_ = false;
};

/// A file read piece by piece: through a C stream on Windows, elsewhere straight from its
/// descriptor, without a stream's buffer and its questions to the system.
class FileSource : public ByteSource {
 public:
#ifdef _WIN32
  using Handle = std::FILE*;
#else
  using Handle = int;
#endif
  FileSource(Handle file, Text path) : file_(file), path_(std::move(path)) {}
#ifdef _WIN32
  ~FileSource() override { std::fclose(file_); }
#else
  ~FileSource() override { ::close(file_); }
#endif
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

 private:
  std::size_t ReadSome(char* buffer, std::size_t want) {
#ifdef _WIN32
    const std::size_t n = std::fread(buffer, 1, want, file_);
    if (!std::ferror(file_)) return n;
    const int error = errno;
#else
    int error = 0;
    for (;;) {
      const ssize_t n = ::read(file_, buffer, want);
      if (n >= 0) return static_cast<std::size_t>(n);
      error = errno;
      if (error != EINTR) break;
    }
#endif
    throw FileProblem(U"ファイルを読めません", path_, SystemErrorText(error));
  }

  Handle file_;
  Text path_;
};

#ifndef _WIN32
/// Opens a regular file for reading, relative to a folder's descriptor; a pipe or device is
/// refused without waiting for it.
std::unique_ptr<ByteSource> OpenRegular(int folder, const std::string& name, int flags,
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
  return std::make_unique<FileSource>(fd, path);
}
#endif

}  // namespace

std::unique_ptr<ByteSource> FileSystem::OpenForReading(const Text& path) const {
  return std::make_unique<StringSource>(ReadAll(path));
}

std::string FileSystem::ReadBack(const Text& path) const { return ReadAll(path); }

void FileSystem::WriteFiles(const Text& folder, const NamedFiles& files) {
  for (const auto& [name, bytes] : files) WriteAll(PathIn(folder, name), bytes);
}

std::unique_ptr<ByteSource> RealFileSystem::OpenForReading(const Text& path) const {
#ifdef _WIN32
  const fs::path native = NativePath(path);
  std::error_code ec;
  if (fs::is_directory(native, ec)) throw FileProblem(kCannotOpen, path, U"フォルダです");
  // A pipe or device would block the run or never end.
  if (fs::exists(native, ec) && !fs::is_regular_file(native, ec)) {
    throw FileProblem(kCannotOpen, path, U"通常のファイルではありません");
  }
  std::FILE* file = OpenNative(native);
  if (!file) throw FileProblem(kCannotOpen, path, SystemErrorText(errno));
  return std::make_unique<FileSource>(file, path);
#else
  return OpenRegular(AT_FDCWD, NativeNameBytes(path), 0, path);
#endif
}

std::string RealFileSystem::ReadBack(const Text& path) const {
  const auto [folder, name] = SplitLast(path);
#ifdef _WIN32
  // Windows links are reparse points: neither the folder nor the file may be one.
  for (const Text& level : {folder, path}) {
    const DWORD attributes = GetFileAttributesW(ToWide(level).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      throw FileProblem(kCannotOpen, path, SystemErrorText(ELOOP));
    }
  }
  return ReadAll(path);
#else
  const Descriptor dir{OpenFolder(folder)};
  if (dir.fd < 0) throw FileProblem(kCannotOpen, path, SystemErrorText(errno));
  const std::unique_ptr<ByteSource> source =
      OpenRegular(dir.fd, NativeNameBytes(name), O_NOFOLLOW, path);
  std::string bytes;
  while (source->ReadMore(bytes, 1 << 16)) {
  }
  return bytes;
#endif
}

#ifdef _WIN32
void* SystemCalls::CreateNew(const wchar_t* path) {
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

bool SystemCalls::Write(void* file, const char* bytes, unsigned long size) {
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes, size, &written, nullptr) != 0;
  if (ok && written != size) SetLastError(ERROR_DISK_FULL);
  return ok && written == size;
}

bool SystemCalls::Close(void* file) { return CloseHandle(file) != 0; }

bool SystemCalls::Replace(const wchar_t* from, const wchar_t* to) {
  return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool SystemCalls::Remove(const wchar_t* path) { return DeleteFileW(path) != 0; }

void SystemCalls::Pause(unsigned milliseconds) { Sleep(milliseconds); }
#else
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
#endif

SystemCalls& HostSystemCalls() {
  static SystemCalls calls;
  return calls;
}

}  // namespace tecris2nx
