#include "graphs/windows/GraphWindowSupport.h"

#include <QPalette>
#include <QPushButton>
#include <QWidget>
#include <cmath>
#include <new>

#include "platform/Platform.h"

namespace kinetra {

void placeTwips(QWidget& widget, const TwipsRect& r)
{
    widget.setGeometry(twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width),
                       twipsToPixels(r.height));
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const TwipsRect& r)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    placeTwips(*button, r);
    return button;
}

void setWhiteBackground(QWidget& widget)
{
    QPalette pal = widget.palette();
    pal.setColor(QPalette::Window, Qt::white);
    widget.setPalette(pal);
    widget.setAutoFillBackground(true);
}

QString helpFileOf(const SharedState& st)
{
    return QString::fromStdString(st.helpPath) + QStringLiteral("/helpkinetra.hlp");
}

bool stillOpen(const QWidget* window)
{
    return window && window->isVisible();
}

std::string drawingFailureText(const std::exception_ptr& failure) { return failureText(failureOf(failure)); }

}  // namespace kinetra
