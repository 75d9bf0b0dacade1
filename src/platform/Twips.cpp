#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "platform/Platform.h"

namespace kinetra {

double pixelsPerTwip()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi / 1440.0;
}

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips * pixelsPerTwip()));
}

}  // namespace kinetra
