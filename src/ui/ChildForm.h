#pragma once
// A child window of the main window (menu, data entry, calculation, graphs). The hub
// places it in the main window's workspace, inside a frame of its own (a QMdiSubWindow),
// and calls activated() each time the window becomes the active child window (shown by
// the hub, or chosen by the user); the return from one of the window's own modal dialogs
// is not an activation. activated() is delivered from the event loop once the handler that
// switched windows has finished (as a desktop reports activation); when several windows
// are shown in one handler only the last one shown is activated.
//
// Closing: close() on the form (or the hub's close*) unloads it: the frame closes and both
// are destroyed by the event loop. closeEvent runs for every close; closedByUser is emitted
// first (before closeEvent) when the user closed the frame (close box, system menu).

#include <QWidget>
#include <optional>

class QMdiSubWindow;

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
    // Whether the child window has a close box (default: yes). Without one the frame has
    // a title bar and no buttons at all.
    void setHasCloseBox(bool has);
    // Whether the frame offers minimise and maximise buttons (default: yes).
    void setHasMinMaxButtons(bool has);

    // The frame that holds the form in the workspace; null until the hub placed it.
    QMdiSubWindow* subWindow() const;
    // Applies what was asked above before the form had its frame (the hub calls it).
    void applyFrame();

    // The client size asked for, so that the frame fits it.
    QSize sizeHint() const override;

signals:
    // The user closed the window through its frame (close box or system menu).
    void closedByUser();

private:
    void applyFlags();
    void applySize();

    // What the form asked for (in one member, so that no name here hides a name of a form).
    struct FrameRequest {
        std::optional<QPointF> place;
        std::optional<QSizeF> outer;   // set by setFormGeometry
        std::optional<QSizeF> client;  // set by setClientSizeTwips; the later of the two wins
        bool closeBox = true;
        bool minMaxButtons = true;
    } frameRequest;
};

}  // namespace kinetra
