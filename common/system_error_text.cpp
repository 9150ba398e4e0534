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
constexpr const char32_t* kInvalidName = U"名前に使えない文字があるか、名前の形が正しくありません";
constexpr const char32_t* kNoDrive = U"ドライブまたは装置がありません";
constexpr const char32_t* kNetwork = U"ネットワーク上の場所に接続できません";
constexpr const char32_t* kNotSupported = U"このドライブではこの操作ができません";
constexpr const char32_t* kNoMemory = U"メモリまたはシステムの資源が足りません";
constexpr const char32_t* kNotEmpty = U"フォルダが空ではありません";
constexpr const char32_t* kInvalidArgument = U"パラメーターが正しくありません";
constexpr const char32_t* kTooLarge = U"ファイルが大きすぎます";
constexpr const char32_t* kOtherDrive = U"別のドライブへは移せません";
constexpr const char32_t* kTimedOut = U"時間内に応答がありませんでした";
constexpr const char32_t* kInterrupted = U"操作が中断されました";
constexpr const char32_t* kTryAgain = U"一時的に使えません（もう一度試してください）";
constexpr const char32_t* kVirus = U"ウイルス対策ソフトがファイルを止めました";
constexpr const char32_t* kOffline = U"ファイルがオフラインです（取り出せません）";

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
    {EINVAL, kInvalidArgument},
    {ENODEV, kNoDrive},
    {ENXIO, kNoDrive},
    {ENOMEM, kNoMemory},
    {ENOTEMPTY, kNotEmpty},
    {EFBIG, kTooLarge},
    {EXDEV, kOtherDrive},
    {EINTR, kInterrupted},
    {EAGAIN, kTryAgain},
#ifdef ETIMEDOUT
    {ETIMEDOUT, kTimedOut},
#endif
#ifdef ENOTSUP
    {ENOTSUP, kNotSupported},
#endif
#if defined(EOPNOTSUPP) && defined(ENOTSUP) && EOPNOTSUPP != ENOTSUP
    {EOPNOTSUPP, kNotSupported},
#endif
#ifdef ESTALE
    {ESTALE, kNetwork},
#endif
#ifdef EHOSTDOWN
    {EHOSTDOWN, kNetwork},
#endif
  };
  return Lookup(kTexts, std::size(kTexts), static_cast<unsigned long>(errorNumber),
                DecimalText(errorNumber));
}

