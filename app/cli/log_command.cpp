#include "app/cli/log_command.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#ifdef _WIN32
#include "common/windows_api.h"
#include "common/wide_text.h"
#else
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#endif

#include "app/cli/log_formats.h"
#include "app/cli/shared_options.h"
#include "common/error.h"
#include "log/borehole.h"
#include "log/layout.h"
#include "log/svg_writer.h"
#include "run/boring_log_file.h"
#include "run/convert_file.h"
#include "run/ordered_batch.h"
#include "run/repeated_jobs.h"
#include "tecris/path_check.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {

const char kLogRenderProgram[] = "tecris2nx-log-render";

const char* const kLogUsage =
    "使い方: tecris2nx log [--format svg|pdf|png] [--scale 100] [--paper a4|a3] [--dpi 300]\n"
    "                      [--patdat DIR] -o OUTDIR FILE...\n"
    "\n"
    "各 TECRIS ファイルの柱状図を OUTDIR/<識別子>.svg（.pdf, .png）に書き出します。\n"
    "\n"
    "  --format svg|pdf|png 出力形式（既定は svg。pdf は A4 縦のページ、png は 1 枚の図）\n"
    "  --dpi N              png の解像度（72 から 1200。既定は 300）\n"
    "  --scale N            縮尺 1:N（50, 100, 200。既定は 100）\n"
    "  --paper a4|a3        用紙の幅（既定は a4）\n"
    "  --patdat DIR         パターンデータのフォルダ（省略時は自動で探します）\n"
    "  --encoding CODE      ファイルの文字コード: auto（既定）, cp932, utf-8\n"
    "  -o OUTDIR            出力先フォルダ（なければ作ります）\n"
    "\n"
    "終了コード: 0 すべて作成, 1 作成できないファイルあり, 2 使い方の誤り\n";

namespace {

struct LogOptions {
  std::string format = "svg";
  int scale = 100;
  int dpi = 300;
  boringlog::Paper paper = boringlog::Paper::kA4;
  std::string patdat;
  std::string output;
  EncodingChoice encoding = EncodingChoice::kAuto;
  bool help = false;
  std::vector<std::string> files;
};

std::string Parse(const std::vector<std::string>& args, LogOptions& options, bool rendered) {
  bool filesOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    bool missing = false;
    const auto take = [&](const char* name) {
      return TakeOptionValue(args, i, name, value, missing);
    };
    if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (take("--format")) {
      options.format = value;
      std::transform(options.format.begin(), options.format.end(), options.format.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    } else if (take("--scale")) {
      options.scale = std::atoi(value.c_str());
      if (value.find_first_not_of("0123456789") != std::string::npos ||
          !boringlog::IsLogScale(options.scale)) {
        return "--scale は 50, 100, 200 のいずれかです: " + value;
      }
    } else if (take("--dpi")) {
      options.dpi = std::atoi(value.c_str());
      if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos ||
          value.size() > 4 || options.dpi < 72 || options.dpi > 1200) {
        return "--dpi は 72 から 1200 の整数です: " + value;
      }
    } else if (take("--paper")) {
      if (value == "a4" || value == "A4") {
        options.paper = boringlog::Paper::kA4;
      } else if (value == "a3" || value == "A3") {
        options.paper = boringlog::Paper::kA3;
      } else {
        return "--paper は a4 か a3 です: " + value;
      }
    } else if (take("--patdat")) {
      options.patdat = value;
    } else if (take("--encoding")) {
      if (std::string problem = ParseEncodingChoice(value, options.encoding); !problem.empty()) {
        return problem;
      }
    } else if (take("-o") || take("--output")) {
      options.output = value;
    } else if (missing) {
      return arg + " には値が必要です";
    } else {
      return "不明なオプションです: " + arg;
    }
  }
  if (options.help) return {};
  // Pictures come from the render program beside this one (Qt on Linux) or from the system
  // (GDI+ on Windows).
  std::vector<std::string> images = LogImageFormats();
  if (rendered) images = {"pdf", "png"};
  const bool image = std::find(images.begin(), images.end(), options.format) != images.end();
  std::string writable = "svg";
  for (const std::string& format : images) writable += ", " + format;
  if (!image && (options.format == "pdf" || options.format == "png")) {
    return "--format " + options.format +
           " はこの版では書き出せません（書き出せる形式: " + writable + "）";
  }
  if (!image && options.format != "svg") {
    return "不明な形式です: " + options.format + "（" + (images.empty() ? "svg のみ" : writable) +
           "）";
  }
  if (options.output.empty()) return "出力先フォルダ (-o OUTDIR) を指定してください";
  if (options.files.empty()) return "柱状図にする TECRIS ファイルを指定してください";
  return {};
}

