#include "app/gui/log_writers.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "app/gui/log_painter.h"
#include "common/error.h"

namespace tecris2nx {

namespace {

constexpr double kMillimetresPerInch = 25.4;
// Fine enough that rounding the font sizes to whole device units changes nothing visible.
constexpr int kPdfResolution = 1200;

QPageLayout PageLayoutOf(double width, double height) {
  return QPageLayout(QPageSize(QSizeF(width, height), QPageSize::Millimeter), QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

std::string Bytes(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

std::string LogPdf(const boringlog::PagedLog& log) {
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setCreator(QStringLiteral("tecris2nx"));
    writer.setPageLayout(PageLayoutOf(log.PageWidth(), log.PageHeight()));
    QPainter painter;
    if (!painter.begin(&writer)) throw ConversionError(U"PDF を作成できません。");
    const double k = kPdfResolution / kMillimetresPerInch;
    for (int i = 0; i < log.PageCount(); ++i) {
      if (i > 0) writer.newPage();
      PaintLogPage(painter, log.LayOutPage(i), k);
    }
    painter.end();
  }
  return Bytes(bytes);
}

std::string LogPng(const boringlog::Page& sheet, int dpi) {
  const double k = dpi / kMillimetresPerInch;
  const double width = std::ceil(sheet.width * k);
  const double height = std::ceil(sheet.height * k);
  if (height > kTallestPng || width > kTallestPng) {
    throw ConversionError(U"柱状図が長すぎて PNG 1 枚にできません（" +
                          FromUtf8(std::to_string(static_cast<long long>(height))) +
                          U" ピクセル）。--format pdf か小さい --dpi を使ってください。");
  }
  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
  if (image.isNull()) throw ConversionError(U"PNG の画像を用意できません（メモリ不足）。");
  image.fill(Qt::white);
  const int dotsPerMetre = static_cast<int>(std::lround(dpi / kMillimetresPerInch * 1000));
  image.setDotsPerMeterX(dotsPerMetre);
  image.setDotsPerMeterY(dotsPerMetre);
  {
    QPainter painter(&image);
    PaintLogPage(painter, sheet, k);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) throw ConversionError(U"PNG を作成できません。");
  return Bytes(bytes);
}

std::string QtLogRenderer::Render(const boringlog::Borehole& hole,
                                  const boringlog::LayoutOptions& options,
                                  const std::string& format, int dpi) {
  if (format == "pdf") return LogPdf(boringlog::PagedLog(hole, options));
  boringlog::LayoutOptions sheet = options;
  sheet.paged = false;
  return LogPng(boringlog::LayoutBoringLog(hole, sheet).pages.front(), dpi);
}

}  // namespace tecris2nx
