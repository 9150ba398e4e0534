#include "common/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/error.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32
#include <direct.h>

#include "common/windows_api.h"
#endif

namespace fs = std::filesystem;

namespace tecris2nx {
namespace {

#ifdef _WIN32
// Windows names are UTF-16. A carried raw byte (U+DC80..U+DCFF) becomes that lone surrogate unit,
// which Windows names may hold, and comes back unchanged from a listing; the library's own
// UTF-32 conversion would throw on it instead.
std::wstring ToWide(const Text& text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      wide += static_cast<wchar_t>(0xD800 + (c >> 10));
      wide += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(c);
    }
  }
  return wide;
}

Text FromWide(std::wstring_view wide) {
  Text text;
  text.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t unit = static_cast<std::uint16_t>(wide[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size()) {
      const char32_t next = static_cast<std::uint16_t>(wide[i + 1]);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        text += 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        ++i;
        continue;
      }
    }
    text += unit;  // lone surrogates are kept as they are
  }
  return text;
}
#endif

fs::path NativePath(const Text& path) {
#ifdef _WIN32
  return fs::path(ToWide(path));
#else
  return fs::u8path(ToUtf8(path));
#endif
}

#ifdef _WIN32
// System messages come in the ANSI code page here, not UTF-8.
Text Reason(const std::error_code& ec) {
  const std::string message = ec.message();
  if (message.empty()) return Text();
  const int n =
      MultiByteToWideChar(CP_ACP, 0, message.data(), static_cast<int>(message.size()), nullptr, 0);
  if (n <= 0) return FromUtf8(message);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, message.data(), static_cast<int>(message.size()), wide.data(), n);
  return FromWide(wide);
}
#else
Text Reason(const std::error_code& ec) { return FromUtf8(ec.message()); }
#endif

Text FileProblem(const char32_t* what, const Text& path, const Text& reason) {
  Text message = what;
  message += U": ";
  message += path;
  if (!reason.empty()) {
    message += U"（";
    message += reason;
    message += U"）";
  }
  return message;
}

/// Closes a C stream at scope end unless closed already.
#ifdef _WIN32
struct StreamCloser {
  std::FILE* file;
  ~StreamCloser() {
    if (file) std::fclose(file);
  }
};

std::FILE* OpenNative(const fs::path& path, bool write) {
  return _wfopen(path.c_str(), write ? L"wb" : L"rb");
}
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
      names.push_back(FromUtf8(it->path().filename().string()));
#endif
    }
  }
  return names;
}

/// Appended to an output file's name while it is being written.
constexpr const char* kTemporarySuffix = ".tecris2nx-part";

/// Moves the finished file over the target, replacing it in one step.
bool ReplaceWith(const fs::path& temporary, const fs::path& target) {
#ifdef _WIN32
  return MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(temporary.c_str(), target.c_str()) == 0;
#endif
}

}  // namespace

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
  std::error_code ec;
  if (!fs::create_directory(NativePath(path), ec) || ec) {
    throw ConversionError(FileProblem(U"フォルダを作成できません", path,
                                      ec ? Reason(ec) : Text(U"同じ名前のものがあります")));
  }
}

std::string RealFileSystem::ReadAll(const Text& path) const {
  std::string bytes;
  const std::unique_ptr<ByteSource> source = OpenForReading(path);
  while (source->ReadMore(bytes, 1 << 16)) {
  }
  return bytes;
}

void RealFileSystem::WriteAll(const Text& path, std::string_view bytes) {
  const fs::path target = NativePath(path);
  std::error_code ec;
  // Written under a temporary name and renamed into place once complete: an interrupted
  // conversion never leaves a half-written file where a good one stood.
  fs::path temporary = target;
  temporary += kTemporarySuffix;
#ifdef _WIN32
  std::FILE* file = OpenNative(temporary, true);
  if (!file) {
    throw ConversionError(
        FileProblem(U"ファイルに書き込めません", path, FromUtf8(std::strerror(errno))));
  }
  StreamCloser closer{file};
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  closer.file = nullptr;
  const bool closed = std::fclose(file) == 0;
#else
  // The bytes are all here: written in one call, without a stream's buffer and its questions to
  // the system, for each of the eleven files of every job.
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    throw ConversionError(
        FileProblem(U"ファイルに書き込めません", path, FromUtf8(std::strerror(errno))));
  }
  bool written = true;
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  const int writeError = errno;
  const bool closed = ::close(fd) == 0;
  if (!written) errno = writeError;
#endif
  const int error = errno;
  if (!written || !closed || !ReplaceWith(temporary, target)) {
    const Text reason = FromUtf8(std::strerror(written && closed ? errno : error));
    fs::remove(temporary, ec);
    throw ConversionError(FileProblem(U"ファイルに書き込めません", path, reason));
  }
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
#else
    for (;;) {
      const ssize_t n = ::read(file_, buffer, want);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) break;
    }
#endif
    throw ConversionError(FileProblem(U"ファイルを読めません", path_, U"読み込みエラー"));
  }

  Handle file_;
  Text path_;
};

}  // namespace

std::unique_ptr<ByteSource> FileSystem::OpenForReading(const Text& path) const {
  return std::make_unique<StringSource>(ReadAll(path));
}

std::unique_ptr<ByteSource> RealFileSystem::OpenForReading(const Text& path) const {
  const fs::path native = NativePath(path);
#ifdef _WIN32
  std::error_code ec;
  if (fs::is_directory(native, ec)) {
    throw ConversionError(FileProblem(U"ファイルを開けません", path, U"フォルダです"));
  }
  // A pipe or device would block the run or never end.
  if (fs::exists(native, ec) && !fs::is_regular_file(native, ec)) {
    throw ConversionError(
        FileProblem(U"ファイルを開けません", path, U"通常のファイルではありません"));
  }
  std::FILE* file = OpenNative(native, false);
  if (!file) {
    throw ConversionError(
        FileProblem(U"ファイルを開けません", path, FromUtf8(std::strerror(errno))));
  }
  return std::make_unique<FileSource>(file, path);
#else
  // Opened without waiting (a pipe would block) and then asked what it is: one call each, where
  // looking first would cost more calls per file than the reading does.
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    throw ConversionError(
        FileProblem(U"ファイルを開けません", path, FromUtf8(std::strerror(errno))));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const bool folder = S_ISDIR(info.st_mode);
    ::close(fd);
    throw ConversionError(FileProblem(U"ファイルを開けません", path,
                                      folder ? U"フォルダです" : U"通常のファイルではありません"));
  }
  return std::make_unique<FileSource>(fd, path);
#endif
}

}  // namespace tecris2nx