struct Drawn {
  /// "<identifier>.svg"; a picture of pages: "<identifier>.png", or "<identifier>-1.png"...
  /// when there are more.
  NamedFiles files;
  Text error;
  Text identifier;  ///< of the file drawn; empty when it has none
  SourceEncoding encoding = SourceEncoding::kCp932;
};

/// Draws the file; the picture the render program draws goes straight into `output`, written
/// as it is made, the others come back in `files`.
Drawn DrawFile(FileSystem& fs, const Text& input, const Text& patternFolder,
               const LogOptions& options, const Text& date, LogRenderer* renderer, FileSystem& out,
               const Text& output) {
  Drawn drawn;
  try {
    const boringlog::Borehole hole =
        ReadBoreholeFile(fs, input, patternFolder, date, options.encoding, &drawn.encoding);
    drawn.identifier = hole.identifier;
    if (options.format == "svg") {
      const boringlog::LogSheets sheets =
          boringlog::LayoutBoringLog(hole, {options.scale, options.paper, false});
      drawn.files.emplace_back(hole.identifier + U".svg",
                               boringlog::SvgDocument(sheets.pages.front()));
      return drawn;
    }
    if (renderer) {
      // PDF pages, or one PNG sheet, from the render program.
      const bool paged = options.format == "pdf";
      const std::unique_ptr<FileSet> set = out.BeginFiles(output);
      set->Begin(hole.identifier + U"." + FromUtf8(options.format));
      renderer->Render(hole, {options.scale, options.paper, paged}, options.format, options.dpi,
                       [&](std::string_view bytes) { set->Append(bytes); });
      set->Commit();
      return drawn;
    }
    // Pictures of pixels are paged: a deep borehole is many pages, never one huge image.
    const boringlog::PagedLog log(hole, {options.scale, options.paper, true});
    std::vector<std::string> images;
    std::string problem;
    if (!WriteLogImage(options.format, log, &images, &problem)) {
      drawn.error = FromUtf8(problem);
      return drawn;
    }
    const Text extension = FromUtf8("." + options.format);
    for (std::size_t i = 0; i < images.size(); ++i) {
      const Text suffix =
          images.size() == 1 ? Text() : U"-" + DecimalText(static_cast<long long>(i + 1));
      drawn.files.emplace_back(hole.identifier + suffix + extension, std::move(images[i]));
    }
  } catch (const ConversionError& e) {
    drawn.error = e.message();
  } catch (const std::exception& e) {
    drawn.error = UnexpectedErrorText(e.what());
  }
  return drawn;
}

