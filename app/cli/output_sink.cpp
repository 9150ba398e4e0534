#include "app/cli/output_sink.h"

#include <algorithm>

#ifdef _WIN32
#include "common/windows_api.h"
#include "common/wide_text.h"
#endif

namespace tecris2nx {

OutputForm ChooseOutputForm(bool console, bool json) {
  if (console) return OutputForm::kConsole;
  return json ? OutputForm::kUtf8 : OutputForm::kAnsi;
}

std::size_t WholeUtf8Prefix(std::string_view bytes) {
  // Only the last three bytes can belong to an unfinished sequence of at most four.
  const std::size_t size = bytes.size();
  for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(bytes[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    std::size_t length = 1;
    if ((byte & 0xE0) == 0xC0) {
      length = 2;
    } else if ((byte & 0xF0) == 0xE0) {
      length = 3;
    } else if ((byte & 0xF8) == 0xF0) {
      length = 4;
    }
    return length > back ? size - back : size;
  }
  return size;
}

OutputSink::OutputSink(StreamCalls& calls, bool json)
    : calls_(calls), form_(ChooseOutputForm(calls.IsConsole(), json)) {}

OutputSink::~OutputSink() { Flush(true); }

OutputSink::int_type OutputSink::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  if (traits_type::to_char_type(c) == '\n' && !Flush(false)) return traits_type::eof();
  return c;
}

std::streamsize OutputSink::xsputn(const char* s, std::streamsize n) {
  pending_.append(s, static_cast<std::size_t>(n));
  // Whole lines go out at once, so that messages of a long run appear as they come.
  if (pending_.find('\n') != std::string::npos && !Flush(false)) return 0;
  return n;
}

int OutputSink::sync() { return Flush(false) ? 0 : -1; }

bool OutputSink::Flush(bool all) {
  const std::size_t whole = all ? pending_.size() : WholeUtf8Prefix(pending_);
  if (whole == 0) return true;
  const std::string_view bytes = std::string_view(pending_).substr(0, whole);
  bool written = false;
  switch (form_) {
    case OutputForm::kConsole:
      written = calls_.WriteConsoleText(FromUtf8(bytes));
      break;
    case OutputForm::kAnsi:
      written = calls_.WriteBytes(calls_.AnsiBytes(FromUtf8(bytes)));
      break;
    case OutputForm::kUtf8:
      written = calls_.WriteBytes(bytes);
      break;
  }
  pending_.erase(0, whole);
  return written;
}

#ifdef _WIN32
namespace {

class WindowsStreamCalls : public StreamCalls {
 public:
  explicit WindowsStreamCalls(DWORD which) : handle_(GetStdHandle(which)) {}

  bool IsConsole() override {
    DWORD mode = 0;
    return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
           GetFileType(handle_) == FILE_TYPE_CHAR && GetConsoleMode(handle_, &mode) != 0;
  }

  bool WriteConsoleText(const Text& text) override {
    const std::wstring wide = ToWide(text);
    // Pieces of moderate size: older consoles refuse very large writes.
    constexpr std::size_t kPiece = 8192;
    for (std::size_t at = 0; at < wide.size();) {
      std::size_t n = std::min(kPiece, wide.size() - at);
      const auto last = static_cast<unsigned>(wide[at + n - 1]);
      if (n > 1 && at + n < wide.size() && last >= 0xD800 && last <= 0xDBFF) --n;  // keep pairs
      DWORD done = 0;
      if (!WriteConsoleW(handle_, wide.data() + at, static_cast<DWORD>(n), &done, nullptr) ||
          done == 0) {
        return false;
      }
      at += done;
    }
    return true;
  }

  bool WriteBytes(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD done = 0;
      if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
          done == 0) {
        return false;
      }
      bytes.remove_prefix(done);
    }
    return true;
  }

  std::string AnsiBytes(const Text& text) override {
    const std::wstring wide = ToWide(text);
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    // No best fit: a look-alike would turn a file name of --list into another file's name.
    constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
    const int n =
        WideCharToMultiByte(CP_ACP, kFlags, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, kFlags, wide.data(), size, bytes.data(), n, nullptr, nullptr);
    return bytes;
  }

 private:
  HANDLE handle_;
};

}  // namespace

StreamCalls& StandardStreamCalls(bool error) {
  static WindowsStreamCalls output(STD_OUTPUT_HANDLE);
  static WindowsStreamCalls errors(STD_ERROR_HANDLE);
  return error ? errors : output;
}
#endif

}  // namespace tecris2nx
