#include "windows/graphs/GraphWindowSupport.h"

#include <QPalette>
#include <QPushButton>
#include <QWidget>
#include <cmath>
#include <new>

#include "platform/Platform.h"

namespace kinetra {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const TwipsRect& r)
{
    return placeNamed(new QPushButton(caption, parent), name, r);
}

void setWhiteBackground(QWidget& widget)
{
    QPalette pal = widget.palette();
    pal.setColor(QPalette::Window, Qt::white);
    widget.setPalette(pal);
    widget.setAutoFillBackground(true);
}

bool stillOpen(const QWidget* window)
{
    return window && window->isVisible();
}

std::string drawingFailureText(const std::exception_ptr& failure) { return failureText(failureOf(failure)); }

}  // namespace kinetra
