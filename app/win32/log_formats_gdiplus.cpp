// Windows: PNG through GDI+, the system's own painter and encoder.
#include "app/cli/log_formats.h"
#include "app/win32/log_painter.h"

#include <mutex>

namespace tecris2nx {

std::vector<std::string> LogImageFormats() { return {"png"}; }

bool WriteLogImage(const std::string& format, const boringlog::PagedLog& log,
                   std::vector<std::string>* images, std::string* error) {
  if (format != "png") {
    if (error) *error = format + " はこの版では書き出せません";
    return false;
  }
  // Started once for the process and left running: the command line's workers draw side by
  // side, and GDI+ must not be started or shut down while another thread uses it.
  static const GdiplusSession* const session = new GdiplusSession;
  static std::mutex painting;
  const std::lock_guard lock(painting);
  if (!session->started()) {
    if (error) *error = "GDI+ を開始できません";
    return false;
  }
  images->clear();
  for (int i = 0; i < log.PageCount(); ++i) {
    std::string png = EncodeLogPagePng(log.LayOutPage(i), kLogPngDpi, error);
    if (png.empty()) return false;
    images->push_back(std::move(png));
  }
  return true;
}

}  // namespace tecris2nx
