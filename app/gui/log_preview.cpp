#include "app/gui/log_preview.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QTranslator>
#include <QVBoxLayout>
#include <algorithm>

#include "app/gui/log_painter.h"
#include "app/gui/log_writers.h"
#include "common/error.h"
#include "common/file_system.h"
#include "log/svg_writer.h"

namespace tecris2nx {

constexpr double kMillimetresPerInch = 25.4;

/// One page at the zoom; paints only the part the scroll area shows, so that a long page
/// scrolls smoothly.
class LogCanvas : public QWidget {
 public:
  explicit LogCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LogCanvas"));
  }
  void SetPage(const boringlog::Page* page, double unitsPerMillimetre, const QString& busy) {
    page_ = page;
    busy_ = busy;
    k_ = unitsPerMillimetre;
    const QSize size = page ? QSize(static_cast<int>(page->width * k_ + 1),
                                    static_cast<int>(page->height * k_ + 1))
                            : QSize(static_cast<int>(210 * k_ + 1), 200);
    setFixedSize(size);
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (!busy_.isEmpty()) {
      painter.drawText(rect(), Qt::AlignCenter, busy_);
      return;
    }
    if (!page_) return;
    const QRectF shown(event->rect().x() / k_, event->rect().y() / k_, event->rect().width() / k_,
                       event->rect().height() / k_);
    PaintLogPage(painter, *page_, k_, shown);
  }

 private:
  const boringlog::Page* page_ = nullptr;
  double k_ = 1;
  QString busy_;
};

