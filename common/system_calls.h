#pragma once

#include <cstddef>

namespace tecris2nx {

/// The system calls that output files are written with, behind an interface so that tests can
/// make any of them fail (a full disk at the n-th write, a rename refused). Each returns as the
/// call it stands for and leaves its error in errno (POSIX) or GetLastError (Windows).
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
#ifdef _WIN32
  /// CreateFileW for writing with CREATE_NEW; null on failure (not INVALID_HANDLE_VALUE).
  virtual void* CreateNew(const wchar_t* path);
  /// WriteFile of the whole buffer; false on failure or when fewer bytes were written.
  virtual bool Write(void* file, const char* bytes, unsigned long size);
  virtual bool Close(void* file);
  /// MoveFileExW with MOVEFILE_REPLACE_EXISTING.
  virtual bool Replace(const wchar_t* from, const wchar_t* to);
  virtual bool Remove(const wchar_t* path);
  /// Waits before a rename is tried again.
  virtual void Pause(unsigned milliseconds);
#else
  virtual int OpenAt(int folder, const char* name, int flags, unsigned mode);
  virtual long Write(int file, const char* bytes, std::size_t size);
  virtual int Close(int file);
  virtual int RenameAt(int folder, const char* from, const char* to);
  virtual int UnlinkAt(int folder, const char* name);
#endif
};

/// The host's own calls.
SystemCalls& HostSystemCalls();

}  // namespace tecris2nx
