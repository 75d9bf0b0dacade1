#pragma once
// Controls the windows share in look and behaviour: captioned fields, the coloured command
// buttons, columns of option buttons in a frame, and the frame's options cleared.

#include <QString>
#include <initializer_list>

#include "ui/Twips.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kinetra {

// A field and the caption that names it (the field is the caption's buddy). The caption
// is `labelRect` high and does not wrap unless the window says so.
struct LabelledField {
    QLabel* label;
    QLineEdit* field;
};
LabelledField labelledField(QWidget* parent, const char* labelName, const QString& caption,
                            const TwipsRect& labelRect, const char* fieldName, const TwipsRect& fieldRect,
                            int maxLength);

// A command button in a colour of its own ("rgb(r, g, b)"), its caption bold if asked.
QPushButton* colouredButton(QWidget* parent, const char* name, const QString& caption, const TwipsRect& r,
                            const char* colour, bool bold = false);

// An option button of a column: where it is kept, its name and its caption.
struct OptionLook {
    QRadioButton** control;
    const char* name;
    const char* caption;
};

// A column of option buttons in a frame, from (left, top), `step` twips apart, each
// `width` wide. The options and the frame start disabled, until the window offers them.
void optionColumn(QWidget* frame, const TwipsRect& first, double step, std::initializer_list<OptionLook> options);

// No option of the frame chosen: a click cannot take an option back, the window can.
void clearOptions(QWidget* frame);

// The frame and each of its options enabled.
void enableOptions(QWidget* frame);

}  // namespace kinetra
