#pragma once
// Looking at the windows the way the user does: which windows are up and which one a step
// can act on, the focused field, the point list, the texts a window shows; and a click
// delivered through the window, as the mouse would.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <vector>

class QLineEdit;
class QTreeWidget;
class QWidget;

namespace kinetra {
class MDIForm1;
}

namespace kinetra::walk {

bool shown(const QWidget* w);  // visible and enabled
QWidget* visibleModal();

// The windows a step may act on: the modal window if one is up, else the dialogs shown and
// the workspace's windows (the main window itself when the workspace is empty).
std::vector<QWidget*> candidateWindows(MDIForm1* hub);
QWidget* findWindow(MDIForm1* hub, const QString& name);
// object names of the candidate windows, less `except`
QStringList windowNames(MDIForm1* hub, const QWidget* except = nullptr);
bool atMenu(MDIForm1* hub);

QLineEdit* focusedField(QWidget* window);  // the focused field of that window, if shown
QTreeWidget* pointList(MDIForm1* hub);     // the data entry window's point list, if open

// Every text a window shows: captions, labels, fields, buttons, frames, list cells.
void windowTexts(QWidget* root, std::vector<QString>& out);

void clickThroughWindow(QWidget* w, QPoint local);
void clickCentre(QWidget* w);

}  // namespace kinetra::walk
