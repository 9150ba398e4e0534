#include "common/pattern_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace tecris2nx {

const Text kNoPatternFolderMessage = U" PATDAT の設定がありません.";

namespace {

const Text kPatternFolderName = U"PATDAT";
const Text kPatternMarkerFile = U"kishitu.txt";

Text WithSeparator(const Text& folder, char32_t separator) {
  if (!folder.empty() && folder.back() == separator) return folder;
  return folder + separator;
}

Text Join(const Text& folder, const Text& name, char32_t separator) {
  return WithSeparator(folder, separator) + name;
}

#ifdef _WIN32
/// Puts the process's current folder back at the end of the scope, also when the walk throws.
class CurrentFolderKeeper {
 public:
  CurrentFolderKeeper() : folder_(std::filesystem::current_path(error_)) {}
  ~CurrentFolderKeeper() {
    if (!error_) std::filesystem::current_path(folder_, error_);
  }
  CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
  CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

 private:
  std::error_code error_;
  std::filesystem::path folder_;
};

/// A variable of the process's environment read wide, so that Japanese folder names survive;
/// empty when unset.
Text EnvironmentText(const wchar_t* name) {
  std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
  if (value.empty()) return Text();
  const DWORD length =
      GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  if (length == 0 || length >= value.size()) return Text();
  value.resize(length);
  return std::filesystem::path(value).u32string();
}
#else
/// The folder above a folder, or empty when the path has no folder part.
[[maybe_unused]] Text ParentFolder(const Text& folder, char32_t separator) {
  if (folder.empty()) return Text();
  std::size_t end = folder.size();
  while (end > 1 && folder[end - 1] == separator) --end;
  const std::size_t last = folder.rfind(separator, end - 1);
  if (last == Text::npos) return Text();
  return last == 0 ? Text(1, separator) : folder.substr(0, last);
}

/// A mount point as /proc/self/mounts writes it: blanks, tabs, line feeds and backslashes as
/// three octal digits after a backslash.
std::string UnescapeMountPath(const std::string& field) {
  std::string path;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (digits.find_first_not_of("01234567") == std::string::npos) {
        path += static_cast<char>(std::stoi(digits, nullptr, 8));
        i += 3;
        continue;
      }
    }
    path += field[i];
  }
  return path;
}

/// File systems that live on another machine or only in the kernel: never walked.
bool IsRemoteOrPseudo(const std::string& type) {
  static const std::set<std::string> kTypes = {
      "proc",      "sysfs",   "devtmpfs",    "devpts",    "cgroup",     "cgroup2", "securityfs",
      "debugfs",   "tracefs", "pstore",      "bpf",       "configfs",   "fusectl", "mqueue",
      "hugetlbfs", "autofs",  "binfmt_misc", "efivarfs",  "rpc_pipefs", "nsfs",    "selinuxfs",
      "nfsd",      "nfs",     "nfs4",        "cifs",      "smb3",       "smbfs",   "ncpfs",
      "afs",       "9p",      "ceph",        "glusterfs", "lustre",     "gfs2",    "ocfs2",
      "davfs",     "coda",    "sshfs"};
  // FUSE file systems are mostly remote (sshfs, cloud drives); "fuseblk" sits on a local disk.
  return kTypes.count(type) != 0 || type.rfind("fuse.", 0) == 0;
}
#endif

}  // namespace

bool HoldsPatternData(const FileSystem& fs, const Text& folder, char32_t separator) {
  return fs.FileSize(Join(folder, kPatternMarkerFile, separator)) > 0;
}

Text SearchPatternFolders(FileSystem& fs, const Text& root, const PatternWalk& walk) {
  const char32_t separator = walk.separator;
  // An explicit stack instead of recursion: folder trees can be deeper than the call stack.
  std::vector<Text> pending{root};
  while (!pending.empty()) {
    const Text folder = std::move(pending.back());
    pending.pop_back();
    if (walk.mayEnter && !walk.mayEnter(folder)) continue;
    if (walk.yieldToEvents) walk.yieldToEvents(folder);
    const Text candidate = Join(folder, kPatternFolderName, separator);
    if ((!walk.mayEnter || walk.mayEnter(candidate)) &&
        HoldsPatternData(fs, candidate, separator)) {
      return candidate + separator;
    }
    const std::vector<Text> subFolders = fs.ListFolders(folder);
    for (auto it = subFolders.rbegin(); it != subFolders.rend(); ++it) {
      pending.push_back(Join(folder, *it, separator));
    }
  }
  return Text();
}

Text SearchDrives(FileSystem& fs, const Text& programFolder, const PatternWalk& walk) {
  const auto searchDrive = [&](char32_t letter) -> Text {
    if (!fs.MakeDriveCurrent(letter)) return Text();
    Text root(1, letter);
    root += U':';
    root += walk.separator;
    return SearchPatternFolders(fs, root, walk);
  };
  if (!programFolder.empty()) {
    Text found = searchDrive(programFolder.front());
    if (!found.empty()) return found;
  }
  for (char32_t letter = U'A'; letter <= U'Z'; ++letter) {
    Text found = searchDrive(letter);
    if (!found.empty()) return found;
  }
  return Text();
}

