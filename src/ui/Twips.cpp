#include "ui/Twips.h"

#include <QWidget>

#include "platform/Platform.h"

namespace kinetra {

QRect twipsRect(const TwipsRect& r)
{
    return QRect(twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width),
                 twipsToPixels(r.height));
}

QRect twipsRect(double left, double top, double width, double height)
{
    return twipsRect(TwipsRect{left, top, width, height});
}

void placeTwips(QWidget* widget, const TwipsRect& r)
{
    widget->setGeometry(twipsRect(r));
}

}  // namespace kinetra
