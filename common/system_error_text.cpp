#include "common/system_error_text.h"

#include <cerrno>
#include <iterator>

namespace tecris2nx {
namespace {

constexpr const char32_t* kPermissionDenied = U"アクセス権がありません";
constexpr const char32_t* kNoSpace = U"ディスクの空き領域が足りません";
constexpr const char32_t* kExists = U"同じ名前のものがあります";
constexpr const char32_t* kNotFolder = U"フォルダではありません";
constexpr const char32_t* kIsFolder = U"フォルダです";
constexpr const char32_t* kMissing = U"ファイルまたはフォルダがありません";
constexpr const char32_t* kReadOnly = U"書き込みが禁止されています";
constexpr const char32_t* kInputOutput = U"入出力エラーが発生しました";
constexpr const char32_t* kLink = U"シンボリックリンクはたどりません";
constexpr const char32_t* kNameTooLong = U"名前が長すぎます";
constexpr const char32_t* kTooManyOpen = U"開いているファイルが多すぎます";
constexpr const char32_t* kInUse = U"ほかのプログラムが使用中です";
constexpr const char32_t* kNotReady = U"ドライブの準備ができていません";

struct ErrorText {
  unsigned long code;
  const char32_t* text;
};

Text Lookup(const ErrorText* table, std::size_t size, unsigned long code, Text number) {
  for (std::size_t i = 0; i < size; ++i) {
    if (table[i].code == code) return table[i].text;
  }
  return U"システムエラー（エラー番号 " + number + U"）";
}

}  // namespace

Text SystemErrorText(int errorNumber) {
  static constexpr ErrorText kTexts[] = {
      {EACCES, kPermissionDenied},
      {EPERM, kPermissionDenied},
      {ENOSPC, kNoSpace},
#ifdef EDQUOT
      {EDQUOT, kNoSpace},
#endif
      {EEXIST, kExists},
      {ENOTDIR, kNotFolder},
      {EISDIR, kIsFolder},
      {ENOENT, kMissing},
      {EROFS, kReadOnly},
      {EIO, kInputOutput},
#ifdef ELOOP
      {ELOOP, kLink},
#endif
      {ENAMETOOLONG, kNameTooLong},
      {EMFILE, kTooManyOpen},
      {ENFILE, kTooManyOpen},
      {EBUSY, kInUse},
#ifdef ETXTBSY
      {ETXTBSY, kInUse},
#endif
  };
  return Lookup(kTexts, std::size(kTexts), static_cast<unsigned long>(errorNumber),
                DecimalText(errorNumber));
}

Text WindowsErrorText(unsigned long code) {
  // The codes of winerror.h, spelled out so that this table builds on every host.
  static constexpr ErrorText kTexts[] = {
      {2, kMissing},           // ERROR_FILE_NOT_FOUND
      {3, kMissing},           // ERROR_PATH_NOT_FOUND
      {4, kTooManyOpen},       // ERROR_TOO_MANY_OPEN_FILES
      {5, kPermissionDenied},  // ERROR_ACCESS_DENIED
      {19, kReadOnly},         // ERROR_WRITE_PROTECT
      {21, kNotReady},         // ERROR_NOT_READY
      {23, kInputOutput},      // ERROR_CRC
      {32, kInUse},            // ERROR_SHARING_VIOLATION
      {33, kInUse},            // ERROR_LOCK_VIOLATION
      {39, kNoSpace},          // ERROR_HANDLE_DISK_FULL
      {80, kExists},           // ERROR_FILE_EXISTS
      {112, kNoSpace},         // ERROR_DISK_FULL
      {183, kExists},          // ERROR_ALREADY_EXISTS
      {206, kNameTooLong},     // ERROR_FILENAME_EXCED_RANGE
      {267, kNotFolder},       // ERROR_DIRECTORY
      {1117, kInputOutput},    // ERROR_IO_DEVICE
      {1920, kLink},           // ERROR_CANT_ACCESS_FILE (a link that cannot be followed)
  };
  return Lookup(kTexts, std::size(kTexts), code, DecimalText(static_cast<long long>(code)));
}

}  // namespace tecris2nx
