// The boring-log preview's saving and printing: pictures written whole or not at all, pages
// printed through the system's dialog.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/win32/log_painter.h"
#include "app/win32/log_preview.h"
#include "common/error.h"
#include "common/file_system.h"
#include "common/wide_text.h"
#include "log/svg_writer.h"
// After the Windows API header (and COM's, from the painter's).
#include <commdlg.h>

namespace tecris2nx::win32 {
namespace {

Text SaveDialog(HWND owner, const Text& suggested, const wchar_t* extension) {
  std::wstring file = ToWide(suggested);
  file.resize(std::max<std::size_t>(file.size() + 1, 32768), L'\0');
  const std::wstring png(L"PNG 画像 (*.png)\0*.png\0", 22);
  const std::wstring svg(L"SVG 画像 (*.svg)\0*.svg\0", 22);
  const std::wstring filter = (std::wstring_view(extension) == L"png" ? png : svg) + L'\0';
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrDefExt = extension;
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!GetSaveFileNameW(&dialog)) return {};
  return FromWide(file.c_str());
}

/// "<name>.png" for one page, "<name>-1.png", "<name>-2.png"... for several.
Text PageFileName(const Text& name, std::size_t index, std::size_t count) {
  if (count == 1) return name;
  const std::size_t dot = name.find_last_of(U'.');
  const Text stem = dot == Text::npos ? name : name.substr(0, dot);
  const Text extension = dot == Text::npos ? Text() : name.substr(dot);
  return stem + U"-" + DecimalText(static_cast<long long>(index + 1)) + extension;
}

}  // namespace

bool LogPreviewWindow::SaveAs(const Text& path, bool png) {
  const std::size_t cut = path.find_last_of(U"\\/");
  const Text folder = cut == Text::npos ? Text(U".") : path.substr(0, cut == 2 ? 3 : cut);
  const Text name = cut == Text::npos ? path : path.substr(cut + 1);
  if (!hole_) return false;
  if (window_) SetWindowTextW(Control(kLogSaved), L"");
  std::vector<Text> names;
  // Written like the Nx files: whole or not at all; each page's picture handed over as it is
  // made, so that a deep hole's pages are never held together.
  try {
    RealFileSystem fs;
    const std::unique_ptr<FileSet> set = fs.BeginFiles(folder);
    if (png) {
      const auto count = static_cast<std::size_t>(PageCount());
      for (int i = 0; i < PageCount(); ++i) {
        std::string error;
        const std::string bytes = EncodeLogPagePng(log_.LayOutPage(i), kLogPngDpi, &error);
        if (bytes.empty()) {
          ShowError(U"PNG を保存できませんでした: " + FromUtf8(error));
          return false;
        }
        names.push_back(PageFileName(name, static_cast<std::size_t>(i), count));
        set->Begin(names.back());
        set->Append(bytes);
      }
    } else {
      const boringlog::LogSheets sheet =
          boringlog::LayoutBoringLog(*hole_, {scale_, paper_, false});
      names.push_back(name);
      set->Begin(name);
      set->Append(boringlog::SvgDocument(sheet.pages.front()));
    }
    set->Commit();
  } catch (const ConversionError& e) {
    ShowError((png ? U"PNG を保存できませんでした: " : U"SVG を保存できませんでした: ") +
              e.message());
    return false;
  }
  // A word that it worked, without a box to close.
  Text saved = U"保存しました: " + names.front();
  if (names.size() > 1)
    saved += U" ほか " + DecimalText(static_cast<long long>(names.size() - 1)) + U" 件";
  if (window_) SetWindowTextW(Control(kLogSaved), ToWide(saved).c_str());
  return true;
}

bool LogPreviewWindow::ManyPagesConfirmed(const Text& what) {
  if (PageCount() <= kManyPages) return true;
  const Text question = DecimalText(static_cast<long long>(PageCount())) + U" ページあります。" +
                        what + U"しますか？";
  if (seams_.confirm) return seams_.confirm(window_, question);
  return MessageBoxW(window_, ToWide(question).c_str(), L"柱状図",
                     MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK;
}

void LogPreviewWindow::Save(bool png) {
  const wchar_t* extension = png ? L"png" : L"svg";
  if (!hole_) return;
  // The SVG is one sheet; the PNG a file a page.
  if (png && !ManyPagesConfirmed(U"すべてのページを PNG で保存")) return;
  const Text suggested = hole_->identifier + (png ? U".png" : U".svg");
  const Text path = seams_.choosePath ? seams_.choosePath(window_, suggested, extension)
                                      : SaveDialog(window_, suggested, extension);
  if (!path.empty()) SaveAs(path, png);
}

void LogPreviewWindow::Print() {
  if (PageCount() == 0 || !ManyPagesConfirmed(U"印刷")) return;
  PRINTPAGERANGE range{1, static_cast<DWORD>(std::max(1, PageCount()))};
  PRINTDLGEXW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOCURRENTPAGE | PD_USEDEVMODECOPIESANDCOLLATE;
  dialog.nPageRanges = 1;
  dialog.nMaxPageRanges = 1;
  dialog.lpPageRanges = &range;
  dialog.nMinPage = 1;
  dialog.nMaxPage = range.nToPage;
  dialog.nStartPage = START_PAGE_GENERAL;
  const HRESULT result = PrintDlgExW(&dialog);
  const auto release = [&] {
    if (dialog.hDC) DeleteDC(dialog.hDC);
    if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  };
  if (result != S_OK) {
    release();
    ShowError(U"印刷できませんでした（プリンターを使えません）。");
    return;
  }
  if (dialog.dwResultAction != PD_RESULT_PRINT || !dialog.hDC) {
    release();
    return;
  }
  int first = 0;
  int last = PageCount() - 1;
  if (dialog.Flags & PD_PAGENUMS) {
    first = std::max(0, static_cast<int>(range.nFromPage) - 1);
    last = std::min(last, static_cast<int>(range.nToPage) - 1);
  }
  const HDC printer = dialog.hDC;
  const std::wstring name = ToWide(U"柱状図 " + hole_->identifier);
  DOCINFOW document{};
  document.cbSize = sizeof document;
  document.lpszDocName = name.c_str();
  bool printed = StartDocW(printer, &document) > 0;
  // The page's millimetres on the paper's: the printable area starts at the physical offset.
  const double pixelsPerMm = GetDeviceCaps(printer, LOGPIXELSX) / 25.4;
  const double paperWidth = GetDeviceCaps(printer, PHYSICALWIDTH);
  const double paperHeight = GetDeviceCaps(printer, PHYSICALHEIGHT);
  const double offsetX = GetDeviceCaps(printer, PHYSICALOFFSETX);
  const double offsetY = GetDeviceCaps(printer, PHYSICALOFFSETY);
  for (int i = first; printed && i <= last; ++i) {
    // One page of primitives at a time, however deep the borehole.
    const boringlog::Page page = log_.LayOutPage(i);
    printed = StartPage(printer) > 0;
    if (!printed) break;
    {
      Gdiplus::Graphics graphics(printer);
      // A sheet larger than the paper (A3 on A4) is shrunk to fit, never cut.
      const double fit = std::min({1.0, paperWidth / (page.width * pixelsPerMm),
                                   paperHeight / (page.height * pixelsPerMm)});
      PaintLogPage(graphics, page, pixelsPerMm * fit, -offsetX, -offsetY);
    }
    printed = EndPage(printer) > 0;
  }
  if (printed) {
    EndDoc(printer);
  } else {
    AbortDoc(printer);
    ShowError(U"印刷できませんでした。");
  }
  release();
}

}  // namespace tecris2nx::win32
