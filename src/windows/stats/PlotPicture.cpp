#include "windows/stats/PlotPicture.h"

#include <QPainter>
#include <algorithm>

#include "platform/DisplayPainter.h"

namespace kinetra {

PlotPicture::PlotPicture(const DisplayList& list, QWidget* parent) : QWidget(parent), plot(list)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void PlotPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    scaleToTwips(p);
    const double twipsWide = width() * 1440.0 / logicalDpiX();
    const double twipsHigh = height() * 1440.0 / logicalDpiY();
    const double f = std::min(twipsWide / static_cast<double>(kPageWidth), twipsHigh / static_cast<double>(kPageHeight));
    p.scale(f, f);
    paintDisplayList(p, plot);
}

}  // namespace kinetra