Text WindowsErrorText(unsigned long code) {
  // The codes of winerror.h, spelled out so that this table builds on every host.
  // The codes file operations return (creating folders, opening, writing, renaming, listing),
  // local drives and network shares alike.
  static constexpr ErrorText kTexts[] = {
      {1, kNotSupported},         // ERROR_INVALID_FUNCTION (an operation the file system lacks)
      {2, kMissing},              // ERROR_FILE_NOT_FOUND
      {3, kMissing},              // ERROR_PATH_NOT_FOUND
      {4, kTooManyOpen},          // ERROR_TOO_MANY_OPEN_FILES
      {5, kPermissionDenied},     // ERROR_ACCESS_DENIED
      {8, kNoMemory},             // ERROR_NOT_ENOUGH_MEMORY
      {14, kNoMemory},            // ERROR_OUTOFMEMORY
      {15, kNoDrive},             // ERROR_INVALID_DRIVE
      {16, kInUse},               // ERROR_CURRENT_DIRECTORY
      {17, kOtherDrive},          // ERROR_NOT_SAME_DEVICE
      {19, kReadOnly},            // ERROR_WRITE_PROTECT
      {20, kNoDrive},             // ERROR_BAD_UNIT
      {21, kNotReady},            // ERROR_NOT_READY
      {23, kInputOutput},         // ERROR_CRC
      {25, kInputOutput},         // ERROR_SEEK
      {26, kInputOutput},         // ERROR_NOT_DOS_DISK
      {27, kInputOutput},         // ERROR_SECTOR_NOT_FOUND
      {29, kInputOutput},         // ERROR_WRITE_FAULT
      {30, kInputOutput},         // ERROR_READ_FAULT
      {31, kInputOutput},         // ERROR_GEN_FAILURE
      {32, kInUse},               // ERROR_SHARING_VIOLATION
      {33, kInUse},               // ERROR_LOCK_VIOLATION
      {34, kNotReady},            // ERROR_WRONG_DISK
      {36, kTooManyOpen},         // ERROR_SHARING_BUFFER_EXCEEDED
      {38, kInputOutput},         // ERROR_HANDLE_EOF
      {39, kNoSpace},             // ERROR_HANDLE_DISK_FULL
      {50, kNotSupported},        // ERROR_NOT_SUPPORTED
      {51, kNetwork},             // ERROR_REM_NOT_LIST
      {53, kNetwork},             // ERROR_BAD_NETPATH
      {54, kNetwork},             // ERROR_NETWORK_BUSY
      {55, kNetwork},             // ERROR_DEV_NOT_EXIST
      {59, kNetwork},             // ERROR_UNEXP_NET_ERR
      {64, kNetwork},             // ERROR_NETNAME_DELETED
      {65, kPermissionDenied},    // ERROR_NETWORK_ACCESS_DENIED
      {67, kNetwork},             // ERROR_BAD_NET_NAME
      {71, kNetwork},             // ERROR_REQ_NOT_ACCEP
      {80, kExists},              // ERROR_FILE_EXISTS
      {82, kPermissionDenied},    // ERROR_CANNOT_MAKE
      {87, kInvalidArgument},     // ERROR_INVALID_PARAMETER
      {111, kNameTooLong},        // ERROR_BUFFER_OVERFLOW (a name too long for the call)
      {112, kNoSpace},            // ERROR_DISK_FULL
      {121, kTimedOut},           // ERROR_SEM_TIMEOUT (a share that does not answer)
      {123, kInvalidName},        // ERROR_INVALID_NAME
      {145, kNotEmpty},           // ERROR_DIR_NOT_EMPTY
      {148, kInUse},              // ERROR_PATH_BUSY
      {161, kInvalidName},        // ERROR_BAD_PATHNAME
      {170, kInUse},              // ERROR_BUSY
      {183, kExists},             // ERROR_ALREADY_EXISTS
      {206, kNameTooLong},        // ERROR_FILENAME_EXCED_RANGE
      {223, kTooLarge},           // ERROR_FILE_TOO_LARGE
      {225, kVirus},              // ERROR_VIRUS_INFECTED
      {226, kVirus},              // ERROR_VIRUS_DELETED
      {267, kNotFolder},          // ERROR_DIRECTORY
      {303, kInUse},              // ERROR_DELETE_PENDING
      {483, kInputOutput},        // ERROR_DEVICE_HARDWARE_ERROR
      {665, kTooLarge},           // ERROR_FILE_SYSTEM_LIMITATION
      {681, kLink},               // ERROR_STOPPED_ON_SYMLINK
      {740, kPermissionDenied},   // ERROR_ELEVATION_REQUIRED
      {995, kInterrupted},        // ERROR_OPERATION_ABORTED
      {1005, kInputOutput},       // ERROR_UNRECOGNIZED_VOLUME
      {1006, kInputOutput},       // ERROR_FILE_INVALID (the volume changed under the file)
      {1110, kNotReady},          // ERROR_MEDIA_CHANGED
      {1117, kInputOutput},       // ERROR_IO_DEVICE
      {1167, kNoDrive},           // ERROR_DEVICE_NOT_CONNECTED
      {1224, kInUse},             // ERROR_USER_MAPPED_FILE
      {1231, kNetwork},           // ERROR_NETWORK_UNREACHABLE
      {1295, kNoSpace},           // ERROR_DISK_QUOTA_EXCEEDED
      {1314, kPermissionDenied},  // ERROR_PRIVILEGE_NOT_HELD
      {1326, kPermissionDenied},  // ERROR_LOGON_FAILURE (a share refusing the user)
      {1392, kInputOutput},       // ERROR_FILE_CORRUPT
      {1393, kInputOutput},       // ERROR_DISK_CORRUPT
      {1450, kNoMemory},          // ERROR_NO_SYSTEM_RESOURCES
      {1785, kInputOutput},       // ERROR_UNRECOGNIZED_MEDIA
      {1816, kNoMemory},          // ERROR_NOT_ENOUGH_QUOTA
      {1920, kLink},              // ERROR_CANT_ACCESS_FILE (a link that cannot be followed)
      {1921, kLink},              // ERROR_CANT_RESOLVE_FILENAME (links in a loop)
      {4350, kOffline},           // ERROR_FILE_OFFLINE
      {6009, kReadOnly},          // ERROR_FILE_READ_ONLY
  };
  return Lookup(kTexts, std::size(kTexts), code, DecimalText(static_cast<long long>(code)));
}

}  // namespace tecris2nx
