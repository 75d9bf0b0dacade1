#pragma once
// A small modal window to choose one item of a list: the prompt above the list, OK and
// Cancel below; a double click or Enter takes the item under the cursor. The first item
// starts selected.

#include <QString>
#include <QStringList>

class QWidget;

namespace kinetra {

// The index of the item chosen, or -1 when the window was cancelled or closed.
int chooseListItem(QWidget* parent, const QString& title, const QString& prompt, const QStringList& items);

}  // namespace kinetra