namespace {

/// Qt's own dialogs (the save dialog's "Folder", "Cancel") in Japanese, as the rest of the
/// window; once for the program.
void LoadQtJapanese() {
  static bool loaded = false;
  if (loaded || !QCoreApplication::instance()) return;
  loaded = true;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace

LogPreview::LogPreview(QWidget* parent) : QDialog(parent) {
  LoadQtJapanese();
  setObjectName(QStringLiteral("LogPreview"));
  setModal(false);
  scale_ = new QComboBox(this);
  scale_->setObjectName(QStringLiteral("LogScale"));
  for (int scale : {50, 100, 200}) scale_->addItem(QStringLiteral("1:%1").arg(scale), scale);
  scale_->setCurrentIndex(1);
  paper_ = new QComboBox(this);
  paper_->setObjectName(QStringLiteral("LogPaper"));
  paper_->addItem(QStringLiteral("A4"));
  paper_->addItem(QStringLiteral("A3"));
  auto* zoomOut = new QPushButton(QStringLiteral("縮小"), this);
  auto* zoomIn = new QPushButton(QStringLiteral("拡大"), this);
  zoomOut->setObjectName(QStringLiteral("LogZoomOut"));
  zoomIn->setObjectName(QStringLiteral("LogZoomIn"));
  zoomLabel_ = new QLabel(this);
  previous_ = new QPushButton(QStringLiteral("前のページ"), this);
  next_ = new QPushButton(QStringLiteral("次のページ"), this);
  previous_->setObjectName(QStringLiteral("LogPrevious"));
  next_->setObjectName(QStringLiteral("LogNext"));
  pageLabel_ = new QLabel(this);
  pageLabel_->setObjectName(QStringLiteral("LogPageLabel"));
  saved_ = new QLabel(this);
  saved_->setObjectName(QStringLiteral("LogSaved"));
  auto* print = new QPushButton(QStringLiteral("印刷…"), this);
  auto* save = new QPushButton(QStringLiteral("保存…"), this);
  print->setObjectName(QStringLiteral("LogPrint"));
  save->setObjectName(QStringLiteral("LogSave"));
  auto* bar = new QHBoxLayout;
  for (QWidget* widget : std::initializer_list<QWidget*>{scale_, paper_, zoomOut, zoomLabel_,
                                                         zoomIn, previous_, pageLabel_, next_}) {
    bar->addWidget(widget);
  }
  bar->addStretch(1);
  bar->addWidget(saved_);
  bar->addWidget(print);
  bar->addWidget(save);
  scroll_ = new QScrollArea(this);
  scroll_->setBackgroundRole(QPalette::Dark);
  canvas_ = new LogCanvas(scroll_);
  scroll_->setWidget(canvas_);
  scroll_->setAlignment(Qt::AlignHCenter);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(scroll_, 1);
  resize(900, 900);

  connect(scale_, &QComboBox::currentIndexChanged, this, [this] { Relayout(); });
  connect(paper_, &QComboBox::currentIndexChanged, this, [this] { Relayout(); });
  connect(zoomOut, &QPushButton::clicked, this, [this] { SetZoom(zoom_ - 25); });
  connect(zoomIn, &QPushButton::clicked, this, [this] { SetZoom(zoom_ + 25); });
  connect(previous_, &QPushButton::clicked, this, [this] { ShowPage(page_ - 1); });
  connect(next_, &QPushButton::clicked, this, [this] { ShowPage(page_ + 1); });
  connect(print, &QPushButton::clicked, this, [this] { Print(); });
  connect(save, &QPushButton::clicked, this, [this] { Save(); });
}

void LogPreview::Show(std::shared_ptr<const boringlog::Borehole> hole) {
  hole_ = std::move(hole);
  busy_.clear();
  saved_->clear();
  setWindowTitle(QStringLiteral("柱状図 - ") + QString::fromStdU32String(hole_->fileName));
  page_ = 0;
  Relayout();
  show();
  raise();
  activateWindow();
}

void LogPreview::SetBusy(const QString& text) {
  busy_ = text;
  if (busy_.isEmpty()) {
    // The file could not be read: the earlier file's log is not shown as if it were this one.
    hide();
    Update();
    return;
  }
  Update();
  if (!busy_.isEmpty() && !isVisible()) {
    setWindowTitle(QStringLiteral("柱状図"));
    show();
  }
  if (!busy_.isEmpty()) {
    raise();
    activateWindow();
  }
}

void LogPreview::Relayout() {
  if (!hole_) return;
  const boringlog::LayoutOptions options{
      scale_->currentData().toInt(),
      paper_->currentIndex() == 1 ? boringlog::Paper::kA3 : boringlog::Paper::kA4, true};
  log_ = boringlog::PagedLog(*hole_, options);
  page_ = std::clamp(page_, 0, std::max(0, PageCount() - 1));
  Update();
}

void LogPreview::ShowPage(int page) {
  if (page < 0 || page >= PageCount()) return;
  page_ = page;
  Update();
  scroll_->ensureVisible(0, 0);
}

void LogPreview::SetZoom(int percent) {
  zoom_ = std::clamp(percent, 25, 400);
  Update();
}

void LogPreview::Update() {
  const double k = zoom_ / 100.0 * logicalDpiX() / kMillimetresPerInch;
  if (PageCount() > 0) {
    // Laid out afresh when shown: only one page of a deep borehole is ever held.
    canvas_->SetPage(nullptr, k, QString());
    shown_ = log_.LayOutPage(page_);
  }
  canvas_->SetPage(PageCount() > 0 && busy_.isEmpty() ? &shown_ : nullptr, k, busy_);
  zoomLabel_->setText(QStringLiteral("%1 %").arg(zoom_));
  pageLabel_->setText(QStringLiteral("%1 / %2").arg(page_ + 1).arg(PageCount()));
  const bool ready = busy_.isEmpty();
  previous_->setEnabled(ready && page_ > 0);
  next_->setEnabled(ready && page_ + 1 < PageCount());
}

std::string LogPreview::FileBytes(const QString& format) const {
  if (!hole_) return {};
  if (format == QLatin1String("pdf")) return LogPdf(log_);
  // PNG and SVG are the one continuous sheet, as the command line writes them.
  boringlog::LayoutOptions options = log_.Options();
  options.paged = false;
  const boringlog::LogSheets sheet = boringlog::LayoutBoringLog(*hole_, options);
  if (format == QLatin1String("png")) return LogPng(sheet.pages.front(), 300);
  return boringlog::SvgDocument(sheet.pages.front());
}

QString LogPreview::SavedText() const { return saved_->text(); }

bool LogPreview::PrintTo(QPrinter& printer) const {
  printer.setPageLayout(
      QPageLayout(QPageSize(QSizeF(log_.PageWidth(), log_.PageHeight()), QPageSize::Millimeter),
                  QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  for (int i = 0; i < PageCount(); ++i) {
    if (i > 0 && !printer.newPage()) return false;
    PaintLogPage(painter, log_.LayOutPage(i), printer.resolution() / kMillimetresPerInch);
  }
  return painter.end();
}

void LogPreview::Print() {
  if (PageCount() == 0 || !ManyPagesConfirmed(QStringLiteral("印刷"))) return;
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (!PrintTo(printer)) {
    QMessageBox::warning(this, windowTitle(), QStringLiteral("印刷できませんでした。"));
  }
}

void LogPreview::Save() {
  if (!hole_) return;
  QString filter;
  const QString start = QString::fromStdU32String(hole_->identifier) + QStringLiteral(".pdf");
  const QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("柱状図を保存"), start,
      QStringLiteral("PDF (*.pdf);;PNG (*.png);;SVG (*.svg)"), &filter);
  if (path.isEmpty()) return;
  // The PDF is a file of pages; PNG and SVG are the one sheet.
  const QString suffix = QFileInfo(path).suffix().toLower();
  const bool pdf = suffix == QLatin1String("pdf") ||
                   (suffix != QLatin1String("png") && suffix != QLatin1String("svg") &&
                    filter.startsWith(QLatin1String("PDF")));
  if (pdf && !ManyPagesConfirmed(QStringLiteral("PDF に保存"))) return;
  SaveAs(path, filter);
}

bool LogPreview::ManyPagesConfirmed(const QString& what) {
  if (PageCount() <= kManyLogPages) return true;
  const QString question =
      QStringLiteral("%1 ページあります。%2しますか？").arg(PageCount()).arg(what);
  if (confirm_) return confirm_(question);
  return QMessageBox::question(this, windowTitle(), question, QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Ok;
}

bool LogPreview::SaveAs(const QString& path, const QString& filter) {
  saved_->clear();
  QFileInfo info(path);
  QString format = info.suffix().toLower();
  if (format != QLatin1String("pdf") && format != QLatin1String("png") &&
      format != QLatin1String("svg")) {
    format = filter.left(3).toLower();
    info.setFile(path + QLatin1Char('.') + format);
  }
  try {
    // Whole or absent, as the Nx files are written.
    RealFileSystem fs;
    fs.WriteFiles(info.absolutePath().toStdU32String(),
                  {{info.fileName().toStdU32String(), FileBytes(format)}});
  } catch (const ConversionError& e) {
    QMessageBox::warning(this, windowTitle(), QString::fromStdU32String(e.message()));
    return false;
  } catch (const std::exception& e) {
    QMessageBox::warning(this, windowTitle(), QString::fromUtf8(e.what()));
    return false;
  }
  // A word that it worked, without a box to close.
  saved_->setText(QStringLiteral("保存しました: ") + info.fileName());
  return true;
}

}  // namespace tecris2nx
