#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli.h"
#include "app/cli/output_sink.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifdef _WIN32
#include "common/windows_api.h"
#include <shellapi.h>

namespace {

// The narrow argv of Windows is in the ANSI code page and loses every character outside it; the
// command line takes UTF-8, so the arguments are read wide and converted.
std::vector<std::string> WideArguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    arg.pop_back();  // the terminating null
    args.push_back(arg);
  }
  LocalFree(wide);
  return args;
}

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef __GLIBC__
  // A fixed threshold for the conversion: the output buffers of a large file, once freed, go back
  // to the system at once instead of raising the threshold and staying in the heap while the next
  // ones grow. The boring log's many mid-sized sheets are better served by the heap's own rule.
  // Freed memory at the top of the heap is kept for the next section's cells rather than given
  // back at every free: each page given back costs a page fault when it is taken again, and the
  // peak is the same.
  if (argc < 2 || std::string_view(argv[1]) != "log") {
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
  }
#endif
  // Before anything else: the worker threads take the signal mask of the thread that starts them.
  tecris2nx::Interruption& interruption = tecris2nx::HostInterruption();
#ifdef _WIN32
  std::vector<std::string> args = WideArguments();
#else
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  tecris2nx::RealFileSystem fs;
  tecris2nx::CliEnvironment env{fs, tecris2nx::HostPatternLookupEnv(argc > 0 ? argv[0] : ""),
                                &interruption};
#ifdef _WIN32
  // The console's code page is left as the user set it: the console gets characters, and files
  // and pipes get the bytes other Windows programs expect.
  tecris2nx::OutputSink outSink(tecris2nx::StandardStreamCalls(false), tecris2nx::WritesJson(args));
  tecris2nx::OutputSink errSink(tecris2nx::StandardStreamCalls(true), false);
  std::ostream out(&outSink);
  std::ostream err(&errSink);
  const int status = tecris2nx::RunCommandLine(args, out, err, env);
  out.flush();
  err.flush();
  return status;
#else
  return tecris2nx::RunCommandLine(args, std::cout, std::cerr, env);
#endif
}
