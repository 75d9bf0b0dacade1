#include "platform/DisplayPainter.h"

#include <QFont>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QString>
#include <QVector>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <type_traits>

namespace kinetra {

namespace {

QColor toColor(Rgb c) { return QColor(c.r, c.g, c.b); }

QPointF toPoint(PointF p) { return QPointF(p.x, p.y); }

QPen penFor(int widthPixels, Rgb colour)
{
    // A width of 0 or less still draws the thinnest line of the screen, one pixel.
    const double width = std::max(widthPixels, 1) * kTwipsPerScreenPixel;
    QPen pen(toColor(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(false);
    return pen;
}

// Erases the whole surface: the device's extent in twips, on the painter scaled to twips.
void clearDevice(QPainter& p)
{
    const QPaintDevice* device = p.device();
    if (!device) return;
    const double widthTwips = device->width() * 1440.0 / std::max(device->logicalDpiX(), 1);
    const double heightTwips = device->height() * 1440.0 / std::max(device->logicalDpiY(), 1);
    p.fillRect(QRectF(0.0, 0.0, widthTwips, heightTwips), Qt::white);
}

}  // namespace

void scaleToTwips(QPainter& p)
{
    const QPaintDevice* device = p.device();
    const double dpiX = device ? device->logicalDpiX() : 96.0;
    const double dpiY = device ? device->logicalDpiY() : 96.0;
    p.scale(dpiX / 1440.0, dpiY / 1440.0);
}

namespace {

// Lines ops[first..last) of one pen, each starting where the one before it ended, as one
// polyline: with round joins it covers what the round-capped lines cover, and it is stroked
// once instead of once a segment.
void drawJoinedLines(QPainter& p, const std::vector<DrawOp>& ops, std::size_t first, std::size_t last,
                     QVector<QPointF>& points)
{
    const Line& pen = std::get<Line>(ops[first]);
    p.setPen(penFor(pen.penWidth, pen.colour));
    points.clear();
    points.push_back(toPoint(pen.from));
    for (std::size_t i = first; i < last; ++i) points.push_back(toPoint(std::get<Line>(ops[i]).to));
    p.drawPolyline(points.constData(), static_cast<int>(points.size()));
}

// The end of the run of lines from ops[first]: lines of the same pen, each starting where
// the one before it ended.
std::size_t joinedRunEnd(const std::vector<DrawOp>& ops, std::size_t first)
{
    const Line* prev = std::get_if<Line>(&ops[first]);
    if (prev == nullptr) return first + 1;
    std::size_t end = first + 1;
    for (; end < ops.size(); ++end) {
        const Line* l = std::get_if<Line>(&ops[end]);
        if (l == nullptr || l->penWidth != prev->penWidth || !(l->colour == prev->colour) || !(l->from == prev->to))
            break;
        prev = l;
    }
    return end;
}

}  // namespace

void paintDisplayList(QPainter& p, const DisplayList& list)
{
    p.save();
    const QString family = QString::fromStdString(list.fontFamily);
    QVector<QPointF> points;
    for (std::size_t i = 0; i < list.ops.size();) {
        const std::size_t end = joinedRunEnd(list.ops, i);
        if (end - i > 1) {
            drawJoinedLines(p, list.ops, i, end, points);
            i = end;
            continue;
        }
        const DrawOp& op = list.ops[i++];
        std::visit(
            [&](const auto& item) {
                using T = std::decay_t<decltype(item)>;
                if constexpr (std::is_same_v<T, Line>) {
                    p.setPen(penFor(item.penWidth, item.colour));
                    p.drawLine(toPoint(item.from), toPoint(item.to));
                } else if constexpr (std::is_same_v<T, Circle>) {
                    p.setPen(penFor(item.penWidth, item.outline));
                    if (item.fill)
                        p.setBrush(toColor(*item.fill));
                    else
                        p.setBrush(Qt::NoBrush);
                    p.drawEllipse(toPoint(item.centre), double(item.radius), double(item.radius));
                } else if constexpr (std::is_same_v<T, Dot>) {
                    // one screen pixel whose top-left corner is the dot's place
                    p.fillRect(QRectF(toPoint(item.at),
                                      QSizeF(kTwipsPerScreenPixel, kTwipsPerScreenPixel)),
                               toColor(item.colour));
                } else if constexpr (std::is_same_v<T, Text>) {
                    QFont font(family);
                    font.setPixelSize(std::max(1, int(std::lround(item.pointSize * kTwipsPerPoint))));
                    p.setFont(font);
                    p.setPen(toColor(item.colour));
                    // transparent background: only the glyphs are drawn
                    p.setBackgroundMode(Qt::TransparentMode);
                    const QFontMetricsF metrics(font, p.device());
                    p.drawText(QPointF(item.topLeft.x, item.topLeft.y + metrics.ascent()),
                               QString::fromStdString(item.text));
                } else if constexpr (std::is_same_v<T, Clear>) {
                    clearDevice(p);
                }
            },
            op);
    }
    p.restore();
}

void paintDisplayListOn(QPaintDevice& device, const DisplayList& list)
{
    QPainter p(&device);
    scaleToTwips(p);
    paintDisplayList(p, list);
}

}  // namespace kinetra

namespace kinetra {

void paintOnWidget(QWidget& widget, const DisplayList& list)
{
    QPainter p(&widget);
    p.scale(widget.logicalDpiX() / 1440.0, widget.logicalDpiY() / 1440.0);
    paintDisplayList(p, list);
}

}  // namespace kinetra
