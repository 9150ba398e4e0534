#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>

#include "common/cp932.h"

namespace tecris2nx::testing {

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("tecris2nx-test-" + std::to_string(rd()) + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only folders behind; make them writable so removal succeeds.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

Text TempDir::text() const { return path_.u32string(); }

Text TempDir::TextOf(std::string_view relative) const {
  // In the host's own form: "a/b" gives a\b on Windows.
  return (path_ / std::filesystem::u8path(relative)).make_preferred().u32string();
}

void TempDir::Write(std::string_view relative, std::string_view bytes) const {
  auto p = path_ / std::filesystem::u8path(relative);
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::Read(std::string_view relative) const {
  std::ifstream in(path_ / std::filesystem::u8path(relative), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TempDir::Exists(std::string_view relative) const {
  return std::filesystem::exists(path_ / std::filesystem::u8path(relative));
}

std::string Cp932Lines(std::string_view utf8) {
  std::string withCrLf;
  for (char c : utf8) {
    if (c == '\n') withCrLf += '\r';
    withCrLf += c;
  }
  return EncodeCp932(FromUtf8(withCrLf));
}

}  // namespace tecris2nx::testing
