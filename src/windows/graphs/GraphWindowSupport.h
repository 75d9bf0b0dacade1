#pragma once
// What the graph windows and their range dialog share: buttons placed in twips, the white
// drawing surface and the text of a failed drawing.

#include <QString>
#include <exception>

#include "ui/WindowState.h"
#include "ui/Twips.h"

class QPushButton;
class QWidget;

namespace kinetra {

// The button that saves a graph's picture as a file: its caption fits the narrow column of
// the graph windows' buttons, its tip says what it saves.
inline const QString kSavePictureCaption = QStringLiteral("Save as…");
inline const QString kSavePictureTip = QStringLiteral("Save picture: PNG (300 dpi), SVG or PDF");

// A push button whose objectName is the control's own name.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const TwipsRect& r);

void setWhiteBackground(QWidget& widget);

// Whether a graph window is still open after a modal window of its own returned: the user
// may have ended the program meanwhile, which closes every window.
bool stillOpen(const QWidget* window);

// The message of a failed drawing: "Error", the failure's number and description.
std::string drawingFailureText(const std::exception_ptr& failure);

}  // namespace kinetra
