#include <direct.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "common/windows_api.h"
#include "common/file_system.h"
#include "common/file_system_host.h"
#include "common/system_calls.h"
#include "common/system_error_text.h"
#include "common/temporary_files.h"
#include "common/wide_text.h"

namespace fs = std::filesystem;

namespace tecris2nx {

namespace host {

fs::path NativePath(const Text& path) { return fs::path(ToWide(path)); }

Text FromNativePath(const fs::path& name) { return FromWide(name.native()); }

OutputFolder::OutputFolder(SystemCalls& calls, const Text& folder, const Text& firstFile)
    : calls_(calls), base_(ToWide(folder) + L"\\") {
  const DWORD attributes = GetFileAttributesW(ToWide(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    throw FileProblem(kCannotWrite, firstFile, WindowsErrorText(GetLastError()));
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    throw FileProblem(kCannotWrite, firstFile, WindowsErrorText(ERROR_DIRECTORY));
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    throw FileProblem(kCannotWrite, firstFile, kLinkThere);
  }
}

OutputFolder::~OutputFolder() {
  if (file_ != nullptr) calls_.Close(file_);
}

OutputFolder::Created OutputFolder::Create(const Text& name, Text& reason) {
  file_ = calls_.CreateNew((base_ + ToWide(name)).c_str());
  if (file_ != nullptr) return Created::kYes;
  const DWORD error = GetLastError();
  reason = WindowsErrorText(error);
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Created::kTaken
                                                                     : Created::kFailed;
}

bool OutputFolder::Write(std::string_view bytes, Text& reason) {
  for (std::size_t done = 0; done < bytes.size();) {
    const std::size_t piece = std::min<std::size_t>(bytes.size() - done, 1u << 30);
    if (!calls_.Write(file_, bytes.data() + done, static_cast<unsigned long>(piece))) {
      reason = WindowsErrorText(GetLastError());
      return false;
    }
    done += piece;
  }
  return true;
}

bool OutputFolder::Close(Text& reason) {
  const bool closed = calls_.Close(file_);
  file_ = nullptr;
  if (!closed) reason = WindowsErrorText(GetLastError());
  return closed;
}

bool OutputFolder::IsFolder(const Text& name) const {
  const DWORD kind = GetFileAttributesW((base_ + ToWide(name)).c_str());
  return kind != INVALID_FILE_ATTRIBUTES && (kind & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool OutputFolder::Replace(const Text& from, const Text& to, Text& reason) {
  const std::wstring source = base_ + ToWide(from);
  const std::wstring target = base_ + ToWide(to);
  // Virus scanners and indexers hold a new file for a moment: a refused rename is tried again.
  for (unsigned attempt = 0;; ++attempt) {
    if (calls_.Replace(source.c_str(), target.c_str())) return true;
    const DWORD error = GetLastError();
    const bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                      error == ERROR_LOCK_VIOLATION;
    if (!held || attempt >= 4) {
      reason = WindowsErrorText(error);
      return false;
    }
    calls_.Pause(50u << attempt);
  }
}

void OutputFolder::Remove(const Text& name) { calls_.Remove((base_ + ToWide(name)).c_str()); }

}  // namespace host

namespace {

using host::FileProblem;
using host::kCannotOpen;

/// A file read piece by piece through a C stream.
class FileSource : public ByteSource {
 public:
  FileSource(std::FILE* file, Text path) : file_(file), path_(std::move(path)) {}
  ~FileSource() override { std::fclose(file_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool ReadMore(std::string& into, std::size_t most) override {
    // Read into a buffer of our own and add what came: growing `into` by `most` first would
    // clear that many bytes, for a file that is mostly far shorter.
    char buffer[1 << 16];
    std::size_t got = 0;
    while (got < most) {
      const std::size_t want = std::min(most - got, sizeof(buffer));
      const std::size_t n = std::fread(buffer, 1, want, file_);
      if (std::ferror(file_)) {
        throw FileProblem(U"ファイルを読めません", path_, SystemErrorText(errno));
      }
      into.append(buffer, n);
      got += n;
      if (n < want) break;
    }
    return got > 0;
  }

 private:
  std::FILE* file_;
  Text path_;
};

}  // namespace

EntryKind RealFileSystem::KindOf(const Text& path) const {
  // Asked directly: the C runtime's stat behind std::filesystem fails on "C:" and on folders
  // written with a trailing "\", which are folders all the same.
  const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
  if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::kNone;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kFolder : EntryKind::kFile;
}

void RealFileSystem::MakeFolder(const Text& path) {
  // Created without looking first: when two runs create it at the same moment, both succeed.
  const std::wstring native = ToWide(path);
  if (CreateDirectoryW(native.c_str(), nullptr)) return;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw FileProblem(host::kCannotMakeFolder, path, host::kLinkThere);
      }
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A job folder used before: what killed runs left in it goes now.
        host::RemoveLeftovers(calls_, path);
        return;
      }
      throw FileProblem(host::kCannotMakeFolder, path, host::kFileThere);
    }
  }
  throw FileProblem(host::kCannotMakeFolder, path, WindowsErrorText(error));
}

std::unique_ptr<ByteSource> RealFileSystem::OpenForReading(const Text& path) const {
  const fs::path native = host::NativePath(path);
  std::error_code ec;
  if (fs::is_directory(native, ec)) throw FileProblem(kCannotOpen, path, U"フォルダです");
  // A pipe or device would block the run or never end.
  if (fs::exists(native, ec) && !fs::is_regular_file(native, ec)) {
    throw FileProblem(kCannotOpen, path, U"通常のファイルではありません");
  }
  std::FILE* file = _wfopen(native.c_str(), L"rb");
  if (!file) throw FileProblem(kCannotOpen, path, SystemErrorText(errno));
  return std::make_unique<FileSource>(file, path);
}

std::string RealFileSystem::ReadBack(const Text& path) const {
  const auto [folder, name] = host::SplitLast(path);
  // Windows links are reparse points: neither the folder nor the file may be one.
  for (const Text& level : {folder, path}) {
    const DWORD attributes = GetFileAttributesW(ToWide(level).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      throw FileProblem(kCannotOpen, path, SystemErrorText(ELOOP));
    }
  }
  return ReadAll(path);
}

std::unique_ptr<ByteSource> RealFileSystem::OpenReadBack(const Text& path) const {
  return FileSystem::OpenReadBack(path);  // checked and read whole, as ReadBack does
}

bool RealFileSystem::MakeDriveCurrent(char32_t letter) {
  if (letter >= U'a' && letter <= U'z') letter = letter - U'a' + U'A';
  if (letter < U'A' || letter > U'Z') return false;
  return _chdrive(static_cast<int>(letter - U'A' + 1)) == 0;
}

char32_t HostSeparator() { return U'\\'; }

namespace {

/// A FILETIME in its 100-nanosecond units; processes are told apart to the millisecond.
std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

TemporaryOwner ThisRun() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) size = 0;
  std::uint32_t hash = 2166136261u;  // FNV-1a over the UTF-16 units
  for (DWORD i = 0; i < size; ++i) hash = (hash ^ static_cast<std::uint32_t>(name[i])) * 16777619u;
  FILETIME created{}, exited{}, kernel{}, user{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return {hash, GetCurrentProcessId(), Ticks(created) / 10000};
}

ProcessState StateOfProcess(std::uint64_t process) {
  if (process == 0 || process > 0xFFFFFFFFu) return {};
  HANDLE handle =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
  if (handle == nullptr) {
    // No such process; any other refusal (access denied) means one is there.
    if (GetLastError() == ERROR_INVALID_PARAMETER) return {};
    return {true, std::nullopt};
  }
  ProcessState state{true, std::nullopt};
  DWORD code = 0;
  FILETIME created{}, exited{}, kernel{}, user{};
  // A handle held open elsewhere keeps an ended process's id taken: it has an exit code.
  if (GetExitCodeProcess(handle, &code) && code != STILL_ACTIVE) {
    state.running = false;
  } else if (GetProcessTimes(handle, &created, &exited, &kernel, &user)) {
    state.started = Ticks(created) / 10000;
  }
  CloseHandle(handle);
  return state;
}

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

}  // namespace tecris2nx