/// The folder a link named as the output folder leads to; the folder itself otherwise. The user's
/// own folder may be a link: only the files written inside it are never followed.
Text ThroughLink(const Text& folder) {
#ifdef _WIN32
  const std::wstring native = ToWide(folder);
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return folder;
  }
  const HANDLE handle =
      CreateFileW(native.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return folder;
  std::wstring target(32768, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(
      handle, target.data(), static_cast<DWORD>(target.size()), FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  if (n == 0 || n >= target.size()) return folder;
  target.resize(n);
  // "\\?\C:\..." and "\\?\UNC\server\..." as the user writes them, where short enough.
  if (target.size() >= MAX_PATH + 4) {
    // kept whole: only the long form reaches it
  } else if (target.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    target = L"\\\\" + target.substr(8);
  } else if (target.rfind(L"\\\\?\\", 0) == 0) {
    target = target.substr(4);
  }
  return FromWide(target);
#else
  const std::string native = NativeNameBytes(folder);
  struct stat info {};
  if (::lstat(native.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return folder;
  char* real = ::realpath(native.c_str(), nullptr);
  if (!real) return folder;
  const Text target = FromNativeName(real);
  std::free(real);
  return target;
#endif
}

}  // namespace

/// PDF and PNG are drawn by the program beside this one, which links the toolkit: this process
/// becomes it, with the same arguments. Returns only when there is none to become.
void BecomeRenderProgram(const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err) {
#ifdef __linux__
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return;
  std::string program(self, static_cast<std::size_t>(n));
  const std::size_t cut = program.rfind('/');
  if (cut == std::string::npos) return;
  program = program.substr(0, cut + 1) + kLogRenderProgram;
  if (access(program.c_str(), X_OK) != 0) return;
  std::vector<char*> argv;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  out.flush();
  err.flush();
  execv(program.c_str(), argv.data());
#else
  (void)args;
  (void)out;
  (void)err;
#endif
}

int RunLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  CliEnvironment& env, LogRenderer* renderer) {
  LogOptions options;
  const std::string problem = Parse(args, options, renderer != nullptr);
  if (!problem.empty() && !renderer && (options.format == "pdf" || options.format == "png")) {
    BecomeRenderProgram(args, out, err);
  }
  if (!problem.empty()) {
    err << "tecris2nx log: " << problem << "\n" << kLogUsage;
    return kCliUsage;
  }
  if (options.help) {
    out << kLogUsage;
    return kCliOk;
  }
  Text patternFolder;
  if (const int status = ResolvePatternFolder(options.patdat, PatternSearch::kEverywhere,
                                              "tecris2nx", env, err, patternFolder);
      status != kCliOk) {
    return status;
  }
  Text output;
  if (!MakeOutputFolder(env.fs, options.output, output, err)) return kCliFailed;
  output = ThroughLink(output);
  try {
    // What killed runs left in the folder goes now, as in the conversion's job folders.
    env.fs.MakeFolder(output);
  } catch (const ConversionError&) {
    // A folder that cannot be cleaned may still take the files; writing says when not.
  }

  // Drawn side by side and written and reported in the order given, as the conversion does: a
  // file is written while later ones are drawn, and two files of the same identifier end as the
  // later one.
  std::vector<Text> inputs;
  if (const int status = ExpandFiles(options.files, "tecris2nx log", env, err, inputs);
      status != kCliOk) {
    return status;
  }
  Text dateProblem;
  const Text date = BoringLogDate(&dateProblem);
  if (!dateProblem.empty()) err << "tecris2nx: 警告: " << ToUtf8(dateProblem) << '\n';
  std::vector<Text> errors(inputs.size());
  std::vector<Text> notices(inputs.size());
  std::vector<Text> identifiers(inputs.size());
  const auto draw = [&](std::size_t i, FileTurn& turn) {
    Drawn drawn =
        DrawFile(env.fs, inputs[i], patternFolder, options, date, renderer, turn.fs(), output);
    errors[i] = std::move(drawn.error);
    notices[i] = EncodingNotice(drawn.encoding);
    identifiers[i] = std::move(drawn.identifier);
    if (errors[i].empty() && !drawn.files.empty()) turn.fs().WriteFiles(output, drawn.files);
  };
  int failed = 0;
  RepeatedJobs pictures;
  const auto written = [&](std::size_t i, std::exception_ptr error) {
    const std::string name = ToUtf8(ShownName(inputs[i]));
    Text problem = std::move(errors[i]);
    if (error) {
      try {
        std::rethrow_exception(error);
      } catch (const ConversionError& e) {
        problem = e.message();
      } catch (const std::exception& e) {
        problem = UnexpectedErrorText(e.what());
      }
    }
    if (!problem.empty()) {
      err << "tecris2nx: " << name << ": " << ToUtf8(problem) << '\n';
      ++failed;
      return true;
    }
    if (!notices[i].empty())
      err << "tecris2nx: " << name << ": 警告: " << ToUtf8(notices[i]) << '\n';
    if (const Text earlier = pictures.Earlier(inputs[i], identifiers[i]); !earlier.empty()) {
      err << "tecris2nx: " << name
          << ": 警告: " << ToUtf8(ShownText(RepeatedJobNotice(identifiers[i], ShownName(earlier))))
          << '\n';
    }
    return true;
  };
  ConvertInOrder(inputs.size(), std::max(1, DefaultWorkers()), env.fs, draw, written);
  return failed == 0 ? kCliOk : kCliFailed;
}

}  // namespace tecris2nx
