#include "platform/PrintPages.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "base/RuntimeFailure.h"

namespace kinetra {

namespace {

QFont printerFont(QPrinter& printer)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(10.0);
    return QFont(font, &printer);
}

// The printable area in device units, relative to the painter's origin (the page's
// printable top-left corner).
QRectF printableArea(QPrinter& printer)
{
    return printer.pageLayout().paintRectPixels(printer.resolution()).toRectF().translated(
        -printer.pageLayout().paintRectPixels(printer.resolution()).topLeft());
}

[[noreturn]] void throwPrinterError()
{
    throw RuntimeFailure(kPrinterErrorNumber, kPrinterErrorText);
}

}  // namespace

int linesPerPage(QPrinter& printer)
{
    const QFontMetricsF metrics(printerFont(printer), &printer);
    const double usable = printableArea(printer).height();
    return std::max(1, static_cast<int>(std::floor(usable / metrics.lineSpacing())));
}

void printTextLines(QPrinter& printer, const std::vector<std::string>& lines)
{
    if (lines.empty()) return;
    const int perPage = linesPerPage(printer);
    QPainter painter;
    if (!painter.begin(&printer)) throwPrinterError();
    const QFont font = printerFont(printer);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    int onPage = 0;
    for (const std::string& line : lines) {
        if (onPage == perPage) {
            if (!printer.newPage()) {
                painter.end();
                throwPrinterError();
            }
            onPage = 0;
        }
        const double baselineY = metrics.ascent() + onPage * metrics.lineSpacing();
        painter.drawText(QPointF(0.0, baselineY), QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
        ++onPage;
    }
    if (!painter.end()) throwPrinterError();
}

void paintWidgetOnPage(QPainter& painter, const QRectF& page, QWidget& widget)
{
    const QSize size = widget.size();
    const QPaintDevice* device = painter.device();
    if (size.width() <= 0 || size.height() <= 0 || !device) return;
    // The widget's painting is recorded and played back: QWidget::render paints a printer
    // through a pixmap at the printer's resolution (some 100 million dots for a page at
    // 1200 dpi, which the PDF engine then takes seconds to compress), while a recording keeps
    // the lines and texts as such, sharp at any resolution.
    QPicture picture;
    QPainter recorder;
    if (!recorder.begin(&picture)) return;
    widget.render(&recorder);
    recorder.end();

    // Screen pixels to device dots at the same physical size, shrunk when the picture is
    // larger than the page; a picture plays scaled by the device's resolution over its own.
    const double dpi = std::max(1, device->logicalDpiX());
    const double physical = dpi / std::max(1, widget.logicalDpiX());
    const double fit = std::min(page.width() / size.width(), page.height() / size.height());
    const double played = dpi / std::max(1, picture.logicalDpiX());
    const double scale = std::min(physical, fit) / played;
    painter.save();
    painter.translate(page.topLeft());
    painter.scale(scale, scale);
    painter.drawPicture(0, 0, picture);
    painter.restore();
}

void printWidgetPicture(QPrinter& printer, QWidget& widget)
{
    QPainter painter;
    if (!painter.begin(&printer)) throwPrinterError();
    paintWidgetOnPage(painter, printableArea(printer), widget);
    if (!painter.end()) throwPrinterError();
}

}  // namespace kinetra
