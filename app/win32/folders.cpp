#include "app/win32/folders.h"

#include <algorithm>

#include "common/windows_api.h"
#include <shlobj.h>
#include <shobjidl.h>

#include "common/wide_text.h"

namespace tecris2nx::win32 {
namespace {

/// True when a link or junction leads to a folder: one to nothing or to a device is no folder.
bool LeadsToFolder(const std::wstring& path) {
  HANDLE target =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (target == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool folder = GetFileInformationByHandle(target, &info) &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  CloseHandle(target);
  return folder;
}

}  // namespace

std::vector<Text> VisibleSubFolders(const Text& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const std::wstring pattern = ToWide(JoinFolder(folder, U"*"));
  HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                   FindExSearchLimitToDirectories, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return {};
  do {
    const DWORD attributes = found.dwFileAttributes;
    const std::wstring name = found.cFileName;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || name == L"." || name == L"..") continue;
    if ((attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) continue;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        !LeadsToFolder(ToWide(JoinFolder(folder, FromWide(name))))) {
      continue;
    }
    names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(),
                          static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) == CSTR_LESS_THAN;
  });
  std::vector<Text> texts;
  texts.reserve(names.size());
  for (const std::wstring& name : names) texts.push_back(FromWide(name));
  return texts;
}

Text DriveCaption(const Text& root) {
  Text caption = root;
  while (!caption.empty() && caption.back() == U'\\') caption.pop_back();
  const std::wstring wideRoot = ToWide(root);
  if (GetDriveTypeW(wideRoot.c_str()) != DRIVE_FIXED) return caption;
  wchar_t label[MAX_PATH + 1] = {};
  if (GetVolumeInformationW(wideRoot.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                            nullptr, 0) &&
      label[0] != L'\0') {
    caption += U" [" + FromWide(label) + U"]";
  }
  return caption;
}

Text JoinFolder(const Text& folder, const Text& name) {
  if (!folder.empty() && folder.back() == U'\\') return folder + name;
  return folder + U'\\' + name;
}

std::vector<Text> NamesBelow(const Text& root, const Text& folder) {
  std::vector<Text> names;
  if (root.empty() || folder.size() <= root.size()) return names;
  // Drive letters and folder names compare without case, as Windows compares them.
  const std::wstring wideRoot = ToWide(root), head = ToWide(folder.substr(0, root.size()));
  if (CompareStringOrdinal(wideRoot.c_str(), static_cast<int>(wideRoot.size()), head.c_str(),
                           static_cast<int>(head.size()), TRUE) != CSTR_EQUAL) {
    return names;
  }
  if (root.back() != U'\\' && folder[root.size()] != U'\\') return names;
  std::size_t start = root.size();
  while (start < folder.size()) {
    if (folder[start] == U'\\') {
      ++start;
      continue;
    }
    const std::size_t end = std::min(folder.find(U'\\', start), folder.size());
    names.push_back(folder.substr(start, end - start));
    start = end;
  }
  return names;
}

namespace {

/// Opens the older folder browser at the start folder.
int CALLBACK BrowseStarted(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

}  // namespace

Text ChooseFolderWithDialog(HWND owner, const Text& title, const Text& start) {
  const std::wstring wideTitle = ToWide(title), wideStart = ToWide(start);
  IFileOpenDialog* dialog = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog)))) {
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(wideTitle.c_str());
    IShellItem* folder = nullptr;
    if (!start.empty() &&
        SUCCEEDED(SHCreateItemFromParsingName(wideStart.c_str(), nullptr, IID_IShellItem,
                                              reinterpret_cast<void**>(&folder)))) {
      dialog->SetFolder(folder);
      folder->Release();
    }
    Text chosen;
    IShellItem* result = nullptr;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&result))) {
      PWSTR path = nullptr;
      if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        chosen = FromWide(path);
        CoTaskMemFree(path);
      }
      result->Release();
    }
    dialog->Release();
    return chosen;
  }
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = wideTitle.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = BrowseStarted;
  browse.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(wideStart.c_str());
  Text chosen;
  if (const PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&browse)) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(list, path)) chosen = FromWide(path);
    CoTaskMemFree(list);
  }
  return chosen;
}

}  // namespace tecris2nx::win32
