// The fair floor of a batch: copies a tree of job folders the way the converter must write its
// files (each one complete under a new temporary name in its folder, then renamed over its own
// name), so that conversion / this copy says what the conversion costs over safe writing.
//   safe_copy FROM TO
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool ReadWhole(const std::string& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes.clear();
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ::close(fd);
      return got == 0;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteSafely(int folder, const std::string& name, const std::string& bytes, unsigned& tag) {
  std::string temporary;
  int fd = -1;
  while (fd < 0) {
    temporary = name + "." + std::to_string(tag++) + ".tmp";
    fd = ::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return ::close(fd) == 0 && ::renameat(folder, temporary.c_str(), folder, name.c_str()) == 0;
}

bool CopyTree(const std::string& from, const std::string& to, unsigned& tag) {
  if (::mkdir(to.c_str(), 0777) != 0 && errno != EEXIST) return false;
  DIR* dir = ::opendir(from.c_str());
  if (dir == nullptr) return false;
  std::vector<std::string> files;
  std::vector<std::string> folders;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::lstat((from + "/" + name).c_str(), &info) != 0) continue;
    (S_ISDIR(info.st_mode) ? folders : files).push_back(name);
  }
  ::closedir(dir);
  const int folder = ::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return false;
  std::string bytes;
  bool ok = true;
  for (const std::string& name : files) {
    ok = ReadWhole(from + "/" + name, bytes) && WriteSafely(folder, name, bytes, tag) && ok;
  }
  ::close(folder);
  for (const std::string& name : folders) {
    ok = CopyTree(from + "/" + name, to + "/" + name, tag) && ok;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: safe_copy FROM TO\n");
    return 2;
  }
  unsigned tag = static_cast<unsigned>(::getpid());
  if (!CopyTree(argv[1], argv[2], tag)) {
    std::fprintf(stderr, "safe_copy: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