std::function<bool(const Text& folder)> LocalFolderFilter() {
#ifdef _WIN32
  return {};
#else
  std::set<std::string> skipped = {"/proc", "/sys", "/dev"};
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (fields >> device >> mountPoint >> type && IsRemoteOrPseudo(type)) {
      skipped.insert(UnescapeMountPath(mountPoint));
    }
  }
  return [skipped = std::move(skipped)](const Text& folder) {
    const std::string native = NativeNameBytes(folder);
    if (skipped.count(native) != 0) return false;
    struct stat info {};
    if (::lstat(native.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode);
  };
#endif
}

Text LocatePatternFolder(FileSystem& fs, const PatternLookupEnv& env) {
  const char32_t separator = HostSeparator();
  if (!env.overrideFolder.empty() && HoldsPatternData(fs, env.overrideFolder, separator)) {
    return WithSeparator(env.overrideFolder, separator);
  }
#ifndef _WIN32
  // A packaged program's own folders belong to dpkg: the user's and the administrator's copies
  // come first.
  for (const Text& folder : env.dataFolders) {
    if (HoldsPatternData(fs, folder, separator)) return WithSeparator(folder, separator);
  }
#endif
  // Without a known program folder the candidates would be relative to the current folder.
  if (!env.programFolder.empty()) {
    const Text besideProgram = Join(env.programFolder, kPatternFolderName, separator);
    if (HoldsPatternData(fs, besideProgram, separator)) return besideProgram + separator;
#ifndef _WIN32
    const Text prefix = ParentFolder(env.programFolder, separator);
    if (!prefix.empty()) {
      const Text installed = Join(prefix, U"share/tecris2nx/PATDAT", separator);
      if (HoldsPatternData(fs, installed, separator)) return installed + separator;
    }
#endif
  }
#ifdef _WIN32
  // An installed program's folder is not writable by users: their copies come after it.
  for (const Text& folder : env.dataFolders) {
    if (!folder.empty() && HoldsPatternData(fs, folder, separator)) {
      return WithSeparator(folder, separator);
    }
  }
#endif
  if (!env.walkDrives) return Text();

  PatternWalk walk;
  walk.separator = separator;
  walk.yieldToEvents = env.yieldToEvents;
#ifdef _WIN32
  // The walk makes each drive current in turn, the way a drive is found usable; relative paths
  // of the caller (a command line's -o and input files) must still mean what they meant.
  const CurrentFolderKeeper keeper;
  return SearchDrives(fs, env.programFolder, walk);
#else
  walk.mayEnter = LocalFolderFilter();
  return SearchPatternFolders(fs, Text(1, separator), walk);
#endif
}

std::vector<Text> DataPatternFolders(const char* xdgDataHome, const char* home) {
  const auto absolute = [](const char* path) { return path != nullptr && path[0] == '/'; };
  std::vector<Text> folders;
  // A relative XDG_DATA_HOME is invalid and ignored, like a relative or empty HOME.
  if (absolute(xdgDataHome)) {
    folders.push_back(Join(FromUtf8(xdgDataHome), U"tecris2nx/PATDAT", U'/'));
  } else if (absolute(home)) {
    folders.push_back(Join(FromUtf8(home), U".local/share/tecris2nx/PATDAT", U'/'));
  }
  // dpkg owns /usr/share; an administrator's copy for every user belongs under /etc.
  folders.push_back(U"/etc/tecris2nx/PATDAT");
  return folders;
}

PatternLookupEnv HostPatternLookupEnv(const char* argv0) {
  namespace stdfs = std::filesystem;
  PatternLookupEnv env;
  std::error_code ec;
#ifdef _WIN32
  (void)argv0;
  std::wstring buffer(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length > 0 && length < buffer.size()) {
    buffer.resize(length);
    env.programFolder = stdfs::path(buffer).parent_path().u32string();
  }
  env.overrideFolder = EnvironmentText(L"TECRIS2NX_PATDAT");
  for (const wchar_t* base : {L"LOCALAPPDATA", L"ProgramData"}) {
    const Text folder = EnvironmentText(base);
    if (!folder.empty()) env.dataFolders.push_back(Join(folder, U"tecris2nx\\PATDAT", U'\\'));
  }
#else
  stdfs::path program = stdfs::read_symlink("/proc/self/exe", ec);
  if (ec && argv0 != nullptr && std::string(argv0).find('/') != std::string::npos) {
    ec.clear();
    program = stdfs::weakly_canonical(stdfs::absolute(argv0, ec), ec);
  }
  if (!ec && !program.empty()) env.programFolder = FromNativeName(program.parent_path().native());
  if (const char* folder = std::getenv("TECRIS2NX_PATDAT"); folder != nullptr) {
    env.overrideFolder = FromNativeName(folder);
  }
  env.dataFolders = DataPatternFolders(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
#endif
  return env;
}

}  // namespace tecris2nx
