#include "app/gui/log_writers.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <ctime>
#include <exception>
#include <optional>

#include "app/gui/log_painter.h"
#include "common/error.h"
#include "run/boring_log_file.h"

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

/// Hands Qt's PDF bytes on as they come, so that a deep borehole's pages are not held whole, and
/// sets the creation date on the way: Qt takes the clock's, which would make every file differ.
class PdfStream : public QIODevice {
 public:
  PdfStream(const std::function<void(std::string_view)>& write, std::optional<long long> epoch)
      : write_(write), epoch_(epoch), dated_(!epoch) {}

  bool isSequential() const override { return true; }
  bool failed() const { return static_cast<bool>(error_); }
  /// Hands on what is still held back; rethrows what writing threw.
  void Finish() {
    Pass(held_);
    held_.clear();
    dated_ = true;
    if (error_) std::rethrow_exception(error_);
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    const std::string_view bytes(data, static_cast<std::size_t>(size));
    if (dated_) {
      Pass(bytes);
      return size;
    }
    // The date comes in the document's first objects: held back until it has passed.
    held_.append(bytes);
    const std::size_t at = held_.find(kDateKey);
    if (at != std::string::npos) {
      const std::size_t start = at + std::string_view(kDateKey).size();
      const std::size_t end = held_.find(')', start);
      if (end == std::string::npos) return size;
      Redate(held_, start, end);
    } else if (held_.size() < kLookAhead) {
      return size;
    }
    dated_ = true;
    Pass(held_);
    held_.clear();
    return size;
  }

 private:
  static constexpr const char* kDateKey = "/CreationDate (D:";
  static constexpr std::size_t kLookAhead = 1 << 16;

  /// Writes the epoch's date (UTC) over "YYYYMMDDHHmmSS..." in [start, end), in as many bytes
  /// as there were, so that the offsets Qt wrote after it stay right.
  void Redate(std::string& pdf, std::size_t start, std::size_t end) const {
    const std::time_t when = static_cast<std::time_t>(*epoch_);
    std::tm parts{};
#ifdef _WIN32
    if (gmtime_s(&parts, &when) != 0) return;
#else
    if (!gmtime_r(&when, &parts)) return;
#endif
    char date[32] = "";
    std::strftime(date, sizeof date, "%Y%m%d%H%M%S", &parts);
    const std::size_t length = end - start;
    std::string text = date;
    // Qt ends the date with "Z" or an offset such as "+09'00'"; UTC either way.
    if (length == text.size() + 1) {
      text += 'Z';
    } else if (length == text.size() + 7) {
      text += "+00'00'";
    } else {
      return;
    }
    pdf.replace(start, length, text);
  }

  void Pass(std::string_view bytes) {
    if (error_ || bytes.empty()) return;
    try {
      write_(bytes);
    } catch (...) {
      // Qt's code in between knows nothing of exceptions: carried over it.
      error_ = std::current_exception();
    }
  }

  const std::function<void(std::string_view)>& write_;
  std::optional<long long> epoch_;
  bool dated_;
  std::string held_;
  std::exception_ptr error_;
};

}  // namespace

void WritePagesPdf(int count, double width, double height,
                   const std::function<boringlog::Page(int)>& layOut,
                   const std::function<void(std::string_view)>& write) {
  PdfStream stream(write, SourceDateEpoch());
  stream.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&stream);
    writer.setResolution(kPdfResolution);
    writer.setCreator(QStringLiteral("tecris2nx"));
    writer.setPageLayout(PageLayoutOf(width, height));
    QPainter painter;
    if (!painter.begin(&writer)) throw ConversionError(U"PDF を作成できません。");
    const double k = kPdfResolution / kMillimetresPerInch;
    for (int i = 0; i < count && !stream.failed(); ++i) {
      if (i > 0) writer.newPage();
      PaintLogPage(painter, layOut(i), k);
    }
    painter.end();
  }
  stream.Finish();
}

void WriteLogPdf(const boringlog::PagedLog& log,
                 const std::function<void(std::string_view)>& write) {
  WritePagesPdf(
      log.PageCount(), log.PageWidth(), log.PageHeight(),
      [&](int page) { return log.LayOutPage(page); }, write);
}

std::string LogPdf(const boringlog::PagedLog& log) {
  std::string bytes;
  WriteLogPdf(log, [&](std::string_view piece) { bytes.append(piece); });
  return bytes;
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

void QtLogRenderer::Render(const boringlog::Borehole& hole, const boringlog::LayoutOptions& options,
                           const std::string& format, int dpi,
                           const std::function<void(std::string_view)>& write) {
  if (format == "pdf") {
    WriteLogPdf(boringlog::PagedLog(hole, options), write);
    return;
  }
  boringlog::LayoutOptions sheet = options;
  sheet.paged = false;
  write(LogPng(boringlog::LayoutBoringLog(hole, sheet).pages.front(), dpi));
}

report::PdfPainter ReportPdfPainter() {
  return [](const report::ReportDocument& document,
            const std::function<void(std::string_view)>& write) {
    WritePagesPdf(
        document.PageCount(), report::kPageWidth, report::kPageHeight,
        [&](int page) { return document.LayOutPage(page); }, write);
  };
}

}  // namespace tecris2nx
