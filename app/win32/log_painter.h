#pragma once

#include "common/windows_api.h"
// After the Windows API header; GDI+ needs COM's declarations, which the lean header leaves out.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <string>
#include <vector>

#include "log/primitives.h"

namespace tecris2nx {

/// Pixels per inch of a saved PNG: print quality.
inline constexpr int kLogPngDpi = 300;

/// GDI+ for the life of this object; the painter and the PNG encoder need it started.
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool started() const { return started_; }

 private:
  ULONG_PTR token_ = 0;
  bool started_ = false;
};

/// The face the log's texts are set in: the first of "Yu Gothic", "MS Gothic" and the IPA
/// Gothic that is installed, else the generic sans serif.
std::wstring LogFontFamilyName();

/// Paints `page` with its top left corner at device pixel (`left`, `top`), `pixelsPerMm`
/// device pixels to the millimetre, clipped to the page. Patterns come as shapes already, so
/// they scale as the rest (GDI hatch brushes would not).
void PaintLogPage(Gdiplus::Graphics& graphics, const boringlog::Page& page, double pixelsPerMm,
                  double left = 0, double top = 0);

/// The page as a PNG at `dpi`, white behind; empty with `error` set when GDI+ fails.
std::string EncodeLogPagePng(const boringlog::Page& page, int dpi, std::string* error);

}  // namespace tecris2nx
