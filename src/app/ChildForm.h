#pragma once
// A child window of the main window (menu, data entry, calculation, graphs). The hub
// places it in the main window's workspace and calls activated() each time the window
// becomes the active child window (shown by the hub, or chosen by the user); the return
// from one of the window's own modal dialogs is not an activation.

#include <QWidget>

namespace kinetra {

class ChildForm : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void activated() {}

    // Outer size and place of the child window in twips, relative to the workspace.
    void setFormGeometry(double leftTwips, double topTwips, double widthTwips, double heightTwips);
    // Client size in twips (the outer frame is added by the workspace).
    void setClientSizeTwips(double widthTwips, double heightTwips);
    // Whether the child window has a close box (default: yes).
    void setHasCloseBox(bool has);

signals:
    // The user closed the window through its frame (close box or system menu).
    void closedByUser();
};

}  // namespace kinetra
