#pragma once
// What the graph windows and their range dialog share: controls placed in twips, the
// white drawing surface, the help file path and the text of a failed drawing.

#include <QString>
#include <exception>

#include "state/SharedState.h"

class QPushButton;
class QWidget;

namespace kinetra {

struct TwipsRect {
    double left, top, width, height;
};

// Places a widget by its rectangle in twips within its parent.
void placeTwips(QWidget& widget, const TwipsRect& r);

// A push button whose objectName is the control's own name.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const TwipsRect& r);

void setWhiteBackground(QWidget& widget);

// helpPath + "/helpkinetra.hlp"; the file name with its separator alone while helpPath is empty.
QString helpFileOf(const SharedState& st);

// Whether a graph window is still open after a modal window of its own returned: the user
// may have ended the program meanwhile, which closes every window.
bool stillOpen(const QWidget* window);

// The message of a failed drawing: "Error", the failure's number and description.
std::string drawingFailureText(const std::exception_ptr& failure);

}  // namespace kinetra
