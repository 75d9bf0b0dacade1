#pragma once
// Controls are placed in twips (1/1440 inch) from the top-left corner of their parent's
// client area, converted to pixels at the screen's logical DPI.

#include <QRect>

class QWidget;

namespace kinetra {

struct TwipsRect {
    double left, top, width, height;
};

QRect twipsRect(const TwipsRect& r);
QRect twipsRect(double left, double top, double width, double height);

// Places a widget by its rectangle in twips within its parent.
void placeTwips(QWidget* widget, const TwipsRect& r);

// Gives a widget its object name (the control's own name) and its place in twips.
template <class W>
W* placeNamed(W* widget, const char* name, const TwipsRect& r)
{
    widget->setObjectName(QLatin1String(name));
    placeTwips(widget, r);
    return widget;
}

}  // namespace kinetra
