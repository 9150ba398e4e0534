#pragma once

#include <cstddef>
#include <streambuf>
#include <string>
#include <string_view>

#include "common/text.h"

namespace tecris2nx {

/// What the output sink needs of one standard stream, so that its choice is tested anywhere.
class StreamCalls {
 public:
  virtual ~StreamCalls() = default;
  /// True when the stream is a console window rather than a file or a pipe.
  virtual bool IsConsole() = 0;
  /// Writes to the console as characters, whatever its code page.
  virtual bool WriteConsoleText(const Text& text) = 0;
  virtual bool WriteBytes(std::string_view bytes) = 0;
  /// The text in the system's ANSI code page; a character without a form there becomes "?".
  virtual std::string AnsiBytes(const Text& text) = 0;
};

enum class OutputForm { kConsole, kAnsi, kUtf8 };

/// A console is written as characters; a file or a pipe gets the ANSI code page, as the
/// system's own tools write, except JSON, which is UTF-8 by definition.
OutputForm ChooseOutputForm(bool console, bool json);

/// A stream buffer taking the command line's UTF-8 and writing it in the stream's form. A
/// character cut between two flushes is held back until it is whole.
class OutputSink : public std::streambuf {
 public:
  OutputSink(StreamCalls& calls, bool json);
  ~OutputSink() override;
  OutputSink(const OutputSink&) = delete;
  OutputSink& operator=(const OutputSink&) = delete;

  OutputForm form() const { return form_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool Flush(bool all);

  StreamCalls& calls_;
  OutputForm form_;
  std::string pending_;
};

#ifdef _WIN32
/// The calls for the process's standard output (or, with `error`, its standard error).
StreamCalls& StandardStreamCalls(bool error);
#endif

/// The length of the longest start of the bytes that does not end inside a UTF-8 sequence.
std::size_t WholeUtf8Prefix(std::string_view bytes);

}  // namespace tecris2nx
