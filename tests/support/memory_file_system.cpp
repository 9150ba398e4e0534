#include "support/memory_file_system.h"

#include "common/error.h"

namespace tecris2nx::testing {

MemoryFileSystem::MemoryFileSystem() { folders_.insert(U"/"); }

Text MemoryFileSystem::Normal(const Text& path) {
  Text p = path;
  while (p.size() > 1 && p.back() == U'/') p.pop_back();
  return p;
}

namespace {

Text ParentOf(const Text& path) {
  const std::size_t cut = path.find_last_of(U'/');
  if (cut == Text::npos) return Text();
  return cut == 0 ? Text(U"/") : path.substr(0, cut);
}

}  // namespace

EntryKind MemoryFileSystem::KindOf(const Text& path) const {
  const Text p = Normal(path);
  if (folders_.count(p)) return EntryKind::kFolder;
  if (files_.count(p)) return EntryKind::kFile;
  return EntryKind::kNone;
}

void MemoryFileSystem::MakeFolder(const Text& path) {
  const Text p = Normal(path);
  if (KindOf(p) == EntryKind::kFolder) return;
  if (KindOf(p) != EntryKind::kNone || KindOf(ParentOf(p)) != EntryKind::kFolder) {
    throw ConversionError(U"フォルダを作成できません: " + path);
  }
  folders_.insert(p);
}

std::string MemoryFileSystem::ReadAll(const Text& path) const {
  const auto it = files_.find(Normal(path));
  if (it == files_.end()) throw ConversionError(U"ファイルを開けません: " + path);
  return it->second;
}

void MemoryFileSystem::WriteAll(const Text& path, std::string_view bytes) {
  const Text p = Normal(path);
  if (failingWrites_.count(p) || folders_.count(p) || KindOf(ParentOf(p)) != EntryKind::kFolder) {
    throw ConversionError(U"ファイルに書き込めません: " + path);
  }
  files_[p] = std::string(bytes);
}

void MemoryFileSystem::WriteFiles(const Text& folder, const NamedFiles& files) {
  // All or nothing, as the real file system writes files that belong together.
  MemoryFileSystem trial = *this;
  for (const auto& [name, bytes] : files) trial.WriteAll(folder + U"/" + name, bytes);
  files_ = std::move(trial.files_);
}

std::int64_t MemoryFileSystem::FileSize(const Text& path) const {
  const auto it = files_.find(Normal(path));
  return it == files_.end() ? 0 : static_cast<std::int64_t>(it->second.size());
}

std::vector<Text> MemoryFileSystem::ListFiles(const Text& folder) const {
  std::vector<Text> names;
  const Text f = Normal(folder);
  for (const auto& [path, bytes] : files_) {
    if (ParentOf(path) == f) names.push_back(path.substr(path.find_last_of(U'/') + 1));
  }
  return names;
}

std::vector<Text> MemoryFileSystem::ListFolders(const Text& folder) const {
  std::vector<Text> names;
  const Text f = Normal(folder);
  for (const Text& path : folders_) {
    if (path != U"/" && ParentOf(path) == f) {
      names.push_back(path.substr(path.find_last_of(U'/') + 1));
    }
  }
  return names;
}

bool MemoryFileSystem::MakeDriveCurrent(char32_t letter) { return letter == U'/'; }

void MemoryFileSystem::AddFilesOf(const Text& folder, const Text& to, const Text& except) {
  RealFileSystem real;
  for (const Text& name : real.ListFiles(folder)) {
    if (name != except) AddFile(to + name, real.ReadAll(folder + name));
  }
}

void MemoryFileSystem::AddFile(const Text& path, std::string bytes) {
  const Text p = Normal(path);
  for (Text parent = ParentOf(p); !parent.empty() && !folders_.count(parent);
       parent = ParentOf(parent)) {
    folders_.insert(parent);
  }
  files_[p] = std::move(bytes);
}

}  // namespace tecris2nx::testing
