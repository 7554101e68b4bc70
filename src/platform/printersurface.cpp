// The printer surface: callers draw in page pixels, the printer gets points (page pixels × 0.75)
// with the font sizes unchanged; the painter works in device dots and converts from points.
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/surface.h"

namespace vb {

namespace {
constexpr double kPointsPerPixel = 0.75;

QPageSize pageSizeOf(int code) {
    switch (code) {
    case 11: return QPageSize(QPageSize::A5);
    case 13: return QPageSize(QPageSize::JisB5);
    default: return QPageSize(QPageSize::A4);
    }
}
}  // namespace

PrinterSurface::PrinterSurface() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    backColor_ = 0xFFFFFF;
    printer_->setFullPage(true);
    printer_->setPageSize(pageSizeOf(paperCode_));
}

std::unique_ptr<PrinterSurface> PrinterSurface::DefaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull() || info.printerName().isEmpty()) return nullptr;
    auto p = std::make_unique<PrinterSurface>();
    p->printer_->setPrinterName(info.printerName());
    p->printer_->setFullPage(true);
    return p;
}

PrinterSurface::PrinterSurface(const QString& pdfPath)
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(pdfPath);
    printer_->setPageSize(pageSizeOf(paperCode_));
    printer_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

// A job left unfinished (its printing failed part-way) is cancelled, not sent half printed.
PrinterSurface::~PrinterSurface() {
    if (painter_ && painter_->isActive()) {
        printer_->abort();
        painter_->end();
    }
}

void PrinterSurface::SetPaperSize(int code) {
    paperCode_ = (code == 11 || code == 13) ? code : 9;
    if (!painter_) printer_->setPageSize(pageSizeOf(paperCode_));
}

void PrinterSurface::SetPaperSizeMm(double widthMm, double heightMm) {
    if (painter_ || widthMm <= 0 || heightMm <= 0) return;
    paperCode_ = 256;
    printer_->setPageSize(QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter, QString(),
                                    QPageSize::ExactMatch));
    printer_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

QSizeF PrinterSurface::PaperSizeMm() const { return printer_->pageLayout().fullRect(QPageLayout::Millimeter).size(); }

void PrinterSurface::SetOrientation(int orientation) {
    orientation_ = orientation == 2 ? 2 : 1;
    if (!painter_)
        printer_->setPageOrientation(orientation_ == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

double PrinterSurface::devPerPoint() const { return printer_->resolution() / 72.0; }

QFont PrinterSurface::font() const {
    QFont f(fontName_);
    f.setPointSizeF(fontSize_);
    f.setBold(fontBold_);
    f.setItalic(fontItalic_);
    return f;
}

QPainter& PrinterSurface::painter() {
    if (!painter_) {
        auto p = std::make_unique<QPainter>();
        if (!p->begin(printer_.get())) throw PrinterError("打印机无法开始打印任务");
        painter_ = std::move(p);
        pages_ = 1;
    }
    return *painter_;
}

double PrinterSurface::TextWidth(const QString& text) const {
    QFontMetricsF fm(font(), printer_.get());
    return fm.horizontalAdvance(text) / devPerPoint() / kPointsPerPixel;
}

double PrinterSurface::TextHeight(const QString&) const {
    QFontMetricsF fm(font(), printer_.get());
    return fm.height() / devPerPoint() / kPointsPerPixel;
}

double PrinterSurface::ScaleWidth() const {
    return printer_->pageLayout().paintRect(QPageLayout::Point).width() / kPointsPerPixel;
}

double PrinterSurface::ScaleHeight() const {
    return printer_->pageLayout().paintRect(QPageLayout::Point).height() / kPointsPerPixel;
}

void PrinterSurface::drawText(double x, double y, const QString& text) {
    if (text.isEmpty()) return;
    QPainter& p = painter();
    QFont f = font();
    p.setFont(f);
    p.setPen(ToQColor(foreColor_));
    const double k = kPointsPerPixel * devPerPoint();
    QFontMetricsF fm(f, printer_.get());
    p.drawText(QPointF(x * k, y * k + fm.ascent()), text);
}

void PrinterSurface::drawLine(double x1, double y1, double x2, double y2, Colour colour) {
    QPainter& p = painter();
    QPen pen(ToQColor(colour));
    pen.setWidthF(1.0);  // one printer dot
    p.setPen(pen);
    const double k = kPointsPerPixel * devPerPoint();
    p.drawLine(QPointF(x1 * k, y1 * k), QPointF(x2 * k, y2 * k));
}

void PrinterSurface::drawPicture(const QImage& image, const QRectF& target, const QRectF& source) {
    QPainter& p = painter();
    const double k = kPointsPerPixel * devPerPoint();
    p.drawImage(QRectF(target.x() * k, target.y() * k, target.width() * k, target.height() * k), image,
                source);
}

void PrinterSurface::NewPage() {
    painter();
    if (!printer_->newPage()) throw PrinterError("打印机无法开始新的一页");
    ++pages_;
    curX_ = 0;
    curY_ = 0;
}

// Sends the job; a job that could not be completed throws, so nobody is told it went out.
void PrinterSurface::EndDoc() {
    painter();
    const bool ended = painter_->end();
    painter_.reset();
    pages_ = 0;
    curX_ = 0;
    curY_ = 0;
    if (!ended || printer_->printerState() == QPrinter::Error) throw PrinterError("打印任务无法完成");
}

}  // namespace vb
