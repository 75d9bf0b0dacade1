#include "ui/ChildForm.h"

#include <QMdiSubWindow>

#include "platform/Platform.h"

namespace kinetra {

QMdiSubWindow* ChildForm::subWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void ChildForm::setFormGeometry(double leftTwips, double topTwips, double widthTwips, double heightTwips)
{
    frameRequest.place = QPointF(leftTwips, topTwips);
    frameRequest.outer = QSizeF(widthTwips, heightTwips);
    frameRequest.client.reset();
    if (QMdiSubWindow* sub = subWindow()) {
        applySize();
        sub->move(twipsToPixels(leftTwips), twipsToPixels(topTwips));
    }
}

void ChildForm::setClientSizeTwips(double widthTwips, double heightTwips)
{
    frameRequest.client = QSizeF(widthTwips, heightTwips);
    frameRequest.outer.reset();
    if (subWindow()) applySize();
    else resize(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
}

void ChildForm::setHasCloseBox(bool has)
{
    frameRequest.closeBox = has;
    if (subWindow()) applyFlags();
}

void ChildForm::setHasMinMaxButtons(bool has)
{
    frameRequest.minMaxButtons = has;
    if (subWindow()) applyFlags();
}

QSize ChildForm::sizeHint() const
{
    if (frameRequest.client) return QSize(twipsToPixels(frameRequest.client->width()), twipsToPixels(frameRequest.client->height()));
    return QWidget::sizeHint();
}

void ChildForm::applyFrame()
{
    QMdiSubWindow* sub = subWindow();
    if (!sub) return;
    applyFlags();
    applySize();
    if (frameRequest.place) sub->move(twipsToPixels(frameRequest.place->x()), twipsToPixels(frameRequest.place->y()));
}

void ChildForm::applyFlags()
{
    QMdiSubWindow* sub = subWindow();
    Qt::WindowFlags flags = Qt::SubWindow;
    if (!frameRequest.closeBox) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    } else if (!frameRequest.minMaxButtons) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint;
    }
    if (sub->windowFlags() == flags) return;
    // a new set of flags hides a widget; a visible frame is shown again at its place
    const bool wasVisible = sub->isVisible();
    const QRect where = sub->geometry();
    sub->setWindowFlags(flags);
    sub->setGeometry(where);
    if (wasVisible) sub->show();
}

void ChildForm::applySize()
{
    QMdiSubWindow* sub = subWindow();
    if (frameRequest.outer) {
        sub->resize(twipsToPixels(frameRequest.outer->width()), twipsToPixels(frameRequest.outer->height()));
    } else if (frameRequest.client) {
        // the frame's decoration is held as the frame's contents margins
        const QMargins frame = sub->contentsMargins();
        sub->resize(twipsToPixels(frameRequest.client->width()) + frame.left() + frame.right(),
                    twipsToPixels(frameRequest.client->height()) + frame.top() + frame.bottom());
    }
}

}  // namespace kinetra
