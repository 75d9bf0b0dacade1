#include "windows/stats/PlotPicture.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <variant>

#include "platform/DisplayPainter.h"

namespace kinetra {

namespace {

constexpr double kMargin = 120.0;  // twips of white about what is drawn

// The part of the page the list draws on (texts measured in the list's font, sized in twips
// as the painter sizes them); the whole page when it draws nothing.
QRectF drawnExtent(const DisplayList& list)
{
    QRectF extent;
    auto take = [&extent](const QRectF& r) { extent = extent.isNull() ? r : extent.united(r); };
    for (const DrawOp& op : list.ops) {
        if (const auto* l = std::get_if<Line>(&op)) {
            take(QRectF(QPointF(l->from.x, l->from.y), QPointF(l->to.x, l->to.y)).normalized());
        } else if (const auto* c = std::get_if<Circle>(&op)) {
            take(QRectF(c->centre.x - c->radius, c->centre.y - c->radius, 2.0 * c->radius, 2.0 * c->radius));
        } else if (const auto* d = std::get_if<Dot>(&op)) {
            take(QRectF(d->at.x, d->at.y, kTwipsPerScreenPixel, kTwipsPerScreenPixel));
        } else if (const auto* t = std::get_if<Text>(&op)) {
            QFont font(QString::fromStdString(list.fontFamily));
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(t->pointSize * kTwipsPerPoint))));
            const QFontMetricsF metrics(font);
            take(QRectF(QPointF(t->topLeft.x, t->topLeft.y),
                        QSizeF(metrics.horizontalAdvance(QString::fromStdString(t->text)), metrics.height())));
        }
    }
    if (extent.width() <= 0.0 || extent.height() <= 0.0) return QRectF(0, 0, kPageWidth, kPageHeight);
    return extent.adjusted(-kMargin, -kMargin, kMargin, kMargin);
}

}  // namespace

PlotPicture::PlotPicture(const DisplayList& list, QWidget* parent) : QWidget(parent), plot(list)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

// What is drawn, as large as the box allows with its shape kept, centred across the box.
void PlotPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    scaleToTwips(p);
    const double twipsWide = width() * 1440.0 / logicalDpiX();
    const double twipsHigh = height() * 1440.0 / logicalDpiY();
    const QRectF extent = drawnExtent(plot);
    const double f = std::min(twipsWide / extent.width(), twipsHigh / extent.height());
    p.scale(f, f);
    p.translate(-extent.left() + (twipsWide / f - extent.width()) / 2.0, -extent.top());
    paintDisplayList(p, plot);
}

}  // namespace kinetra
