#include "app/win32/host_environment.h"

#include <string>
#include <utility>

#include "common/windows_api.h"
// After the Windows API header.
#include <shlobj.h>

#include "app/win32/folders.h"
#include "app/window/pattern_lookup.h"
#include "common/pattern_folder.h"
#include "common/wide_text.h"
#include "run/ordered_batch.h"

namespace tecris2nx::win32 {
namespace {

std::vector<Text> DriveRoots() {
  std::vector<Text> roots;
  const DWORD drives = GetLogicalDrives();
  // Bit 0 is drive A.
  constexpr TextView kDriveLetters = U"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (std::size_t bit = 0; bit < kDriveLetters.size(); ++bit) {
    if ((drives & (1u << bit)) == 0) continue;
    roots.push_back(Text(1, kDriveLetters[bit]) + U":\\");
  }
  return roots;
}

/// A folder the trees can show: it exists and its entries can be listed.
bool FolderUsable(const Text& folder) {
  const std::wstring wide = ToWide(folder);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(ToWide(JoinFolder(folder, U"*")).c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  FindClose(search);
  return true;
}

Text CurrentFolder() {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return FromWide(folder);
}

/// The user's Documents folder (wherever the user or an administrator moved it); empty when the
/// system has none.
Text DocumentsFolder() {
  PWSTR path = nullptr;
  Text folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &path))) {
    folder = FromWide(path);
  }
  CoTaskMemFree(path);  // also when the call failed
  return folder;
}

Text SettingsFile() {
  std::wstring base(GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0), L'\0');
  if (base.empty()) return Text();
  base.resize(
      GetEnvironmentVariableW(L"LOCALAPPDATA", base.data(), static_cast<DWORD>(base.size())));
  if (base.empty()) return Text();
  return JoinFolder(JoinFolder(FromWide(base), U"tecris2nx"), U"window.conf");
}

}  // namespace

WindowEnvironment HostWindowEnvironment(FileSystem& fs, PostToWindow post,
                                        PostToWindowLater later) {
  WindowEnvironment env;
  env.fs = &fs;
  env.workers = DefaultWorkers();
  env.post = std::move(post);
  env.postLater = std::move(later);
  env.doubleClickMilliseconds = static_cast<int>(GetDoubleClickTime());
  const PatternLookupEnv lookup = HostPatternLookupEnv(nullptr);
  env.findPatternFolder = QuickPatternLookup(fs, lookup);
  env.searchPatternFolder = PatternWalkLookup(fs, lookup);
  env.patternPlaces = PatternPlaces(lookup, U'\\');
  env.listDrives = DriveRoots;
  env.folderUsable = FolderUsable;
  env.currentFolder = CurrentFolder;
  env.documentsFolder = DocumentsFolder;
  env.makeCurrent = [](const Text& folder) {
    return SetCurrentDirectoryW(ToWide(folder).c_str()) != FALSE;
  };
  env.settingsFile = SettingsFile();
  // Installed (and in the zip) beside the program, as in a build folder.
  if (!lookup.programFolder.empty()) {
    env.guideFiles.push_back(JoinFolder(lookup.programFolder, U"tecris2nx-guide-ja.html"));
  }
  return env;
}

}  // namespace tecris2nx::win32
